// Index maintenance through the settings dialog, with a stand-in indexer: a shell script
// named daradiv in the test's program folder, run as a real process.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QWebEngineView>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/gui/tform1.h"
#include "pages/welcome_page.h"
#include "settings/settings_forms.h"
#include "settings/tform2.h"
#include "tests/settings/settings_fixture.h"

namespace {

namespace fs = std::filesystem;

// The real processes; the starts are recorded. Each test's stand-in holds the lock of its
// own program folder, so indexers of other tests running at the same time are neither
// counted nor killed.
class RecordingProcesses : public Processes {
  public:
    bool Spawn(const std::vector<std::string>& argv) override {
        spawned.push_back(argv);
        return SystemProcesses().Spawn(argv);
    }
    std::vector<int> FindByName(const std::string& name) override {
        return SystemProcesses().FindByName(name);
    }
    std::vector<int> FindFolderIndexer(const std::string& app_dir) override {
        return SystemProcesses().FindFolderIndexer(app_dir);
    }
    bool Kill(int pid) override { return SystemProcesses().Kill(pid); }

    std::vector<std::vector<std::string>> spawned;
};

// The stand-in indexer: takes the folder's lock as the indexer does (a second one leaves
// the file "lost" and exits),
// writes a progress line, waits for the test's "go", then writes the ended log.
const char* kStandIn =
    "#!/bin/sh\n"
    "dir=$(dirname \"$0\")\n"
    "[ \"$1\" = -j ] || exit 1\n"
    "exec 9<>\"$dir/daradiv.lock\"\n"
    "flock -n 9 || { : > \"$dir/lost\"; exit 1; }\n"
    "echo $$ > \"$dir/daradiv.lock\"\n"
    "printf '1 / 2 files\\r\\n' > \"$dir/srep.tmp\" && mv \"$dir/srep.tmp\" "
    "\"$dir/srep.txt\"\n"
    "while [ ! -e \"$dir/go\" ]; do sleep 0.02; done\n"
    "printf '\\r\\n[更新記録]\\r\\n2 files indexed\\r\\ndetail\\r\\n' > \"$dir/srep.tmp\"\n"
    "mv \"$dir/srep.tmp\" \"$dir/srep.txt\"\n";

void PlaceStandIn(const ProgramFolder& folder) {
    folder.Write("daradiv", kStandIn);
    fs::permissions(folder.File("daradiv"), fs::perms::owner_all);
}

// Waits, without running the event loop (so the dialog's own timer does not poll), until
// done() holds; false after 20 seconds.
bool WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 2000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

struct IndexMaintenance : ::testing::Test {
    QApplication& app = TestApplication();
    ProgramFolder folder;
    FakeDialogs dialogs;
    FixedClock clock;
    ViewerState state;
    RecordingProcesses processes;
    int homes = 0;

    void SetUp() override {
        state.AppDir = folder.AppDir();
        PlaceStandIn(folder);
    }
    void TearDown() override {
        for (int pid : processes.FindFolderIndexer(folder.AppDir())) processes.Kill(pid);
    }
    std::unique_ptr<TForm2> MakeForm() {
        auto form = std::make_unique<TForm2>(state, dialogs, processes, clock);
        form->SetHomeH1Click([this] {
            ++homes;
            WriteWelcomePage(state);
        });
        return form;
    }
    bool LogHas(const std::string& text) const {
        return folder.Read("srep.txt").find(text) != std::string::npos;
    }
    void Go() { folder.Write("go", ""); }
    bool IndexerGone() { return processes.FindFolderIndexer(folder.AppDir()).empty(); }
};

TEST_F(IndexMaintenance, UpdateNowSavesStartsAndFollowsTheIndexerToIdle) {
    folder.Write("srep.txt", "\r\n[更新記録]\r\nold run\r\n");
    auto form = MakeForm();
    EXPECT_EQ(form->Button3->text().toStdString(), "今すぐインディクスを更新する");
    EXPECT_FALSE(form->Timer1->isActive());
    form->CheckBox4->setChecked(true);
    form->Button3->click();

    // Settings written first, the old log deleted, the stop caption shown.
    EXPECT_NE(folder.Read("daradiv.ini").find(".pdf\r\n"), std::string::npos);
    EXPECT_EQ(folder.Read("ruvudar.ini").substr(0, 10), "[COMMON]\r\n");
    EXPECT_EQ(form->Button3->text().toStdString(), "インデックスの更新中止");
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 1000);
    ASSERT_EQ(processes.spawned.size(), 1u);
    EXPECT_EQ(processes.spawned[0], (std::vector<std::string>{folder.AppDir() + "daradiv", "-j"}));
    EXPECT_FALSE(LogHas("old run"));

