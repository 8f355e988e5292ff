// A new user's first session, end to end: the real viewer window, the real settings dialog
// and the real indexer with its worker and libsenna, copied into a temporary program folder.
// Only the save chooser and the document opener are stand-ins; the confirmation of a stop is
// the real message box, answered by clicking its OK button.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEngineView>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "app/gui/tform1.h"
#include "platform/program_files.h"
#include "platform/clock.h"
#include "platform/processes.h"
#include "settings/settings_forms.h"
#include "tests/navigation/doubles.h"
#include "text/text_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPageMs = 30000;    // a page load or a script in the web view
constexpr int kIndexMs = 90000;   // a whole indexer run followed to the dialog's idle state
constexpr int kBulkFiles = 6000;  // enough that an update is still running when stopped

QApplication& App() {
    static int argc = 1;
    static char name[] = "new_user_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// A fresh program folder holding copies of the built programs; removed at the end.
class ProgramFolder {
  public:
    explicit ProgramFolder(const std::string& tag) {
        root_ = fs::temp_directory_path() /
                ("ruvudar_new_user_" + tag + "_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    ~ProgramFolder() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    void CopyProgram(const std::string& name) const {
        fs::copy_file(fs::path(RUVUDAR_APPDIR_BUILD) / name, root_ / name,
                      fs::copy_options::overwrite_existing);
    }
    std::string AppDir() const { return root_.string() + "/"; }
    std::string File(const std::string& name) const { return (root_ / name).string(); }
    std::string Read(const std::string& name) const {
        return ReadFileBytes(File(name)).value_or("<missing>");
    }
    // Writes count text files name + NNNN + ".txt" holding text and the number into a new
    // folder; returns the folder.
    std::string Generate(const std::string& folder, const std::string& name, int count,
                         const std::string& text) const {
        fs::create_directories(root_ / folder);
        for (int i = 0; i < count; ++i) {
            char number[16];
            std::snprintf(number, sizeof number, "%04d", i);
            std::ofstream(root_ / folder / (name + number + ".txt")) << text << " " << number;
        }
        return File(folder);
    }

  private:
    fs::path root_;
};

// The real processes, seen only when they run from this test's program folder, so indexers
// of tests running at the same time are neither counted nor stopped.
class FolderProcesses : public Processes {
  public:
    explicit FolderProcesses(std::string app_dir) : app_dir_(std::move(app_dir)) {}
    bool Spawn(const std::vector<std::string>& argv) override {
        return SystemProcesses().Spawn(argv);
    }
    std::vector<int> FindByName(const std::string& name) override {
        std::vector<int> mine;
        for (int pid : SystemProcesses().FindByName(name)) {
            std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline");
            std::string cmdline((std::istreambuf_iterator<char>(in)), {});
            if (cmdline.rfind(app_dir_, 0) == 0) mine.push_back(pid);
        }
        return mine;
    }
    std::vector<int> FindFolderIndexer(const std::string& app_dir) override {
        return SystemProcesses().FindFolderIndexer(app_dir);
    }
    bool Kill(int pid) override { return SystemProcesses().Kill(pid); }

  private:
    std::string app_dir_;
};

// Runs script in the top document and waits for its value.
QVariant Eval(QWebEngineView* view, const QString& script) {
    auto result = std::make_shared<std::optional<QVariant>>();
    view->page()->runJavaScript(script, [result](const QVariant& v) { *result = v; });
    (void)QTest::qWaitFor([&] { return result->has_value(); }, kPageMs);
    return result->value_or(QVariant());
}

// Asks every 100 ms: a stream of scripts would keep the page from loading.
bool WaitForScript(QWebEngineView* view, const QString& script) {
    QDeadlineTimer deadline(kPageMs);
    while (!Eval(view, script).toBool()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(100);
    }
    return true;
}

// True once the top document is a new one (MarkDocument's mark is gone) showing url_part,
// with both frames loaded.
QString LoadedWith(const QString& url_part) {
    return QString(
               "(function(){try{var t=frames['FrTop'].document,b=frames['FrBody'].document;"
               "return !window.old&&location.href.indexOf('%1')>=0&&t.readyState=='complete'&&"
               "b.readyState=='complete'&&!!t.getElementsByName('KEYWORD')[0];}catch(e){"
               "return false;}})()")
        .arg(url_part);
}

void MarkDocument(QWebEngineView* view) { Eval(view, "window.old=1"); }

QString FrameText(QWebEngineView* view, const QString& frame) {
    return Eval(view, QString("frames['%1'].document.body.innerText").arg(frame)).toString();
}

// The names of the hit rows on the result page, in order.
QStringList Rows(QWebEngineView* view) {
    return Eval(view,
                "Array.from(frames['FrBody'].document.querySelectorAll('a[href*=\"COM=OPEN\"]'))"
                ".map(function(a){return a.textContent;})")
        .toStringList();
}

// Clicks the first link of frame whose href contains part.
void Click(QWebEngineView* view, const QString& frame, const QString& part) {
    MarkDocument(view);
    Eval(
        view,
        QString("frames['%1'].document.querySelector('a[href*=\"%2\"]').click()").arg(frame, part));
}

// Types text into widget as a user does: ASCII as keys, other characters as text committed
// by an input method.
void Type(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &release);
        }
    }
}

