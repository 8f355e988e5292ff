// This folder's indexer among real processes: two program folders, each with a process that
// holds its lock (as the indexer does), and a foreign process whose name is daradiv.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "index_control/indexer_control.h"
#include "index_control/update_log.h"
#include "platform/indexer_lock.h"
#include "text/text_file.h"
#include "tests/support/test_folder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

class NoDialogs : public Dialogs {
  public:
    int asked = 0;
    std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return {}; }
    std::optional<std::string> ChooseSaveFile(const std::string&) override { return {}; }
    void ShowError(const std::string&) override {}
    bool ConfirmOkCancel(const std::string&, const std::string&) override {
        ++asked;
        return true;
    }
};

class StillClock : public Clock {
  public:
    LocalTime Now() override { return {2024, 1, 5, 7, 3, 9}; }
};

// A child process that takes the lock of app_dir, as the indexer does, and waits.
pid_t StartLockHolder(const std::string& app_dir) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        char ok = AcquireIndexerLock(app_dir) >= 0 ? 'y' : 'n';
        (void)::write(ready[1], &ok, 1);
        while (true) ::pause();
    }
    ::close(ready[1]);
    char ok = 'n';
    if (pid < 0 || ::read(ready[0], &ok, 1) != 1 || ok != 'y') pid = -1;
    ::close(ready[0]);
    return pid;
}

// A foreign process called daradiv: a copy of sleep under that name, outside any folder.
pid_t StartForeignDaradiv(const fs::path& dir) {
    fs::path exe = dir / "daradiv";
    fs::copy_file("/bin/sleep", exe, fs::copy_options::overwrite_existing);
    std::string path = exe.string();
    char* argv[] = {path.data(), const_cast<char*>("60"), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return -1;
    return pid;
}

bool Alive(pid_t pid) {
    int status;
    return ::waitpid(pid, &status, WNOHANG) == 0;
}

void End(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    int status;
    ::waitpid(pid, &status, 0);
}

struct FolderIndexer : ::testing::Test {
    fs::path root;
    std::string first, second, foreign_dir;
    NoDialogs dialogs;
    StillClock clock;
    std::vector<pid_t> started;

    void SetUp() override {
        root = MakeTestFolder("ruvudar_folder_indexer_");
        for (const char* name : {"first", "second", "foreign"}) fs::create_directories(root / name);
        first = (root / "first").string() + "/";
        second = (root / "second").string() + "/";
        foreign_dir = (root / "foreign").string();
    }
    void TearDown() override {
        for (pid_t pid : started) End(pid);
        fs::remove_all(root);
    }
    pid_t Track(pid_t pid) {
        if (pid > 0) started.push_back(pid);
        return pid;
    }
    IndexerContext Context(const std::string& app_dir) {
        return IndexerContext{app_dir, SystemProcesses(), dialogs, clock};
    }
    void WriteLog(const std::string& app_dir, const std::string& line) {
        WriteTextFile(UpdateLogPath(app_dir), {line}, ByteOrderMark::kWithout);
    }
};

TEST_F(FolderIndexer, EachFolderFindsAndStopsOnlyItsOwnIndexer) {
    pid_t a = Track(StartLockHolder(first));
    pid_t b = Track(StartLockHolder(second));
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    IndexerContext in_first = Context(first);
    IndexerContext in_second = Context(second);
    EXPECT_EQ(FindIndexerProcesses(in_first), std::vector<int>{a});
    EXPECT_EQ(FindIndexerProcesses(in_second), std::vector<int>{b});
    // A second run in a folder whose indexer runs cannot take the lock.
    EXPECT_EQ(AcquireIndexerLock(first), -1);

    WriteLog(first, "1 / 2 files");
    WriteLog(second, "5 / 9 files");
    StopIndexer(in_second);
    ASSERT_EQ(::waitpid(b, nullptr, 0), b);
    started.erase(std::find(started.begin(), started.end(), b));
    EXPECT_TRUE(Alive(a));
    EXPECT_EQ(ReadFileBytes(UpdateLogPath(first)), std::optional<std::string>("1 / 2 files\r\n"));
    EXPECT_NE(ReadFileBytes(UpdateLogPath(second)).value_or("").find("インデックス更新が中断されました"),
              std::string::npos);

    // The second folder's stop, with its own indexer gone, touches nothing of the first.
    WriteLog(second, "");
    StopIndexer(in_second);
    EXPECT_TRUE(Alive(a));
    EXPECT_EQ(ReadFileBytes(UpdateLogPath(second)), std::optional<std::string>("\r\n"));
    EXPECT_EQ(FindIndexerProcesses(in_first), std::vector<int>{a});
}

TEST_F(FolderIndexer, ForeignProcessNamedDaradivIsNeverWatchedNorKilled) {
    pid_t foreign = Track(StartForeignDaradiv(foreign_dir));
    ASSERT_GT(foreign, 0);
    // Give exec time to name the process.
    for (int i = 0; i < 200; ++i) {
        std::vector<int> named = SystemProcesses().FindByName("daradiv");
        if (std::find(named.begin(), named.end(), foreign) != named.end()) break;
        ::usleep(10000);
    }
    std::vector<int> named = SystemProcesses().FindByName("daradiv");
    ASSERT_NE(std::find(named.begin(), named.end(), foreign), named.end());

    // Even a lock left by a dead indexer that names the foreign process does not make it
    // this folder's indexer: it does not hold the lock.
    WriteTextFile(first + "daradiv.lock", {std::to_string(foreign)}, ByteOrderMark::kWithout);
    IndexerContext fresh = Context(first);
    EXPECT_TRUE(FindIndexerProcesses(fresh).empty());
    UpdateState state;
    WatchRunningIndexer(state, fresh);
    EXPECT_EQ(state.UpdateRunning, 0);
    EXPECT_EQ(state.Button3Caption, "今すぐインディクスを更新する");

    StopIndexer(fresh);
    EXPECT_EQ(dialogs.asked, 1);
    EXPECT_TRUE(Alive(foreign));
    EXPECT_FALSE(fs::exists(UpdateLogPath(first)));
}

TEST_F(FolderIndexer, KilledIndexerLeavesAnInterruptedLogAndNoWatch) {
    pid_t a = Track(StartLockHolder(first));
    ASSERT_GT(a, 0);
    WriteLog(first, "インデックス更新中 3 / 9");
    IndexerContext context = Context(first);
    UpdateState state;
    WatchRunningIndexer(state, context);
    EXPECT_EQ(state.UpdateRunning, 1);
    End(a);
    started.clear();
    // The lock file still names the dead process.
    EXPECT_EQ(ReadIndexerLockId(first), a);
    int homes = 0;
    PollUpdateLog(state, context, [&] { ++homes; });
    EXPECT_EQ(state.UpdateRunning, 0);
    EXPECT_EQ(homes, 1);
    EXPECT_EQ(state.StatusText, "2024-01-05 07:03:09  前回のインデックス更新は完了しませんでした");
}

}  // namespace
