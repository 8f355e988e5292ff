#include "index_control/indexer_control.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "index_control/schedule.h"
#include "index_control/update_log.h"
#include "text/text_file.h"
#include "tests/support/test_folder.h"

namespace {

namespace fs = std::filesystem;

class FakeProcesses : public Processes {
  public:
    std::vector<std::vector<std::string>> spawned;
    std::vector<int> running;         // this folder's indexer, as FindFolderIndexer reports it
    std::map<int, bool> kill_result;  // default true
    std::vector<int> killed;
    std::string asked_folder;

    bool Spawn(const std::vector<std::string>& argv) override {
        spawned.push_back(argv);
        return true;
    }
    // A search by name would find another folder's indexer: it must not be asked.
    std::vector<int> FindByName(const std::string&) override { return {999}; }
    std::vector<int> FindFolderIndexer(const std::string& app_dir) override {
        asked_folder = app_dir;
        return running;
    }
    bool Kill(int pid) override {
        killed.push_back(pid);
        auto it = kill_result.find(pid);
        return it == kill_result.end() ? true : it->second;
    }
};

class FakeDialogs : public Dialogs {
  public:
    bool answer = true;
    std::vector<std::pair<std::string, std::string>> asked;
    std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return {}; }
    std::optional<std::string> ChooseSaveFile(const std::string&) override { return {}; }
    void ShowError(const std::string&) override {}
    bool ConfirmOkCancel(const std::string& text, const std::string& caption) override {
        asked.emplace_back(text, caption);
        return answer;
    }
};

class FakeClock : public Clock {
  public:
    LocalTime now{2024, 1, 5, 7, 3, 9};
    LocalTime Now() override { return now; }
};

struct IndexerControl : ::testing::Test {
    fs::path dir;
    FakeProcesses processes;
    FakeDialogs dialogs;
    FakeClock clock;
    UpdateState state;
    std::unique_ptr<IndexerContext> context;
    int homes = 0;