// Types keyword into the search field of the real page and presses Enter in the view.
bool SearchFor(QWebEngineView* view, const QString& keyword) {
    const QString field = "frames['FrTop'].document.getElementsByName('KEYWORD')[0]";
    // The user clicks into the main window, which the settings dialog may have left inactive.
    view->window()->activateWindow();
    if (!QTest::qWaitForWindowActive(view->window())) return false;
    view->setFocus();
    Eval(view, field + ".value='';" + field + ".focus()");
    if (!WaitForScript(view,
                       "frames['FrTop'].document.hasFocus()&&frames['FrTop'].document."
                       "activeElement.name=='KEYWORD'"))
        return false;
    QWidget* target = view->focusProxy() ? view->focusProxy() : view;
    Type(target, keyword);
    if (!WaitForScript(view, QString("%1.value=='%2'").arg(field, keyword))) return false;
    MarkDocument(view);
    QTest::keyClick(target, Qt::Key_Return);
    return WaitForScript(view, LoadedWith("COM=SEARCH"));
}

// scripts/readme_screenshots.sh asks for pictures of the steps into RUVUDAR_SCREENSHOT_DIR.
void Screenshot(QWidget& widget, const char* name) {
    const char* dir = std::getenv("RUVUDAR_SCREENSHOT_DIR");
    if (!dir) return;
    QTest::qWait(1000);  // let the compositor paint the new page
    EXPECT_TRUE(widget.grab().save(QString("%1/%2").arg(dir, name)));
}

// Adds a target folder through the folder dialog, typing into its fields as a user does.
void AddFolder(SettingsForms& forms, const std::string& folder, const QString& category) {
    TForm3* form3 = forms.form3.get();
    QTimer::singleShot(0, form3, [form3, folder, category] {
        form3->Edit1->clear();
        Type(form3->Edit1, QString::fromStdString(folder));
        form3->Edit2->clear();
        Type(form3->Edit2, category);
        form3->Button1->click();
    });
    forms.form2->Button4->click();
}

// Clicks answer on the next message box shown and keeps its text in *text.
void AnswerNextMessageBox(QMessageBox::StandardButton answer, QString* text) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        timer->stop();
        timer->deleteLater();
        *text = box->windowTitle() + "|" + box->text();
        box->button(answer)->click();
    });
    timer->start(20);
}

// Runs the event loop (and so the dialog's polling) until done() or the limit, noting each
// status bar text in the order shown.
QStringList FollowStatus(TForm2& form, const std::function<bool()>& done, int limit_ms) {
    QStringList seen;
    (void)QTest::qWaitFor(
        [&] {
            if (seen.isEmpty() || seen.last() != form.StatusText()) seen << form.StatusText();
            return done();
        },
        limit_ms);
    return seen;
}

const QString kBusy = "インデックスの更新中止";
const QString kIdle = "今すぐインディクスを更新する";

TEST(NewUser, TheViewerStartsFromACopiedProgramFolderWithTheInstructions) {
    App();
    ProgramFolder folder("start");
    for (const char* name : {"ruvudar", "libsenna.so"}) folder.CopyProgram(name);
    FolderProcesses processes(folder.AppDir());
    ASSERT_TRUE(processes.Spawn({folder.AppDir() + "ruvudar"}));

    // The program folder is the executable's own, whatever the current directory.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return folder.Read("page/main.html").find("[インデックス未作成]") != std::string::npos;
        },
        kPageMs))
        << folder.Read("page/main.html");
    EXPECT_NE(folder.Read("page/index.html").find("search.html"), std::string::npos);
    EXPECT_FALSE(FileExists(folder.File(program_files::kIndexerConfig)));  // nothing saved yet

    for (int pid : processes.FindByName("ruvudar")) processes.Kill(pid);
    EXPECT_TRUE(QTest::qWaitFor([&] { return processes.FindByName("ruvudar").empty(); }, kPageMs));
}

