// Starts the built viewer from a fresh program folder on Qt's offscreen platform and checks
// the frameset page it writes at start-up.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "text/text_file.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;

extern char** environ;

namespace {

std::string Frameset(const std::string& rows) {
    return "\xEF\xBB\xBF"
           "<HTML>\r\n<HEAD>\r\n"
           "<meta http-equiv=\"Content-Type\" content=\"text/html;  charset=UTF-8\">\r\n"
           "<TITLE>Ruvudar</TITLE>\r\n</HEAD>\r\n"
           "<FRAMESET ROWS=\"" + rows + "\" BORDER=\"1\">\r\n"
           "<FRAME SRC=\"search.html\" NAME=\"FrTop\" SCROLLING=\"no\" NORESIZE>\r\n"
           "<FRAME SRC=\"main.html\" NAME=\"FrBody\">\r\n"
           "</FRAMESET>\r\n</HTML>\r\n";
}

// A program folder holding a copy of the viewer (AppDir is the executable's own folder, so a
// symbolic link would point back at the build) and the library beside it.
class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTestFolder("ruvudar start ");
        const fs::path build = RUVUDAR_APPDIR_BUILD;
        fs::copy_file(build / "ruvudar", dir_ / "ruvudar");
        fs::create_symlink(build / "libsenna.so", dir_ / "libsenna.so");
    }
    void TearDown() override {
        Stop();
        fs::remove_all(dir_);
    }

    void Put(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }

    void Start() {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string v = *e;
            if (v.rfind("QT_QPA_PLATFORM=", 0) != 0 && v.rfind("QTWEBENGINE_DISABLE_SANDBOX=", 0) != 0)
                env.push_back(v);
        }
        env.push_back("QT_QPA_PLATFORM=offscreen");
        env.push_back("QTWEBENGINE_DISABLE_SANDBOX=1");
        std::vector<char*> envp;
        for (std::string& v : env) envp.push_back(v.data());
        envp.push_back(nullptr);
        std::string exe = (dir_ / "ruvudar").string();
        char* argv[] = {exe.data(), nullptr};

        // Its own process group, so the web engine's helper processes end with it.
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setpgroup(&attr, 0);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        ASSERT_EQ(posix_spawn(&pid_, exe.c_str(), nullptr, &attr, argv, envp.data()), 0);
        posix_spawnattr_destroy(&attr);
    }

    void Stop() {
        if (pid_ <= 0) return;
        ::kill(-pid_, SIGKILL);
        int status;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    // Waits (bounded) until the page has the expected bytes; the last content read.
    std::string WaitForPage(const std::string& expected) {
        const fs::path page = dir_ / "page" / "index.html";
        std::string bytes;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            bytes = ReadFileBytes(page.string()).value_or("");
            if (bytes == expected) break;
            int status;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                ADD_FAILURE() << "the viewer ended early";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return bytes;
    }

    fs::path dir_;
    pid_t pid_ = -1;
};

}  // namespace

TEST_F(ProgramRun, EmptyFolderGivesTheDefaultFrameset) {
    Start();
    EXPECT_EQ(WaitForPage(Frameset("120,*")), Frameset("120,*"));
    // Still running with the page loaded: start-up neither ended nor wrote any settings.
    EXPECT_GT(pid_, 0);
    EXPECT_FALSE(fs::exists(dir_ / "ruvudar.ini"));
}

TEST_F(ProgramRun, FrameHeightComesFromTheSettings) {
    struct Case { const char* value; const char* rows; } cases[] = {{"150", "150,*"},
                                                                    {"abc", "120,*"}};
    for (const Case& c : cases) {
        fs::remove_all(dir_ / "page");
        Put("ruvudar.ini", std::string("[COMMON]\r\nRHIGHT=") + c.value + "\r\n");
        Start();
        EXPECT_EQ(WaitForPage(Frameset(c.rows)), Frameset(c.rows)) << c.value;
        Stop();
    }
}