    ASSERT_TRUE(WaitUntil([&] { return LogHas("1 / 2 files"); }));
    form->Timer1Timer();
    EXPECT_EQ(form->StatusText().toStdString(), "1 / 2 files");

    Go();
    ASSERT_TRUE(WaitUntil([&] { return LogHas("2 files indexed") && IndexerGone(); }));
    for (int poll = 1; poll <= 3; ++poll) {
        form->Timer1Timer();
        EXPECT_EQ(form->StatusText().toStdString(), "2 files indexed");
        EXPECT_EQ(form->Update().UpdateRunning, 1) << poll;
    }
    EXPECT_EQ(homes, 0);
    form->Timer1Timer();
    EXPECT_EQ(form->Update().UpdateRunning, 0);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Button3->text().toStdString(), "今すぐインディクスを更新する");
    EXPECT_EQ(homes, 1);
    EXPECT_NE(folder.Read("page/main.html").find("2 files indexed"), std::string::npos);
}

TEST_F(IndexMaintenance, RunningIndexerAtStartIsWatchedAndStoppedOnConfirmation) {
    ASSERT_TRUE(SystemProcesses().Spawn({folder.AppDir() + "daradiv", "-j"}));
    ASSERT_TRUE(WaitUntil([&] { return LogHas("1 / 2 files") && !IndexerGone(); }));
    auto form = MakeForm();
    EXPECT_EQ(form->Update().UpdateRunning, 1);
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Button3->text().toStdString(), "インデックスの更新中止");
    EXPECT_TRUE(processes.spawned.empty());
    EXPECT_TRUE(LogHas("1 / 2 files"));  // the log is kept

    // Cancel changes nothing.
    dialogs.confirm = false;
    form->Button3->click();
    EXPECT_EQ(dialogs.questions,
              (std::vector<std::string>{"インデックス更新を中止しますか？|確認"}));
    EXPECT_FALSE(IndexerGone());
    EXPECT_EQ(folder.Read("srep.txt"), "1 / 2 files\r\n");
    EXPECT_EQ(form->Update().UpdateRunning, 1);

    // A confirmed stop kills it and writes the abort entry; the state stays watching.
    dialogs.confirm = true;
    form->Button3->click();
    EXPECT_TRUE(WaitUntil([&] { return IndexerGone(); }));
    EXPECT_EQ(folder.Read("srep.txt"),
              "\xEF\xBB\xBF\r\n[更新記録]\r\n2024-01-05 07:03:09  インデックス更新が中断されました"
              "\r\n\r\n設定画面よりインデックスを更新してください\r\n");
    EXPECT_EQ(form->Update().UpdateRunning, 1);

    // A stop with no process left writes nothing.
    fs::remove(folder.File("srep.txt"));
    form->Button3->click();
    EXPECT_FALSE(fs::exists(folder.File("srep.txt")));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(IndexMaintenance, StopEndsThisFoldersIndexerAndNoOtherFolders) {
    // A second program folder whose indexer runs, and a second start in this folder, which
    // finds the lock taken and ends at once.
    ProgramFolder other("other");
    PlaceStandIn(other);
    struct EndOther {
        Processes& p;
        std::string dir;
        ~EndOther() {
            for (int pid : p.FindFolderIndexer(dir)) p.Kill(pid);
        }
    } end_other{processes, other.AppDir()};
    ASSERT_TRUE(SystemProcesses().Spawn({other.AppDir() + "daradiv", "-j"}));
    ASSERT_TRUE(WaitUntil([&] { return !processes.FindFolderIndexer(other.AppDir()).empty(); }));
    ASSERT_TRUE(WaitUntil([&] { return other.Read("srep.txt") == "1 / 2 files\r\n"; }));

    auto form = MakeForm();
    EXPECT_EQ(form->Update().UpdateRunning, 0);  // the other folder's indexer is not ours
    form->Button3->click();                      // starts one
    ASSERT_TRUE(SystemProcesses().Spawn({folder.AppDir() + "daradiv", "-j"}));
    ASSERT_TRUE(WaitUntil([&] { return !IndexerGone() && LogHas("1 / 2 files"); }));
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(folder.File("lost")); }));
    form->Button3->click();
    EXPECT_TRUE(WaitUntil([&] { return IndexerGone(); }));
    EXPECT_TRUE(LogHas("インデックス更新が中断されました"));
    // The abort entry ends the watch through the polls.
    for (int poll = 0; poll < 4; ++poll) form->Timer1Timer();
    EXPECT_EQ(form->Update().UpdateRunning, 0);
    EXPECT_EQ(form->StatusText().toStdString(),
              "2024-01-05 07:03:09  インデックス更新が中断されました");

    // The other folder's indexer ran on untouched and ends its own log.
    std::vector<int> others = processes.FindFolderIndexer(other.AppDir());
    ASSERT_EQ(others.size(), 1u);
    EXPECT_EQ(other.Read("srep.txt"), "1 / 2 files\r\n");
    other.Write("go", "");
    EXPECT_TRUE(WaitUntil([&] { return other.Read("srep.txt").find("2 files indexed") != std::string::npos; }));
}