    void SetUp() override {
        dir = MakeTestFolder("ruvudar_indexer_control_");
        context = std::make_unique<IndexerContext>(
            IndexerContext{dir.string() + "/", processes, dialogs, clock});
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string LogPath() const { return (dir / "srep.txt").string(); }
    void WriteLog(const std::vector<std::string>& lines) {
        WriteTextFile(LogPath(), lines, ByteOrderMark::kWithout);
    }
    void Poll() {
        PollUpdateLog(state, *context, [this] { ++homes; });
    }
};

TEST_F(IndexerControl, StartDeletesTheLogAndLaunchesTheIndexer) {
    WriteLog({"", "[更新記録]", "old summary"});
    EXPECT_EQ(StartIndexer(state, *context), 1);
    EXPECT_FALSE(fs::exists(LogPath()));
    ASSERT_EQ(processes.spawned.size(), 1u);
    EXPECT_EQ(processes.spawned[0], (std::vector<std::string>{context->app_dir + "daradiv", "-j"}));
    EXPECT_EQ(state.UpdateRunning, 1);
    EXPECT_TRUE(state.TimerEnabled);
    EXPECT_EQ(state.TimerInterval, 1000);
    EXPECT_EQ(state.Button3Caption, "インデックスの更新中止");

    // While watching, a second start does nothing at all.
    WriteLog({"progress"});
    EXPECT_EQ(StartIndexer(state, *context), -1);
    EXPECT_TRUE(fs::exists(LogPath()));
    EXPECT_EQ(processes.spawned.size(), 1u);
}

TEST_F(IndexerControl, PollFollowsTheLogAndReturnsToIdleOnTheFourthEndedPoll) {
    StartIndexer(state, *context);
    processes.running = {77};
    Poll();
    EXPECT_EQ(state.StatusText, "Index is not created.");
    WriteLog({"12 / 40 files"});
    Poll();
    EXPECT_EQ(state.StatusText, "12 / 40 files");
    WriteLog({"", "[更新記録]", "2024-01-05 07:03:09  done", "detail"});
    for (int poll = 1; poll <= 3; ++poll) {
        Poll();
        EXPECT_EQ(state.StatusText, "2024-01-05 07:03:09  done");
        EXPECT_EQ(state.UpdateRunning, 1) << poll;
        EXPECT_TRUE(state.TimerEnabled);
    }
    EXPECT_EQ(homes, 0);
    Poll();
    EXPECT_EQ(state.UpdateRunning, 0);
    EXPECT_FALSE(state.TimerEnabled);
    EXPECT_EQ(state.Button3Caption, "今すぐインディクスを更新する");
    EXPECT_EQ(homes, 1);
    // In idle every later poll with the ended log runs home again.
    Poll();
    EXPECT_EQ(homes, 2);
}

TEST_F(IndexerControl, PollWithoutHeaderLeavesTheStatus) {
    state.StatusText = "before";
    WriteLog({"", "free text"});
    Poll();
    EXPECT_EQ(state.StatusText, "before");
    EXPECT_EQ(state.FinishTicks, 0);
}

TEST_F(IndexerControl, RunningIndexerAtCreationIsWatchedAndItsLogKept) {
    WriteLog({"3 / 9 files"});
    processes.running = {4242};
    WatchRunningIndexer(state, *context);
    EXPECT_EQ(processes.asked_folder, context->app_dir);
    EXPECT_EQ(state.UpdateRunning, 1);
    EXPECT_TRUE(state.TimerEnabled);
    EXPECT_EQ(state.Button3Caption, "インデックスの更新中止");
    EXPECT_TRUE(processes.spawned.empty());
    EXPECT_TRUE(fs::exists(LogPath()));

    // None running while the log shows an update under way: it was interrupted, and the
    // log says so before the welcome page is first written.
    UpdateState idle;
    processes.running.clear();
    WatchRunningIndexer(idle, *context);
    EXPECT_EQ(idle.UpdateRunning, 0);
    EXPECT_FALSE(idle.TimerEnabled);
    EXPECT_EQ(ReadUpdateLog(context->app_dir),
              (std::vector<std::string>{"", "[更新記録]",
                                        "2024-01-05 07:03:09  前回のインデックス更新は完了しませんでした",
                                        "", "設定画面よりインデックスを更新してください"}));
}

TEST_F(IndexerControl, UpdateUnderWayWithoutItsIndexerIsMarkedInterruptedAndEndsTheWatch) {
    const std::string interrupted =
        "\xEF\xBB\xBF\r\n[更新記録]\r\n2024-01-05 07:03:09  前回のインデックス更新は完了しませんでした"
        "\r\n\r\n設定画面よりインデックスを更新してください\r\n";
    StartIndexer(state, *context);
    // Launched but not yet writing: no log is no sign of an interruption.
    Poll();
    EXPECT_FALSE(fs::exists(LogPath()));
    EXPECT_EQ(state.UpdateRunning, 1);

    processes.running = {77};
    WriteLog({"12 / 40 files"});
    Poll();
    EXPECT_EQ(state.StatusText, "12 / 40 files");
    EXPECT_EQ(ReadFileBytes(LogPath()), std::optional<std::string>("12 / 40 files\r\n"));

    // The indexer was killed: one poll marks the log and returns to idle.
    processes.running.clear();
    Poll();
    EXPECT_EQ(ReadFileBytes(LogPath()), std::optional<std::string>(interrupted));
    EXPECT_EQ(state.StatusText, "2024-01-05 07:03:09  前回のインデックス更新は完了しませんでした");
    EXPECT_EQ(state.UpdateRunning, 0);
    EXPECT_FALSE(state.TimerEnabled);
    EXPECT_EQ(state.Button3Caption, "今すぐインディクスを更新する");
    EXPECT_EQ(homes, 1);

    // An ended log is never marked, whoever is running.
    clock.now.minute = 59;
    WriteLog({"", "[更新記録]", "done"});
    Poll();
    EXPECT_EQ(ReadFileBytes(LogPath()), std::optional<std::string>("\r\n[更新記録]\r\ndone\r\n"));
    EXPECT_TRUE(processes.killed.empty());
}

TEST_F(IndexerControl, ConfirmedStopKillsEveryIndexerAndWritesTheAbortEntry) {
    processes.running = {101, 202};
    WriteLog({"progress"});
    StopIndexer(*context);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].first, "インデックス更新を中止しますか？");
    EXPECT_EQ(dialogs.asked[0].second, "確認");
    EXPECT_EQ(processes.killed, (std::vector<int>{101, 202}));
    auto bytes = ReadFileBytes(LogPath());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes,
              "\xEF\xBB\xBF\r\n[更新記録]\r\n2024-01-05 07:03:09  インデックス更新が中断されました"
              "\r\n\r\n設定画面よりインデックスを更新してください\r\n");
    // The abort entry then ends the watch like any ended log.
    Poll();
    EXPECT_EQ(state.StatusText, "2024-01-05 07:03:09  インデックス更新が中断されました");
}

TEST_F(IndexerControl, StopThatWritesNothing) {
    struct Case {
        const char* name;
        bool answer;
        std::vector<int> running;
        std::map<int, bool> kill_result;
        std::vector<int> expected_killed;
    } cases[] = {
        {"cancel", false, {101}, {}, {}},
        {"no process", true, {}, {}, {}},
        {"last kill failed", true, {101, 202}, {{202, false}}, {101, 202}},
    };
    for (const Case& c : cases) {
        WriteLog({"progress"});
        dialogs.answer = c.answer;
        processes.running = c.running;
        processes.kill_result = c.kill_result;
        processes.killed.clear();
        StopIndexer(*context);
        EXPECT_EQ(processes.killed, c.expected_killed) << c.name;
        EXPECT_EQ(ReadFileBytes(LogPath()), std::optional<std::string>("progress\r\n")) << c.name;
    }
}

TEST_F(IndexerControl, ScheduledTickWhileWatchingIsSkipped) {
    ViewerState viewer;
    viewer.ScheduleType = 2;
    viewer.ScheduleHour = 7;
    viewer.ScheduleMinute = 3;
    EnterWatching(state);  // an update is being watched
    auto start = [this] { StartIndexer(state, *context); };
    ScheduleTick(viewer, clock, start);
    EXPECT_TRUE(processes.spawned.empty());
    // The same minute does not fire later, even once the dialog is idle again.
    state = UpdateState{};
    clock.now.second = 40;
    ScheduleTick(viewer, clock, start);
    EXPECT_TRUE(processes.spawned.empty());
    // The next day's 07:03 starts it.
    clock.now.day += 1;
    clock.now.minute = 2;
    ScheduleTick(viewer, clock, start);
    clock.now.minute = 3;
    ScheduleTick(viewer, clock, start);
    EXPECT_EQ(processes.spawned.size(), 1u);
}

}  // namespace
