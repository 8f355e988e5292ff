// Enter-to-page benchmark. Makes a program folder over the corpus that search_bench caches
// (/var/tmp/ruvudar-bench/seed20240611-docs<N>, built by running search_bench first), with
// daradiv.ini naming its folder, then times for a rare and a common keyword:
//   handler: the navigation handler on the search URL (RunSearch, SortResults, search.html
//            and main.html written), in this process;
//   window:  Enter pressed in the real search form of the real window until the web view
//            has loaded the new frameset with both frames (only when built with the viewer).
// Prints  mode=M case=NAME docs=N p50_ms=X p95_ms=Y hits=H  per case.
//
// Usage: enter_to_page [--docs N] [--runs R] [--cache DIR] [--handler-only]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/form_create.h"
#include "app/navigation.h"
#include "config/indexer_config.h"
#include "platform/processes.h"

#ifdef ENTER_TO_PAGE_WINDOW
#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QWebEngineView>
#include <optional>

#include "app/gui/tform1.h"
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* kCorpusFolder = "/bench/docs/";

struct Case {
    const char* name;
    std::string keyword;  // as the form sends it
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {{"rare_term", "qxzrare"},
                                            {"common_term", "%E6%9D%B1%E4%BA%AC"}};  // 東京
    return cases;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "enter_to_page: %s\n", what.c_str());
    std::exit(1);
}

// A program folder whose index, information file and catalogues are links into the corpus.
fs::path MakeProgramFolder(const fs::path& corpus, const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir / "page");
    for (const auto& entry : fs::directory_iterator(corpus)) {
        std::string name = entry.path().filename().string();
        if (name == "sindex") {
            // The index name is a relative link to its current generation beside it.
            fs::create_symlink(fs::read_symlink(entry.path()), dir / name);
        } else if (name != "complete") {
            fs::create_symlink(entry.path(), dir / name);
        }
    }
    IndexerConfig config;
    config.Folders = {{kCorpusFolder, "Docs"}};
    if (!WriteIndexerConfig((dir / "daradiv.ini").string(), config))
        Fail("cannot write daradiv.ini");
    return dir;
}

struct Timing {
    std::vector<double> ms;
    size_t hits = 0;
};

void Print(const char* mode, const Case& c, int docs, Timing& t) {
    std::sort(t.ms.begin(), t.ms.end());
    double p50 = t.ms[t.ms.size() / 2];
    double p95 = t.ms[std::min(t.ms.size() - 1, (t.ms.size() * 95 + 99) / 100 - 1)];
    std::printf("mode=%s case=%s docs=%d p50_ms=%.1f p95_ms=%.1f hits=%zu\n", mode, c.name, docs,
                p50, p95, t.hits);
    std::fflush(stdout);
}

std::string SearchQuery(const Case& c) { return "COM=SEARCH&KEYWORD=" + c.keyword + "&CATCHK1=ON"; }

// The handler on the search URL, as the web view calls it.
void TimeHandler(const std::string& app_dir, int docs, int runs) {
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
    for (const Case& c : Cases()) {
        Timing t;
        for (int r = 0; r <= runs; ++r) {
            auto t0 = std::chrono::steady_clock::now();
            CppWebBrowser1BeforeNavigate2(state, context, url + SearchQuery(c));
            auto t1 = std::chrono::steady_clock::now();
            if (r > 0) t.ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            t.hits = state.Results.size();  // the first run warms the caches, uncounted
        }
        Print("handler", c, docs, t);
    }
}

#ifdef ENTER_TO_PAGE_WINDOW
QVariant Eval(QWebEngineView* view, const QString& script) {
    auto result = std::make_shared<std::optional<QVariant>>();
    view->page()->runJavaScript(script, [result](const QVariant& v) { *result = v; });
    QDeadlineTimer deadline(30000);
    while (!*result && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return result->value_or(QVariant());
}

bool FramesReady(QWebEngineView* view) {
    return Eval(view,
                "(function(){try{return frames['FrTop'].document.readyState=='complete'&&"
                "frames['FrBody'].document.readyState=='complete'&&"
                "!!frames['FrTop'].document.getElementsByName('KEYWORD')[0];}catch(e){return "
                "false;}})()")
        .toBool();
}

// Enter in the real form until the web view reports the new frameset loaded.
void TimeWindow(int argc, char** argv, const std::string& app_dir, int docs, int runs) {
    QApplication app(argc, argv);
    TForm1 form(app_dir);
    form.show();
    QWebEngineView* view = form.CppWebBrowser1;
    QDeadlineTimer start(60000);
    while (!FramesReady(view) && !start.hasExpired()) QTest::qWait(20);
    if (!FramesReady(view)) Fail("the window did not load its pages");

    bool finished = false;
    std::chrono::steady_clock::time_point finished_at;
    QObject::connect(view, &QWebEngineView::loadFinished, [&](bool) {
        finished = true;
        finished_at = std::chrono::steady_clock::now();
    });
    for (const Case& c : Cases()) {
        Timing t;
        QString keyword = QUrl::fromPercentEncoding(QByteArray::fromStdString(c.keyword));
        for (int r = 0; r <= runs; ++r) {
            Eval(view, QString("(function(){var k=frames['FrTop'].document.getElementsByName("
                               "'KEYWORD')[0];k.focus();k.value='%1';})()")
                           .arg(keyword));
            view->setFocus();
            QWidget* target = view->focusProxy() ? view->focusProxy() : view;
            finished = false;
            auto t0 = std::chrono::steady_clock::now();
            QTest::keyClick(target, Qt::Key_Return);
            QDeadlineTimer deadline(60000);
            while (!finished && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            if (!finished) Fail("no result page after Enter");
            // The count shows in the top frame once both frames are in.
            if (!FramesReady(view)) Fail("loadFinished before the frames were in");
            if (r > 0)
                t.ms.push_back(std::chrono::duration<double, std::milli>(finished_at - t0).count());
            t.hits = form.State().Results.size();
        }
        Print("window", c, docs, t);
    }
}
#endif

}  // namespace

int main(int argc, char** argv) {
    int docs = 100000;
    int runs = 10;
    bool handler_only = false;
    fs::path cache = "/var/tmp/ruvudar-bench";
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--docs" && i + 1 < argc)
            docs = std::atoi(argv[++i]);
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--cache" && i + 1 < argc)
            cache = argv[++i];
        else if (a == "--handler-only")
            handler_only = true;
    }
    fs::path corpus = cache / ("seed20240611-docs" + std::to_string(docs));
    if (!fs::exists(corpus / "complete"))
        Fail("no corpus in " + corpus.string() + ": run search_bench --docs " +
             std::to_string(docs));
    fs::path dir = MakeProgramFolder(corpus, cache / ("enter-to-page-docs" + std::to_string(docs)));
    std::string app_dir = dir.string() + "/";
    TimeHandler(app_dir, docs, runs);
#ifdef ENTER_TO_PAGE_WINDOW
    if (!handler_only) TimeWindow(argc, argv, app_dir, docs, runs);
#else
    (void)handler_only;
#endif
    return 0;
}
