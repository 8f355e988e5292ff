#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/profile.h"
#include "text/text_file.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTestFolder("profile_test_");
        path_ = (dir_ / "ruvudar.ini").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Put(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string Bytes() { return ReadFileBytes(path_).value_or("<missing>"); }

    fs::path dir_;
    std::string path_;
};

TEST_F(ProfileTest, MissingFileOrKeyGivesDefault) {
    EXPECT_EQ(GetProfileString("COMMON", "SCTYP", "3", path_), "3");
    Put("[COMMON]\r\nTIME1=5\r\n[OTHER]\r\nSCTYP=1\r\n");
    EXPECT_EQ(GetProfileString("COMMON", "SCTYP", "3", path_), "3");  // only in another section
    EXPECT_EQ(GetProfileString("NOPE", "TIME1", "0", path_), "0");
}

TEST_F(ProfileTest, ReadsCaseInsensitivelyAndTrimsBlanks) {
    Put("\xEF\xBB\xBF; comment\n[common]\nrhight =  150 \r  Time1=7\r\n");
    EXPECT_EQ(GetProfileString("COMMON", "RHIGHT", "120", path_), "150");
    EXPECT_EQ(GetProfileString("Common", "TIME1", "0", path_), "7");
    EXPECT_EQ(GetProfileString("COMMON", "; comment", "x", path_), "x");
}

TEST_F(ProfileTest, WriteCreatesFileInKeyOrder) {
    for (const char* key : {"SCTYP", "TIME1", "TIME2", "TIME3", "RHIGHT"})
        ASSERT_TRUE(WriteProfileString("COMMON", key, "0", path_));
    ASSERT_TRUE(WriteProfileString("COMMON", "TIME2", "-7", path_));
    EXPECT_EQ(Bytes(), "[COMMON]\r\nSCTYP=0\r\nTIME1=0\r\nTIME2=-7\r\nTIME3=0\r\nRHIGHT=0\r\n");
}

TEST_F(ProfileTest, WriteKeepsOtherKeysSectionsAndLines) {
    Put("; kept comment\n[Other]\nSCTYP=9\n\n[common]\nsctyp = 1\nExtra=yes\n\n[Last]\nA=b");
    ASSERT_TRUE(WriteProfileString("COMMON", "SCTYP", "2", path_));
    ASSERT_TRUE(WriteProfileString("COMMON", "RHIGHT", "150", path_));  // new key: end of section
    ASSERT_TRUE(WriteProfileString("New", "K", "v", path_));            // new section: end of file
    EXPECT_EQ(Bytes(),
              "; kept comment\r\n[Other]\r\nSCTYP=9\r\n\r\n[common]\r\nSCTYP=2\r\nExtra=yes\r\n"
              "RHIGHT=150\r\n\r\n[Last]\r\nA=b\r\n\r\n[New]\r\nK=v\r\n");
    EXPECT_EQ(GetProfileString("other", "sctyp", "", path_), "9");
    EXPECT_EQ(GetProfileString("COMMON", "SCTYP", "", path_), "2");
}

TEST_F(ProfileTest, WriteFailsWithoutTouchingTheFile) {
    // A line break in the value would smuggle in lines of its own.
    EXPECT_FALSE(WriteProfileString("COMMON", "SCTYP", "1\r\n[X]", path_));
    EXPECT_FALSE(fs::exists(path_));
    EXPECT_FALSE(WriteProfileString("COMMON", "SCTYP", "1", (dir_ / "no/such/dir.ini").string()));

    // A name that cannot be replaced (a folder): the write fails and leaves no temporary file.
    fs::create_directories(path_ + "/inside");
    EXPECT_FALSE(WriteProfileString("COMMON", "SCTYP", "2", path_));
    EXPECT_TRUE(fs::is_directory(path_ + "/inside"));
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename(), "ruvudar.ini");
}