TEST_F(IndexMaintenance, KilledIndexerIsShownInterruptedOnTheWelcomePage) {
    auto form = MakeForm();
    form->Button3->click();
    ASSERT_TRUE(WaitUntil([&] { return !IndexerGone() && LogHas("1 / 2 files"); }));
    form->Timer1Timer();
    EXPECT_EQ(form->Update().UpdateRunning, 1);
    // Killed from outside the viewer (or crashed).
    for (int pid : processes.FindFolderIndexer(folder.AppDir())) processes.Kill(pid);
    ASSERT_TRUE(WaitUntil([&] { return IndexerGone(); }));
    form->Timer1Timer();
    EXPECT_EQ(form->Update().UpdateRunning, 0);
    EXPECT_EQ(form->Button3->text().toStdString(), "今すぐインディクスを更新する");
    EXPECT_EQ(homes, 1);
    EXPECT_NE(folder.Read("page/main.html").find("前回のインデックス更新は完了しませんでした"),
              std::string::npos);
}

TEST_F(IndexMaintenance, MainWindowStatusBarFollowsTheScheduledUpdate) {
    TForm1 form1(folder.AppDir());
    SettingsForms forms = CreateSettingsForms(form1, processes, clock);
    form1.show();
    QCoreApplication::processEvents();
    const QSize window = form1.size();
    const QSize view = form1.CppWebBrowser1->size();
    EXPECT_FALSE(form1.StatusBar1->isVisible());

    // Started as the schedule starts it; the dialog stays hidden.
    form1.StartIndexerForm();
    EXPECT_TRUE(form1.StatusBar1->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return LogHas("1 / 2 files"); }));
    forms.form2->Timer1Timer();
    EXPECT_FALSE(forms.form2->isVisible());
    EXPECT_TRUE(form1.StatusBar1->isVisible());
    EXPECT_EQ(form1.StatusLabel1->text().toStdString(), "1 / 2 files");
    EXPECT_EQ(form1.ProgressBar1->maximum(), 2);
    EXPECT_EQ(form1.ProgressBar1->value(), 1);
    EXPECT_EQ(form1.size(), window);

    // It stays while the dialog watches the ended log, and goes with the watching state.
    Go();
    ASSERT_TRUE(WaitUntil([&] { return LogHas("2 files indexed") && IndexerGone(); }));
    for (int poll = 1; poll <= 3; ++poll) forms.form2->Timer1Timer();
    EXPECT_TRUE(form1.StatusBar1->isVisible());
    EXPECT_EQ(form1.StatusLabel1->text().toStdString(), "2 files indexed");
    forms.form2->Timer1Timer();
    EXPECT_EQ(forms.form2->Update().UpdateRunning, 0);
    EXPECT_FALSE(form1.StatusBar1->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(form1.size(), window);
    EXPECT_EQ(form1.CppWebBrowser1->size(), view);
}

}  // namespace
