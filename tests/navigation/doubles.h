// Stand-ins for the platform: a save chooser that answers as told, a process starter that
// records argument vectors.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/processes.h"

class RecordingDialogs : public Dialogs {
  public:
    std::optional<std::string> save_answer;   // what the save chooser returns
    std::vector<std::string> proposed_names;  // every name the save chooser proposed
    std::vector<std::string> errors;

    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const std::string& proposed_name) override {
        proposed_names.push_back(proposed_name);
        return save_answer;
    }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    bool ConfirmOkCancel(const std::string&, const std::string&) override { return false; }
};

class RecordingProcesses : public Processes {
  public:
    std::vector<std::vector<std::string>> started;
    bool Spawn(const std::vector<std::string>& argv) override {
        started.push_back(argv);
        return true;
    }
    std::vector<int> FindByName(const std::string&) override { return {}; }
    bool Kill(int) override { return false; }
};
