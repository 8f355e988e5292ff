// Configuration files that could not be read whole (a byte that is not UTF-8). Such a file
// is never written over unasked: the settings dialog names it and its line, and saves
// nothing until it has been mended or the user has agreed to replace it.
#pragma once

#include <string>
#include <vector>

struct UnreadableConfig {
    std::string path;     // full path
    size_t line = 0;      // the line (from 1) that holds the first byte that is not UTF-8
    std::string message;  // names the file and the line
    bool operator==(const UnreadableConfig&) const = default;
};

// Of the files the dialog reads as UTF-8 text, daradiv.ini and appset.ini in app_dir, those
// that cannot be read whole now. (ruvudar.ini is read and written key by key, its other
// bytes kept, so it is never lost this way.)
std::vector<UnreadableConfig> UnreadableConfigFiles(const std::string& app_dir);

// files, with every path taken once (the first entry of a path wins).
std::vector<UnreadableConfig> MergeUnreadable(std::vector<UnreadableConfig> first,
                                              const std::vector<UnreadableConfig>& second);

// Shown after the dialog has loaded: which file and line, and that nothing is saved.
std::string UnreadableConfigNotice(const std::vector<UnreadableConfig>& files);

// Asked (OK/Cancel, caption kConfirmCaption) before OK or the update button would replace
// them: which file and line, and that its content was not loaded and would be lost.
std::string ReplaceUnreadableQuestion(const std::vector<UnreadableConfig>& files);
inline constexpr const char* kConfirmCaption = "確認";
