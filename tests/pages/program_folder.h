// A temporary program folder with its page folder, for the page writer tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "state/viewer_state.h"
#include "text/text_file.h"

class ProgramFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("pages_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "page");
        state_.AppDir = dir_.string() + "/";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void WriteFile(const std::string& name, const std::string& bytes) {
        std::ofstream(state_.AppDir + name, std::ios::binary) << bytes;
    }
    // The page file's bytes.
    std::string Page(const std::string& name) {
        return ReadFileBytes(state_.PageFile(name)).value_or("<missing>");
    }

    std::filesystem::path dir_;
    ViewerState state_;
};

// The bytes of a page file holding lines.
inline std::string PageBytes(const std::vector<std::string>& lines) {
    std::string bytes = "\xEF\xBB\xBF";
    for (const std::string& line : lines) bytes += line + "\r\n";
    return bytes;
}

inline const std::vector<std::string> kHead = {
    "<HTML>", "<HEAD>", "<meta http-equiv=\"Content-Type\" content=\"text/html;  charset=UTF-8\">",
    "<TITLE>Ruvudar</TITLE>", "</HEAD>"};
