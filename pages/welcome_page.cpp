#include "pages/welcome_page.h"

#include <cstdio>

#include "platform/program_files.h"
#include "index_control/update_log.h"
#include "pages/page_head.h"
#include "text/text_file.h"

namespace {

// Bytes that may stand in a file URL as they are; every other byte is percent-encoded.
bool UrlSafe(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

}  // namespace

std::string NoticeHomeUrl(const std::string& app_dir) {
    std::string url = "file://";
    for (unsigned char c : app_dir + kNoticeHomeFile) {
        if (UrlSafe(c)) {
            url += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            url += hex;
        }
    }
    return url;
}

std::vector<std::string> WelcomePageLines(const ViewerState& state) {
    const bool has_log = FileExists(state.AppFile(program_files::kUpdateLog));
    const bool has_index = FileExists(state.AppFile(program_files::kInformationFile));

    std::vector<std::string> lines = PageHead(state);
    lines.push_back("<BODY>");
    if (!has_log && !has_index) {
        lines.insert(
            lines.end(),
            {
                "<B>[インデックス未作成]</B><BR>",
                "<BR>",
                "以下の手順でインデックスを作成してください。<BR>",
                "<BR>",
                "・「メニュー」の”設定”をクイック<BR>",
                "<BR>",
                "・「対象ファイル」で検索対象のファイルを設定<BR>",
                "<BR>",
                "・「対象ディレクトリー」で検索対象のディレクトリーを設定<BR>",
                "<BR>",
                "・「今すぐインデックスを更新する」をクイックするとインディックスの作成が開始される"
                "<BR>",
                "<BR>",
                "・必要に応じて「スケジュール」でインデックスの自動更新をスケジュールする<BR>",
            });
    } else if (has_log) {
        // The log is mark-up of its own (the indexer escapes file names in it).
        if (auto log = ReadUpdateLog(state.AppDir))
            for (const std::string& line : *log) lines.push_back(line + "<br>");
    }
    lines.insert(
        lines.end(),
        {
            "<BR><BR><BR><hr size=1 noshade><FONT SIZE=\"-1\"><B>＜お知らせ＞</B><BR>",
            "Ruvudarでは、ソースファイルの提供、カスタマイズ作業の請負も行っております。<BR>",
            "詳しくはホームページ、またはメールでお問い合わせください。<BR><BR>",
            "　ホームページ　： <a href=\"" + NoticeHomeUrl(state.ReadmeDir.empty() ? state.AppDir : state.ReadmeDir) +
                "\" target=\"_blank\">home</A><BR>",
            std::string("　メール　： <a href=\"mailto:") + kNoticeMailAddress +
                "\">mail</A></FONT>",
            "</BODY>",
            "</HTML>",
        });
    return lines;
}

void WriteWelcomePage(const ViewerState& state) {
    WritePageFile(state.PageFile("main.html"), WelcomePageLines(state));
}
