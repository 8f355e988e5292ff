// Shared set-up of the settings dialog tests: the Qt application, a temporary program
// folder, stand-ins for the choosers and message boxes, and helpers to drive modal dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "state/viewer_state.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "text/text_file.h"

inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "settings_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Chooser answers queued by the test; nothing queued means cancelled.
class FakeDialogs : public Dialogs {
  public:
    std::deque<std::optional<std::string>> folders;
    std::deque<std::optional<std::string>> open_files;
    std::vector<std::string> folder_titles;
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    bool confirm = true;

    std::optional<std::string> ChooseFolder(const std::string& title) override {
        folder_titles.push_back(title);
        return Next(folders);
    }
    std::optional<std::string> ChooseOpenFile() override { return Next(open_files); }
    std::optional<std::string> ChooseSaveFile(const std::string&) override { return {}; }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    bool ConfirmOkCancel(const std::string& text, const std::string& caption) override {
        questions.push_back(text + "|" + caption);
        return confirm;
    }

  private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& queue) {
        if (queue.empty()) return std::nullopt;
        auto answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

class FixedClock : public Clock {
  public:
    LocalTime now{2024, 1, 5, 7, 3, 9};
    LocalTime Now() override { return now; }
};

// A temporary program folder named after the running test.
class ProgramFolder {
  public:
    // suffix names a second folder of the same test.
    explicit ProgramFolder(const std::string& suffix = "") {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                (std::string("ruvudar_settings_") + info->test_suite_name() + "_" + info->name() +
                 suffix);
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_ / "page");
    }
    ~ProgramFolder() { std::filesystem::remove_all(path_); }
    std::string AppDir() const { return path_.string() + "/"; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        FILE* f = std::fopen(File(name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::string Read(const std::string& name) const {
        return ReadFileBytes(File(name)).value_or("<missing>");
    }

  private:
    std::filesystem::path path_;
};

// Runs act inside the next modal loop (the dialog a handler is about to exec).
inline void WhenModal(std::function<void()> act) {
    QTimer::singleShot(0, [act = std::move(act)] { act(); });
}
