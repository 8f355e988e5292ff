#include "platform/program_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/support/test_folder.h"
#include "text/app_error.h"

namespace fs = std::filesystem;

namespace {

TEST(PerUserFolder, FollowsTheDataHomeRule) {
    struct Case {
        const char* xdg;
        const char* home;
        std::string expected;
    };
    const Case cases[] = {
        {nullptr, "/home/u", "/home/u/.local/share/ruvudar/"},
        {"", "/home/u/", "/home/u/.local/share/ruvudar/"},
        {"/data/ユーザー", "/home/u", "/data/ユーザー/ruvudar/"},
        {"/data/", "/home/u", "/data/ruvudar/"},
        {"relative/data", "/home/u", "/home/u/.local/share/ruvudar/"},  // not absolute: ignored
        {nullptr, nullptr, ""},
        {nullptr, "home", ""},
        {"/x", nullptr, "/x/ruvudar/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(program_folder::PerUserFolder(c.xdg, c.home), c.expected)
            << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }
}

class ProgramFolderRule : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTestFolder("program_folder_");
        exe_ = (dir_ / "lib").string() + "/";
        fs::create_directories(exe_);
        const char* old = std::getenv("XDG_DATA_HOME");
        had_xdg_ = old != nullptr;
        if (old) old_xdg_ = old;
        ::setenv("XDG_DATA_HOME", (dir_ / "data home").c_str(), 1);
    }
    void TearDown() override {
        if (had_xdg_) ::setenv("XDG_DATA_HOME", old_xdg_.c_str(), 1);
        else ::unsetenv("XDG_DATA_HOME");
        fs::remove_all(dir_);
    }
    void Mark() { std::ofstream(exe_ + "per-user-folders") << "installed\n"; }

    fs::path dir_;
    std::string exe_;
    bool had_xdg_ = false;
    std::string old_xdg_;
};

TEST_F(ProgramFolderRule, WithoutTheMarkerTheExecutablesFolderIsTheProgramFolder) {
    EXPECT_FALSE(program_folder::IsPerUserInstall(exe_));
    EXPECT_EQ(program_folder::ProgramFolderFor(exe_), exe_);
    EXPECT_EQ(program_folder::InstalledReadmeFolder(exe_), "");
    EXPECT_FALSE(fs::exists(dir_ / "data home"));
    // A folder named like the marker does not count.
    fs::create_directories(exe_ + "per-user-folders");
    EXPECT_EQ(program_folder::ProgramFolderFor(exe_), exe_);
}

TEST_F(ProgramFolderRule, AnInstalledCopyMakesAPrivateFolderForTheUserAndKeepsIt) {
    Mark();
    ASSERT_TRUE(program_folder::IsPerUserInstall(exe_));
    EXPECT_EQ(program_folder::InstalledReadmeFolder(exe_),
              fs::path(exe_ + "../../share/doc/ruvudar/").lexically_normal().string());
    std::string expected = (dir_ / "data home" / "ruvudar").string() + "/";
    EXPECT_EQ(program_folder::ProgramFolderFor(exe_), expected);
    struct stat info {};
    ASSERT_EQ(::stat(expected.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A second start finds the same folder with its files untouched.
    const std::string settings = "[COMMON]\r\nSCTYP=1\r\n";
    std::ofstream(expected + "ruvudar.ini") << settings;
    EXPECT_EQ(program_folder::ProgramFolderFor(exe_), expected);
    EXPECT_EQ(fs::file_size(expected + "ruvudar.ini"), settings.size());
}

TEST_F(ProgramFolderRule, AFolderThatCannotBeMadeIsAnError) {
    Mark();
    std::ofstream(dir_ / "data home") << "a file, not a folder";
    EXPECT_THROW(program_folder::ProgramFolderFor(exe_), AppError);
}

TEST(ExecutableFolder, IsTheFolderOfTheRunningProgram) {
    std::string folder = program_folder::ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(folder + "platform_test", program_folder::ExecutablePath());
}

}  // namespace
