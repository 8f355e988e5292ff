#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/app_dir.h"
#include "app/form_create.h"
#include "app/forward_slashes.h"
#include "app/load_settings.h"
#include "pages/frameset_page.h"
#include "pages/page_head.h"
#include "text/app_error.h"
#include "text/text_file.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;

namespace {

const std::string kFrameset120 =
    "\xEF\xBB\xBF"
    "<HTML>\r\n<HEAD>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html;  charset=UTF-8\">\r\n"
    "<TITLE>Ruvudar</TITLE>\r\n</HEAD>\r\n"
    "<FRAMESET ROWS=\"120,*\" BORDER=\"1\">\r\n"
    "<FRAME SRC=\"search.html\" NAME=\"FrTop\" SCROLLING=\"no\" NORESIZE>\r\n"
    "<FRAME SRC=\"main.html\" NAME=\"FrBody\">\r\n"
    "</FRAMESET>\r\n</HTML>\r\n";

class ProgramFolder : public ::testing::Test {
protected:
    void SetUp() override {
        // A folder name with a blank, Japanese and a backslash, which all stay as they are.
        dir_ = MakeTestFolder("app test 文書\\");
        app_dir_ = dir_.string() + "/";
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Put(const std::string& name, const std::string& bytes) {
        std::ofstream(app_dir_ + name, std::ios::binary) << bytes;
    }
    std::string Bytes(const std::string& name) {
        return ReadFileBytes(app_dir_ + name).value_or("<missing>");
    }

    fs::path dir_;
    std::string app_dir_;
};

}  // namespace

TEST(ForwardSlashes, OnlyWholeCharacterBackslashesChange) {
    EXPECT_EQ(ToForwardSlashes("C:\\Tools\\Viewer\\"), "C:/Tools/Viewer/");
    EXPECT_EQ(ToForwardSlashes("C:\\表\\x"), "C:/表/x");
    // 0x5C inside a sequence covered by a lead byte (here a 5-byte lead F8) is not a character.
    EXPECT_EQ(ToForwardSlashes("\xF8\x5C\x5C\x5C\x5C\\"), "\xF8\x5C\x5C\x5C\x5C/");
    EXPECT_EQ(ToForwardSlashes("\x80\\"), "\x80/");  // a stray byte steps by one
    // A lead byte at the very end must not step past the text.
    EXPECT_EQ(ToForwardSlashes("\\\xE6"), "/\xE6");
    std::string longer(10000, '\\');
    EXPECT_EQ(ToForwardSlashes(longer), std::string(10000, '/'));
}

TEST(AppDir, FolderOfTheExecutable) {
    EXPECT_EQ(AppDirOf("/opt/ruvudar/ruvudar"), "/opt/ruvudar/");
    EXPECT_EQ(AppDirOf("/ruvudar"), "/");
    EXPECT_EQ(AppDirOf("/home/u/my tools\\x/文書/ruvudar"), "/home/u/my tools\\x/文書/");
    EXPECT_EQ(FramesetPagePath("/opt/a b/"), "/opt/a b/page/index.html");
    std::string exe = ExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(fs::path(exe).filename(), "app_test");
    EXPECT_TRUE(fs::exists(AppDirOf(exe) + "app_test"));
}

TEST(FramesetPage, LinesFollowHeightAndTitle) {
    ViewerState state;
    state.PageTitle = "T";
    state.FrameHeight = -15;
    std::vector<std::string> lines = FramesetPageLines(state);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[3], "<TITLE>T</TITLE>");
    EXPECT_EQ(lines[5], "<FRAMESET ROWS=\"-15,*\" BORDER=\"1\">");
    state.FrameHeight = 0;
    EXPECT_EQ(FramesetPageLines(state)[5], "<FRAMESET ROWS=\"0,*\" BORDER=\"1\">");
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5), PageHead(state));
}

