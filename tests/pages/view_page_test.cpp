#include "pages/view_page.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "program_folder.h"
#include "search/index_files.h"

namespace {

using Lines = std::vector<std::string>;

std::string Mark(const std::string& text) { return "<span class=\"keyword\">" + text + "</span>"; }

// Occurrence k: its anchor, its mark and its links (no next one after the last).
std::string Occurrence(int k, const std::string& shown, bool last) {
    std::string links = "<SUP class=\"vnav\"><A href=\"#h1\">最初</A>";
    if (k > 1) links += "<A href=\"#h" + std::to_string(k - 1) + "\">前</A>";
    if (!last) links += "<A href=\"#h" + std::to_string(k + 1) + "\">次</A>";
    return "<A id=\"h" + std::to_string(k) + "\"></A>" + Mark(shown) + links + "</SUP>";
}

// The marked text of a preview page, its paragraphs joined; "<missing>" without one.
std::string Body(const std::string& page) {
    const std::string open = "<DIV class=\"vtext\"><P>", close = "</P></DIV>\r\n";
    size_t from = page.find(open), to = page.find(close);
    if (from == std::string::npos || to == std::string::npos) return "<missing>";
    std::string body = page.substr(from + open.size(), to - from - open.size());
    for (size_t at; (at = body.find("</P>\r\n<P>")) != std::string::npos;) body.erase(at, 9);
    return body;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace

class ViewPage : public ProgramFolder {
  protected:
    // Writes catalogue pair 1 with the document and puts its hit record in Results.
    void AddHit(const std::string& path, const std::string& text) {
        index_files::CatalogueWriter writer;
        writer.Open(state_.AppFile(index_files::DisplayCatalogueName(1)),
                    state_.AppFile(index_files::FoldedCatalogueName(1)), false);
        index_files::RecordPlacement at = *writer.Append(path, text);
        writer.Close();
        state_.Results.push_back("3;;" + path + ";;20240315;;0;;" + std::to_string(text.size()) +
                                 ";;1;;" + std::to_string(at.path_length) + ";;" +
                                 std::to_string(at.text_length) + ";;" + std::to_string(at.offset) +
                                 ";;0");
    }
    std::string View() {
        EXPECT_TRUE(WriteViewPage(state_, state_.Results.size() - 1));
        return Page("view.html");
    }
};

TEST_F(ViewPage, SmallDocumentLines) {
    state_.TermGroups = {{"売上"}, {"MEMO"}};
    AddHit("/d/報告/memo.txt", "今年の売上はMemo通り。 売上が大事");
    state_.Results.insert(state_.Results.begin(), "0;;/other");  // the hit is record 1
    const std::string all =
        "今年の" + Mark("売上") + "は" + Mark("Memo") + "通り。 " + Mark("売上") + "が大事";
    Lines lines = kHead;
    lines.insert(lines.end(),
                 {
                     "<style TYPE=\"text/css\"><!--",
                     "span.keyword { font-weight:bold; background-color: #ffff66;}",
                     "body {font-size:12pt;}",
                     "sup.vnav { font-size:x-small; }",
                     "sup.vnav a { margin-left:0.3em; }",
                     "table.vlist { font-size:smaller; }",
                     "div.vtext { line-height:1.6; overflow-wrap:anywhere; }",
                     "div.vtext p { margin:0 0 0.4em 0; content-visibility:auto; "
                     "contain-intrinsic-size:auto 10em; }",
                     "--></style>",
                     "<BODY>",
                     "<FONT SIZE=\"-1\"><A href=main.html>検索結果に戻る</A>　　"
                     "<A href=index.html?COM=OPEN&NUM=1>(開く)</A>&nbsp;"
                     "<A href=index.html?COM=SAVE&NUM=1>(保存)</A>&nbsp;"
                     "<A href=index.html?COM=FOLDER&NUM=1>(フォルダを開く)</A></FONT>",
                     "<P><B>memo.txt</B><BR>",
                     "<FONT color=#008000 SIZE=\"-1\">/d/報告/<BR>",
                     "47B&nbsp;-&nbsp;20240315&nbsp;&nbsp;-&nbsp;&nbsp;出現数:3</FONT></P>",
                     "<P><FONT SIZE=\"-1\">出現箇所 3件</FONT></P>",
                     "<TABLE class=\"vlist\">",
                     // Each row shows the text around its occurrence: here all of it.
                     "<TR><TD><A href=\"#h1\">1</A></TD><TD>" + all + "</TD></TR>",
                     "<TR><TD><A href=\"#h2\">2</A></TD><TD>" + all + "</TD></TR>",
                     "<TR><TD><A href=\"#h3\">3</A></TD><TD>" + all + "</TD></TR>",
                     "</TABLE>",
                     "<HR>",
                     "<DIV class=\"vtext\"><P>今年の" + Occurrence(1, "売上", false) + "は" +
                         Occurrence(2, "Memo", false) + "通り。 " + Occurrence(3, "売上", true) +
                         "が大事</P></DIV>",
                     "</BODY>",
                     "</HTML>",
                 });
    EXPECT_EQ(View(), PageBytes(lines));
}

TEST_F(ViewPage, LineBreaksInTheRecordShowAsBreaks) {
    // A record written without normalising keeps its line breaks.
    state_.TermGroups = {{"B"}};
    AddHit("/d/a.txt", "a\r\nb\rc\nd");
    EXPECT_EQ(Body(View()), "a<BR>" + Occurrence(1, "b", true) + "<BR>c<BR>d");
}

TEST_F(ViewPage, HostileTextIsEscaped) {
    state_.TermGroups = {{"売上"}, {"SCRIPT"}};
    AddHit("/d/<b>&\"x\".txt",
           "<script>alert(\"&amp;\")</script> 売上; a&b \"q\" ;売上;;<img src=x onerror=y>");
    std::string page = View();
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_NE(page.find("<P><B>&lt;b&gt;&amp;&quot;x&quot;.txt</B><BR>"), std::string::npos);
    EXPECT_EQ(Body(page),
              "&lt;" + Occurrence(1, "script", false) +
                  "&gt;alert(&quot;&amp;amp&#59;&quot;)&lt;/" + Occurrence(2, "script", false) +
                  "&gt; " + Occurrence(3, "売上", false) + "&#59; a&amp;b &quot;q&quot; &#59;" +
                  Occurrence(4, "売上", true) + "&#59;&#59;&lt;img src=x onerror=y&gt;");
}

TEST_F(ViewPage, LongTextIsShownUpToTheLimit) {
    // A three-byte character straddles the limit: the text ends before it. The term after
    // the limit is not marked.
    std::string text(kViewTextLimit - 1, 'x');
    text += "売売上";
    AddHit("/d/long.txt", text);
    state_.TermGroups = {{"売上"}};
    std::string page = View();
    EXPECT_NE(page.find("文書が長いため、先頭の" + std::to_string(kViewTextLimit - 1) +
                        "バイトまでを表示しています。"),
              std::string::npos);
    EXPECT_NE(page.find("出現数:0"), std::string::npos);
    EXPECT_EQ(page.find("売"), std::string::npos);
    EXPECT_TRUE(Body(page) == std::string(kViewTextLimit - 1, 'x'));

    // At the limit exactly, nothing is left out and nothing is said.
    AddHit("/d/exact.txt", std::string(kViewTextLimit, 'x'));
    EXPECT_EQ(View().find("文書が長いため"), std::string::npos);
}

TEST_F(ViewPage, TableListsTheFirstHundredOfMany) {
    std::string text;
    for (int i = 0; i < 150; ++i) text += "ab ";
    AddHit("/d/many.txt", text);
    state_.TermGroups = {{"AB"}};
    std::string page = View();
    EXPECT_NE(page.find("<P><FONT SIZE=\"-1\">出現箇所 150件（先頭の100件を表示）</FONT></P>"),
              std::string::npos);
    EXPECT_EQ(Count(page, "<TR><TD><A href=\"#h"), 100u);
    EXPECT_NE(page.find("<A href=\"#h100\">100</A></TD>"), std::string::npos);
    EXPECT_EQ(Count(page, "<A id=\"h"), 150u);
    // A row far from both ends shows the text around it, cut on both sides.
    size_t row = page.find("<TR><TD><A href=\"#h50\">50</A></TD><TD>…");
    ASSERT_NE(row, std::string::npos);
    EXPECT_EQ(page.substr(page.find("\r\n", row) - 13, 13), "…</TD></TR>");
    EXPECT_NE(Body(page).find(Occurrence(149, "ab", false) + " " + Occurrence(150, "ab", true)),
              std::string::npos);
    EXPECT_EQ(page.find("#h151"), std::string::npos);
}

TEST_F(ViewPage, NumberOutOfRangeOrUnreadableCatalogue) {
    AddHit("/d/a.txt", "本文");
    EXPECT_FALSE(WriteViewPage(state_, 1));
    EXPECT_FALSE(std::filesystem::exists(state_.PageFile("view.html")));

    // Without its catalogue pair the page says the text could not be read.
    std::filesystem::remove(state_.AppFile(index_files::FoldedCatalogueName(1)));
    std::string page = View();
    EXPECT_NE(page.find("<P>この文書の本文を読み込めませんでした。</P>\r\n</BODY>"),
              std::string::npos);
    EXPECT_NE(page.find("<P><B>a.txt</B><BR>"), std::string::npos);
}
