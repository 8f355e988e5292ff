// Click-to-preview benchmark. Makes a program folder (no full-text index) holding one
// document of about 1 MB of Japanese and Latin text in which the searched word occurs about
// once a kilobyte, searches for it, then times the preview of that hit:
//   handler: the navigation handler on the preview URL (view.html written), in this process;
//   window:  the preview link clicked in the real result page until the body frame has
//            loaded view.html, timed by the page's clock from the click to the end of its
//            load event (only when built with the viewer).
// Prints  mode=M bytes=B occurrences=N p50_ms=X p95_ms=Y  per mode.
//
// Usage: click_to_preview [--runs R] [--dir DIR] [--handler-only]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/form_create.h"
#include "app/navigation.h"
#include "config/indexer_config.h"
#include "platform/processes.h"
#include "platform/program_files.h"
#include "search/index_files.h"
#include "search/normalize.h"

#ifdef CLICK_TO_PREVIEW_WINDOW
#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include "app/gui/tform1.h"
#endif

namespace fs = std::filesystem;

namespace {

constexpr size_t kDocumentBytes = 1'000'000;
const char* const kKeyword = "%E6%9D%B1%E4%BA%AC";  // 東京, as the form sends it

void Fail(const std::string& what) {
    std::fprintf(stderr, "click_to_preview: %s\n", what.c_str());
    std::exit(1);
}

// About 1 MB of sentences; 東京 in one sentence of eight, so about once a kilobyte.
std::string DocumentText() {
    const char* sentences[] = {
        "本日の会議では来期の予算について議論しました。",
        "The quarterly report is attached. ",
        "出張の日程は追って連絡します。",
        "担当者は資料を確認してください。",
        "Please review the figures before Friday. ",
        "次回の打ち合わせは大阪で行います。",
        "売上は前年同期比で増加しました。",
        "東京本社の会議室を予約しました。",
    };
    std::string text;
    for (size_t i = 0; text.size() < kDocumentBytes; ++i) {
        text += sentences[i % 8];
        if (i % 5 == 4) text += "\n";
    }
    return text;
}

// A program folder with the document, its catalogue pair, the information file and
// daradiv.ini naming the document's folder.
std::string MakeProgramFolder(const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir / "page");
    fs::create_directories(dir / "docs");
    const std::string app_dir = dir.string() + "/";
    const std::string doc = app_dir + "docs/preview.txt";
    const std::string text = DocumentText();
    std::ofstream(doc, std::ios::binary) << text;

    index_files::CatalogueWriter catalogue;
    catalogue.Open(app_dir + index_files::DisplayCatalogueName(1),
                   app_dir + index_files::FoldedCatalogueName(1), true);
    std::optional<index_files::RecordPlacement> at = catalogue.Append(doc, NormalizedCopy(text));
    catalogue.Close();
    if (!at) Fail("catalogue full");
    index_files::DocumentLine line;
    line.path = doc;
    line.date = "20240105";
    line.extra = "0";
    line.size = static_cast<int64_t>(text.size());
    line.catalogue = 1;
    line.path_length = at->path_length;
    line.text_length = at->text_length;
    line.offset = at->offset;
    const std::string info = app_dir + program_files::kInformationFile;
    index_files::WriteStagedInformationFile(info + ".new",
                                            {*index_files::FormatDocumentLine(line)});
    index_files::PublishInformationFile(info + ".new", info);

    IndexerConfig config;
    config.Folders = {{app_dir + "docs/", "Docs"}};
    if (!WriteIndexerConfig(app_dir + program_files::kIndexerConfig, config))
        Fail("cannot write daradiv.ini");
    return app_dir;
}

void Print(const char* mode, std::vector<double>& ms, size_t occurrences) {
    std::sort(ms.begin(), ms.end());
    double p50 = ms[ms.size() / 2];
    double p95 = ms[std::min(ms.size() - 1, (ms.size() * 95 + 99) / 100 - 1)];
    std::printf("mode=%s bytes=%zu occurrences=%zu p50_ms=%.1f p95_ms=%.1f\n", mode, kDocumentBytes,
                occurrences, p50, p95);
    std::fflush(stdout);
}

size_t Occurrences(const std::string& app_dir) {
    std::ifstream in(app_dir + "page/view.html", std::ios::binary);
    std::string page((std::istreambuf_iterator<char>(in)), {});
    size_t n = 0;
    for (size_t at = page.find("<A id=\"h"); at != std::string::npos;
         at = page.find("<A id=\"h", at + 1))
        ++n;
    return n;
}

