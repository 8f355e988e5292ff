#include "pages/welcome_page.h"

#include <gtest/gtest.h>

#include "program_folder.h"

namespace {

using Lines = std::vector<std::string>;

const Lines kInstructions = {
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
    "・「今すぐインデックスを更新する」をクイックするとインディックスの作成が開始される<BR>",
    "<BR>",
    "・必要に応じて「スケジュール」でインデックスの自動更新をスケジュールする<BR>",
};

}  // namespace

class WelcomePage : public ProgramFolder {
  protected:
    // The whole page with body lines between "<BODY>" and the notice block.
    std::string Expected(const Lines& body) {
        Lines lines = kHead;
        lines.push_back("<BODY>");
        lines.insert(lines.end(), body.begin(), body.end());
        lines.insert(
            lines.end(),
            {
                "<BR><BR><BR><hr size=1 noshade><FONT SIZE=\"-1\"><B>＜お知らせ＞</B><BR>",
                "Ruvudarでは、ソースファイルの提供、カスタマイズ作業の請負も行っております。<BR>",
                "詳しくはホームページ、またはメールでお問い合わせください。<BR><BR>",
                "　ホームページ　： <a href=\"" + NoticeHomeUrl(state_.AppDir) +
                    "\" target=\"_blank\">home</A><BR>",
                "　メール　： <a href=\"mailto:\">mail</A></FONT>",
                "</BODY>",
                "</HTML>",
            });
        return PageBytes(lines);
    }
};

TEST_F(WelcomePage, FreshInstallationShowsTheSteps) {
    WriteWelcomePage(state_);
    EXPECT_EQ(Page("main.html"), Expected(kInstructions));
}

TEST_F(WelcomePage, AnInstalledCopyLinksToItsDocumentationFolder) {
    state_.ReadmeDir = "/usr/share/doc/ruvudar/";
    WriteWelcomePage(state_);
    std::string page = Page("main.html");
    EXPECT_NE(page.find("<a href=\"file:///usr/share/doc/ruvudar/README.md\" target=\"_blank\">"),
              std::string::npos);
    EXPECT_EQ(page.find(NoticeHomeUrl(state_.AppDir)), std::string::npos);
}

TEST_F(WelcomePage, IndexWithoutLogShowsOnlyTheNotice) {
    WriteFile("sindexi.dat", "/a;;1;;x;;1;;1;;2;;0;;0\r\n");
    WriteWelcomePage(state_);
    EXPECT_EQ(Page("main.html"), Expected({}));
}

TEST_F(WelcomePage, LogLinesAreShownAsTheyStand) {
    WriteFile("srep.txt", "\xEF\xBB\xBF\r\n[更新記録]\r\n<b>10</b> 件\nlast");
    WriteWelcomePage(state_);
    EXPECT_EQ(Page("main.html"),
              Expected({"<br>", "[更新記録]<br>", "<b>10</b> 件<br>", "last<br>"}));

    WriteFile("srep.txt", "");
    WriteFile("sindexi.dat", "");
    WriteWelcomePage(state_);
    EXPECT_EQ(Page("main.html"), Expected({}));
}

TEST_F(WelcomePage, LogThatIsNotUtf8IsShownRepaired) {
    WriteFile("srep.txt", "ok\r\nname \xFF.txt\r\n");
    WriteWelcomePage(state_);
    EXPECT_EQ(Page("main.html"), Expected({"ok<br>", "name \xEF\xBF\xBD.txt<br>"}));
}

TEST(NoticeHomeUrl, FileUrlOfTheShippedReadme) {
    EXPECT_EQ(NoticeHomeUrl("/opt/ruvudar/"), "file:///opt/ruvudar/README.md");
    EXPECT_EQ(NoticeHomeUrl("/home/u/my apps#1%/検索\"/"),
              "file:///home/u/my%20apps%231%25/%E6%A4%9C%E7%B4%A2%22/README.md");
}
