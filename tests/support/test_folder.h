// A fresh, empty folder for the running test, named after the test so that tests running at
// the same time never share one. The caller removes it in TearDown.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

inline std::filesystem::path MakeTestFolder(const std::string& prefix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? info->name() : "shared";
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                (prefix + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}