void TimeHandler(const std::string& app_dir, int runs) {
    ViewerState state;
    FormCreate(state, app_dir);
    struct NoDialogs : Dialogs {
        std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
        std::optional<std::string> ChooseOpenFile() override { return {}; }
        std::optional<std::string> ChooseSaveFile(const std::string&) override { return {}; }
        void ShowError(const std::string& text) override { Fail(text); }
        bool ConfirmOkCancel(const std::string&, const std::string&) override { return false; }
    } dialogs;
    NavigationContext context{dialogs, SystemProcesses()};
    const std::string url = "file://" + app_dir + "page/index.html?";
    CppWebBrowser1BeforeNavigate2(state, context,
                                  url + "COM=SEARCH&KEYWORD=" + kKeyword + "&CATCHK1=ON");
    if (state.Results.size() != 1) Fail("the search did not find the document");
    std::vector<double> ms;
    for (int r = 0; r <= runs; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        NavigationResult result =
            CppWebBrowser1BeforeNavigate2(state, context, url + "COM=VIEW&NUM=0");
        auto t1 = std::chrono::steady_clock::now();
        if (result.show_in_body != "view.html") Fail("no preview written");
        if (r > 0) ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    Print("handler", ms, Occurrences(app_dir));
}

#ifdef CLICK_TO_PREVIEW_WINDOW
// Runs script in the top document and waits, without spinning (the page being measured
// shares the processors), for its value.
QVariant Eval(QWebEngineView* view, const QString& script) {
    auto result = std::make_shared<std::optional<QVariant>>();
    QEventLoop loop;
    view->page()->runJavaScript(script, [result, &loop](const QVariant& v) {
        *result = v;
        loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    if (!*result) loop.exec();
    return result->value_or(QVariant());
}

bool BodyShows(QWebEngineView* view, const char* name) {
    return Eval(view, QString("(function(){try{var b=frames['FrBody'];return "
                              "b.location.pathname.endsWith('/%1')&&"
                              "b.document.readyState=='complete'&&"
                              "!!b.document.querySelector('a[href*=\"COM=\"]');}"
                              "catch(e){return false;}})()")
                          .arg(name))
        .toBool();
}

// Polls slowly (so the polls take little from the page being measured) until the body
// frame has loaded the page name.
bool WaitBody(QWebEngineView* view, const char* name) {
    QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        if (BodyShows(view, name)) return true;
        QTest::qWait(50);
    }
    return false;
}

// The preview link clicked in the result page until view.html has loaded in the body frame
// (the end of its load event, by the page's own clock, from the click); then back to the
// results for the next run.
void TimeWindow(int argc, char** argv, const std::string& app_dir, int runs) {
    QApplication app(argc, argv);
    TForm1 form(app_dir);
    form.show();
    QWebEngineView* view = form.CppWebBrowser1;
    view->setUrl(
        QUrl(QString::fromStdString("file://" + app_dir + "page/index.html?COM=SEARCH&KEYWORD=") +
             kKeyword + "&CATCHK1=ON"));
    if (!WaitBody(view, "main.html")) Fail("no result page");
    std::vector<double> ms;
    for (int r = 0; r <= runs; ++r) {
        Eval(view,
             "window.t0=performance.timeOrigin+performance.now();"
             "frames['FrBody'].document.querySelector('a[href*=\"COM=VIEW\"]').click()");
        const char* loaded =
            "(function(){var p=frames['FrBody'].performance;"
            "var n=p.getEntriesByType('navigation')[0];"
            "return n&&n.loadEventEnd>0?p.timeOrigin+n.loadEventEnd-window.t0:-1;})()";
        if (!WaitBody(view, "view.html")) Fail("no preview shown");
        double took = -1;
        QDeadlineTimer deadline(60000);
        while ((took = Eval(view, loaded).toDouble()) < 0 && !deadline.hasExpired())
            QTest::qWait(50);
        if (took < 0) Fail("the preview's load did not end");
        if (r > 0) ms.push_back(took);
        Eval(view, "frames['FrBody'].document.querySelector('a[href=\"main.html\"]').click()");
        if (!WaitBody(view, "main.html")) Fail("no way back to the results");
    }
    Print("window", ms, Occurrences(app_dir));
}
#endif

}  // namespace

int main(int argc, char** argv) {
    int runs = 10;
    bool handler_only = false;
    fs::path dir = fs::temp_directory_path() / "ruvudar-click-to-preview";
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--dir" && i + 1 < argc)
            dir = argv[++i];
        else if (a == "--handler-only")
            handler_only = true;
    }
    const std::string app_dir = MakeProgramFolder(dir);
    TimeHandler(app_dir, runs);
#ifdef CLICK_TO_PREVIEW_WINDOW
    if (!handler_only) TimeWindow(argc, argv, app_dir, runs);
#else
    (void)handler_only;
#endif
    return 0;
}