TEST_F(ProgramFolder, FormCreateInAnEmptyFolder) {
    ViewerState state;
    state.SortKey = 4;
    state.Results = {"x"};
    FormCreate(state, app_dir_);
    EXPECT_EQ(state.AppDir, app_dir_);
    EXPECT_EQ(state.PathSeparator, "/");
    EXPECT_EQ(state.PageFile("index.html"), app_dir_ + "page/index.html");
    EXPECT_EQ(Bytes("page/index.html"), kFrameset120);
    EXPECT_EQ(state.SortKey, 0);
    EXPECT_TRUE(state.Results.empty());
    EXPECT_TRUE(state.Categories.empty());
    EXPECT_TRUE(state.CheckedCategories.empty());
    EXPECT_EQ(state.ScheduleType, 3);
    EXPECT_TRUE(state.MatchBody.present() && state.MatchHead.present());
    EXPECT_EQ(state.MatchBody.size, kBodyBufferSize);
    // No configuration file is created at start-up.
    EXPECT_FALSE(fs::exists(app_dir_ + "ruvudar.ini"));
    EXPECT_FALSE(fs::exists(app_dir_ + "daradiv.ini"));
}

TEST_F(ProgramFolder, FormCreateTicksEveryCategoryAndUsesTheHeight) {
    Put("ruvudar.ini", "[COMMON]\r\nRHIGHT=150\r\nSCTYP=1\r\nTIME1=5\r\n");
    Put("daradiv.ini", "[SearchDir]\r\n/a/;;文書\r\n/b/;;仕事\r\n/c/;;文書\r\n[ExtraDir]\r\n");
    ViewerState state;
    FormCreate(state, app_dir_.substr(0, app_dir_.size() - 1));  // "/" is appended
    EXPECT_EQ(state.AppDir, app_dir_);
    EXPECT_EQ(state.Categories, (std::vector<std::string>{"文書", "仕事"}));
    EXPECT_EQ(state.CheckedCategories, state.Categories);
    EXPECT_EQ(state.ScheduleType, 1);
    EXPECT_EQ(state.ScheduleDelay, 5);
    std::string page = Bytes("page/index.html");
    EXPECT_NE(page.find("<FRAMESET ROWS=\"150,*\" BORDER=\"1\">\r\n"), std::string::npos);
}

TEST_F(ProgramFolder, InvalidIndexerConfigIsReportedAfterTheFramesetIsWritten) {
    Put("ruvudar.ini", "[COMMON]\r\nRHIGHT=abc\r\n");
    Put("daradiv.ini", "[SearchDir]\r\n/a/;;\xE6\x96\r\n");
    ViewerState state;
    try {
        FormCreate(state, app_dir_);
        ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
        // Start-up names the file and the line, as the settings dialog does.
        EXPECT_EQ(std::string(e.what()),
                  app_dir_ + "daradiv.ini の 2 行目を読み込めません（UTF-8 ではない文字があります）");
    }
    EXPECT_EQ(Bytes("page/index.html"), kFrameset120);
    EXPECT_TRUE(state.SearchDirs.empty());
}

TEST_F(ProgramFolder, LoadSettingsFailureKeepsCategoriesAndChangesNothingElse) {
    ViewerState state;
    state.AppDir = app_dir_;
    state.Categories = {"old"};
    state.CheckedCategories = {"ticked"};
    state.SearchDirs = {"/x/;;old"};
    Put("ruvudar.ini", "[COMMON]\r\nTIME2=25\r\n");
    Put("daradiv.ini", "\xFF");
    EXPECT_THROW(LoadSettings(state), AppError);
    EXPECT_EQ(state.ScheduleHour, 25);  // ruvudar.ini was read first
    EXPECT_TRUE(state.SearchDirs.empty());
    EXPECT_EQ(state.Categories, (std::vector<std::string>{"old"}));

    fs::remove(app_dir_ + "daradiv.ini");
    LoadSettings(state);
    EXPECT_TRUE(state.Categories.empty());
    EXPECT_EQ(state.CheckedCategories, (std::vector<std::string>{"ticked"}));
}

TEST_F(ProgramFolder, PageWriteFailureIsAnError) {
    // The page folder cannot be created because a file of that name is in the way.
    Put("page", "");
    ViewerState state;
    try {
        FormCreate(state, app_dir_);
        ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(std::string(e.what()), app_dir_ + "page/index.html に書き込めません");
    }
}