TEST(NewUser, IndexesChosenFoldersSearchesSavesAndStopsAnUpdate) {
    App();
    ProgramFolder folder("session");
    for (const char* name : {"daradiv", "daradiv-worker", "libsenna.so"}) folder.CopyProgram(name);
    const std::string fixtures = RUVUDAR_FIXTURES;
    const std::string diaries = folder.Generate("diaries", "diary", 120, "今日の日記");

    RecordingDialogs dialogs;
    dialogs.save_answer = folder.File("saved copy.txt");
    RecordingProcesses opener;
    FolderProcesses processes(folder.AppDir());
    TForm1 form1(folder.AppDir(), nullptr, &dialogs, &opener);
    SettingsForms forms = CreateSettingsForms(form1, processes, SystemClock());
    TForm2& form2 = *forms.form2;
    QWebEngineView* view = form1.CppWebBrowser1;
    struct StopIndexers {
        FolderProcesses& p;
        ~StopIndexers() {
            for (int pid : p.FindByName(program_files::kIndexerExecutable)) p.Kill(pid);
        }
    } stop_indexers{processes};

    // A fresh folder: the welcome page tells how to build an index.
    form1.show();
    ASSERT_TRUE(WaitForScript(view, LoadedWith("index.html")));
    EXPECT_TRUE(FrameText(view, "FrBody").contains("以下の手順でインデックスを作成してください。"));
    Screenshot(form1, "welcome.png");
    MarkDocument(view);

    // 設定(&S): every document type, two folders with their categories.
    EXPECT_EQ(form1.SettingS1->text(), "設定(&S)");
    form1.SettingS1->trigger();
    ASSERT_TRUE(form2.isVisible());
    EXPECT_EQ(form2.Button3->text(), kIdle);
    for (QCheckBox* box : {form2.CheckBox1, form2.CheckBox2, form2.CheckBox3, form2.CheckBox4,
                           form2.CheckBox5, form2.CheckBox6, form2.CheckBox7, form2.CheckBox8}) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        EXPECT_TRUE(box->isChecked()) << box->text().toStdString();
    }
    form2.PageControl1->setCurrentWidget(form2.TabSheet2);
    AddFolder(forms, fixtures, "資料");
    AddFolder(forms, diaries, "日記");
    ASSERT_EQ(form2.ListView1->topLevelItemCount(), 2);
    Screenshot(form2, "settings_folders.png");

    // Update now: the settings are written, the real indexer runs, the status follows it.
    form2.Button3->click();
    EXPECT_EQ(form2.Button3->text(), kBusy);
    EXPECT_TRUE(form1.StatusBar1->isVisible());  // the main window follows the update too
    const std::string ini = folder.Read(program_files::kIndexerConfig);
    for (const char* line : {".docx\r\n", ".xlsx\r\n", ".pptx\r\n", ".pdf\r\n", ".htm\r\n",
                             ".txt\r\n", ".rtf\r\n", ".eml\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line;
    EXPECT_NE(ini.find(fixtures + "/;;資料\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find(diaries + "/;;日記\r\n"), std::string::npos) << ini;
    QStringList seen = FollowStatus(
        form2, [&] { return form2.Update().UpdateRunning == 0; }, kIndexMs);
    ASSERT_EQ(form2.Update().UpdateRunning, 0) << seen.join("\n").toStdString();
    EXPECT_EQ(form2.Button3->text(), kIdle);
    EXPECT_FALSE(form1.StatusBar1->isVisible());
    EXPECT_TRUE(seen.last().contains("インデックス更新が完了しました"))
        << seen.join("\n").toStdString();

    // The dialog's return to idle rewrote the welcome page with the log.
    ASSERT_TRUE(WaitForScript(view, LoadedWith("index.html")));
    const QString log = FrameText(view, "FrBody");
    EXPECT_TRUE(log.contains("[更新記録]")) << log.toStdString();
    EXPECT_TRUE(log.simplified().contains(seen.last().simplified())) << log.toStdString();
    form2.Button1->click();  // OK closes the dialog
    EXPECT_FALSE(form2.isVisible());

    // A Japanese word found in documents of several formats, a Latin word in one.
    ASSERT_TRUE(SearchFor(view, "甲"));
    QStringList rows = Rows(view);
    for (const char* name : {"office_text.docx", "office_text.pdf", "office_sheet.xlsx",
                             "office_slides.pptx", "html_utf8.html", "mail_iso2022jp.eml"})
        EXPECT_TRUE(rows.contains(name)) << name << "\n" << rows.join("\n").toStdString();
    EXPECT_TRUE(FrameText(view, "FrTop").contains(QString("<検索結果>　%1件").arg(rows.size())));
    Screenshot(form1, "results.png");

    // The preview of the first hit, with its occurrences marked, in the body frame.
    Click(view, "FrBody", "COM=VIEW");
    ASSERT_TRUE(WaitForScript(view,
                              "(function(){try{var b=frames['FrBody'];return b.location.pathname"
                              ".endsWith('/view.html')&&b.document.readyState=='complete';}"
                              "catch(e){return false;}})()"));
    EXPECT_GT(
        Eval(view, "frames['FrBody'].document.querySelectorAll('div.vtext span.keyword').length")
            .toInt(),
        0);
    Screenshot(form1, "preview.png");
    ASSERT_TRUE(SearchFor(view, "pdfplanted"));
    EXPECT_EQ(Rows(view), QStringList{"office_text.pdf"});

    // More than a page of hits: sorted by path, then the second page.
    ASSERT_TRUE(SearchFor(view, "日記"));
    EXPECT_TRUE(FrameText(view, "FrTop").contains("<検索結果>　120件"));
    Click(view, "FrTop", "SORT=1");
    ASSERT_TRUE(WaitForScript(view, LoadedWith("SORT=1")));
    rows = Rows(view);
    ASSERT_EQ(rows.size(), 100);
    EXPECT_EQ(rows.first(), "diary0000.txt");
    EXPECT_EQ(rows.last(), "diary0099.txt");
    Click(view, "FrTop", "PAGE=1");
    ASSERT_TRUE(WaitForScript(view, LoadedWith("PAGE=1")));
    rows = Rows(view);
    ASSERT_EQ(rows.size(), 20);
    EXPECT_EQ(rows.first(), "diary0100.txt");

    // A copy of a hit, saved where the chooser says, with the same bytes.
    Click(view, "FrBody", "COM=SAVE&NUM=100");
    EXPECT_TRUE(QTest::qWaitFor([&] { return FileExists(*dialogs.save_answer); }, kPageMs));
    EXPECT_EQ(dialogs.proposed_names, std::vector<std::string>{"diary0100.txt"});
    EXPECT_EQ(folder.Read("saved copy.txt"), folder.Read("diaries/diary0100.txt"));
    EXPECT_TRUE(dialogs.errors.empty());

    // A second update over a large folder, stopped while it runs.
    folder.Generate("bulk", "bulk", kBulkFiles, std::string(2000, 'x') + " 大量の文書");
    form1.SettingS1->trigger();
    ASSERT_TRUE(form2.isVisible());
    EXPECT_TRUE(form2.CheckBox4->isChecked());  // read back from daradiv.ini
    ASSERT_EQ(form2.ListView1->topLevelItemCount(), 2);
    form2.PageControl1->setCurrentWidget(form2.TabSheet2);
    AddFolder(forms, folder.File("bulk"), "大量");
    form2.Button3->click();
    seen = FollowStatus(
        form2, [&] { return form2.StatusText().startsWith("インデックス更新中"); }, kIndexMs);
    ASSERT_TRUE(seen.last().startsWith("インデックス更新中")) << seen.join("\n").toStdString();
    ASSERT_FALSE(processes.FindByName(program_files::kIndexerExecutable).empty());

    QString question;
    AnswerNextMessageBox(QMessageBox::Ok, &question);
    form2.Button3->click();
    EXPECT_EQ(question, "確認|インデックス更新を中止しますか？");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return processes.FindByName(program_files::kIndexerExecutable).empty(); }, kPageMs));
    EXPECT_NE(folder.Read(program_files::kUpdateLog).find("インデックス更新が中断されました"),
              std::string::npos);
    MarkDocument(view);
    seen = FollowStatus(
        form2, [&] { return form2.Update().UpdateRunning == 0; }, kIndexMs);
    ASSERT_EQ(form2.Update().UpdateRunning, 0);
    EXPECT_TRUE(seen.last().endsWith("  インデックス更新が中断されました"))
        << seen.join("\n").toStdString();
    ASSERT_TRUE(WaitForScript(view, LoadedWith("index.html")));
    EXPECT_TRUE(FrameText(view, "FrBody").contains("設定画面よりインデックスを更新してください"));

    // The stopped run left the first update's index in use.
    ASSERT_TRUE(SearchFor(view, "pdfplanted"));
    EXPECT_EQ(Rows(view), QStringList{"office_text.pdf"});
    ASSERT_TRUE(SearchFor(view, "大量"));
    EXPECT_TRUE(Rows(view).isEmpty());
}

}  // namespace
