// The main window in-process on Qt's offscreen platform: the web view loads the frameset
// page of the program folder, the menu, the size and the minimise rule.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <filesystem>
#include <fstream>

#include "app/gui/tform1.h"
#include "app/gui/web_page.h"
#include "platform/desktop.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;

namespace {

class RecordingProcesses : public Processes {
public:
    bool Spawn(const std::vector<std::string>& argv) override {
        started.push_back(argv);
        return true;
    }
    std::vector<int> FindByName(const std::string&) override { return {}; }
    bool Kill(int) override { return false; }
    std::vector<std::vector<std::string>> started;
};

class NoDialogs : public Dialogs {
public:
    std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return {}; }
    std::optional<std::string> ChooseSaveFile(const std::string&) override { return {}; }
    void ShowError(const std::string&) override {}
    bool ConfirmOkCancel(const std::string&, const std::string&) override { return false; }
};

QApplication& App() {
    static int argc = 1;
    static char name[] = "main_window_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        dir_ = MakeTestFolder("main window #1 ");
        app_dir_ = dir_.string() + "/";
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::string app_dir_;
};

}  // namespace

TEST_F(MainWindow, ShowsTheFramesetPageOfTheProgramFolder) {
    TForm1 form(app_dir_);
    EXPECT_EQ(form.windowTitle(), "Ruvudar");
    QList<QAction*> items = form.menuBar()->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "終了(&E)");
    EXPECT_EQ(items[1]->text(), "設定(&S)");
    EXPECT_EQ(items[2]->text(), "ホーム(&H)");
    for (QAction* item : items) EXPECT_EQ(item->menu(), nullptr);
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 60000);

    QSignalSpy loaded(form.CppWebBrowser1, &QWebEngineView::loadFinished);
    form.show();
    ASSERT_TRUE(loaded.wait(30000) || !loaded.isEmpty());
    // "#" in the folder name is percent-encoded by the file-URL rule.
    QUrl url = form.CppWebBrowser1->url();
    EXPECT_EQ(url, QUrl::fromLocalFile(QString::fromStdString(app_dir_ + "page/index.html")));
    EXPECT_TRUE(url.toString(QUrl::FullyEncoded).contains("%23"));
    EXPECT_EQ(form.CppWebBrowser1->title(), "Ruvudar");
    EXPECT_EQ(form.CppWebBrowser1->size(), QSize(784, 761));
}

TEST_F(MainWindow, HomeResetsTheSearchState) {
    std::ofstream(dir_ / "daradiv.ini", std::ios::binary) << "[SearchDir]\r\n/a/;;文書\r\n";
    TForm1 form(app_dir_);
    ViewerState& state = form.State();
    state.Keyword = "key";
    state.Results = {"r"};
    state.SortKey = 2;
    state.PageIndex = 3;
    state.CheckedCategories.clear();
    form.HomeH1Click();
    EXPECT_TRUE(state.Keyword.empty());
    EXPECT_TRUE(state.Results.empty());
    EXPECT_EQ(state.SortKey, 0);
    EXPECT_EQ(state.PageIndex, 0);
    EXPECT_EQ(state.CheckedCategories, (std::vector<std::string>{"文書"}));
}

TEST_F(MainWindow, MinimisingMinimisesEveryWindowAndRestoreBringsThemBack) {
    TForm1 form(app_dir_);
    QWidget dialog;
    form.show();
    dialog.show();
    form.showMinimized();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.isMinimized(), 5000);
    form.showNormal();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isMinimized(), 5000);
}

TEST_F(MainWindow, LinksElsewhereOpenOnTheDesktopAndTheViewStays) {
    if (DefaultOpener().empty()) GTEST_SKIP() << "no xdg-open";
    const std::string file = app_dir_ + "links.html";
    std::ofstream(file, std::ios::binary)
        << "<html><body><a id=web href=\"http://example.invalid/x?a=1\">web</a>"
           "<a id=blank href=\"file:///tmp/readme%20x.md\" target=\"_blank\">blank</a>"
           "</body></html>";
    ViewerState state;
    state.AppDir = app_dir_;
    NoDialogs dialogs;
    RecordingProcesses processes;
    NavigationContext context{dialogs, processes};
    QWebEngineView view;
    WebPage* page = new WebPage(state, context, &view, &view);
    view.setPage(page);
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    const QUrl start = QUrl::fromLocalFile(QString::fromStdString(file));
    view.setUrl(start);
    ASSERT_TRUE(loaded.wait(30000) || !loaded.isEmpty());

    page->runJavaScript("document.getElementById('web').click();");
    QTRY_COMPARE_WITH_TIMEOUT(processes.started.size(), size_t(1), 10000);
    EXPECT_EQ(processes.started[0],
              (std::vector<std::string>{DefaultOpener(), "http://example.invalid/x?a=1"}));
    page->runJavaScript("document.getElementById('blank').click();");
    QTRY_COMPARE_WITH_TIMEOUT(processes.started.size(), size_t(2), 10000);
    EXPECT_EQ(processes.started[1][1], "file:///tmp/readme%20x.md");
    EXPECT_EQ(view.url(), start);
}
