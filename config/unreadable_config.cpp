#include "config/unreadable_config.h"

#include "platform/program_files.h"
#include "text/app_error.h"
#include "text/text_file.h"

namespace {

std::string Messages(const std::vector<UnreadableConfig>& files) {
    std::string text;
    for (const UnreadableConfig& f : files) text += f.message + "\n";
    return text;
}

const char* ThisFile(const std::vector<UnreadableConfig>& files) {
    return files.size() > 1 ? "これらのファイル" : "このファイル";
}

}  // namespace

std::vector<UnreadableConfig> UnreadableConfigFiles(const std::string& app_dir) {
    std::vector<UnreadableConfig> found;
    for (const char* name : {program_files::kIndexerConfig, program_files::kApplicationTable}) {
        try {
            ReadTextLines(app_dir + name);
        } catch (const UnreadableFileError& e) {
            found.push_back({e.path(), e.line(), e.what()});
        }
    }
    return found;
}

std::vector<UnreadableConfig> MergeUnreadable(std::vector<UnreadableConfig> first,
                                              const std::vector<UnreadableConfig>& second) {
    for (const UnreadableConfig& f : second) {
        bool known = false;
        for (const UnreadableConfig& g : first) known = known || g.path == f.path;
        if (!known) first.push_back(f);
    }
    return first;
}

std::string UnreadableConfigNotice(const std::vector<UnreadableConfig>& files) {
    return Messages(files) + ThisFile(files) +
           "を直して設定画面を開き直すまで、設定は保存されません。";
}

std::string ReplaceUnreadableQuestion(const std::vector<UnreadableConfig>& files) {
    return Messages(files) + ThisFile(files) + "の内容は画面に読み込まれていません。\n" +
           "画面の設定で" + ThisFile(files) + "を置き換えますか？（元の内容は失われます）";
}
