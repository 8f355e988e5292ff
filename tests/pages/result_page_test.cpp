#include "pages/result_page.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "program_folder.h"
#include "search/index_files.h"
#include "text/record_field.h"

namespace {

using Lines = std::vector<std::string>;

const Lines kStyle = {
    "<style TYPE=\"text/css\"><!--",
    "span.keyword { font-weight:bold; background-color: #ffff66;}",
    "body {font-size:12pt;}",
    "div.ctby { padding-top:5px; padding-bottom:5px; font-size:smaller; }",
    "--></style>",
    "<BODY>",
};

std::string Mark(const std::string& text) { return "<span class=\"keyword\">" + text + "</span>"; }

// The seven lines of a row.
Lines Row(int r, int x, const std::string& name, int score, const std::string& snippet,
          const std::string& path, const std::string& size_date) {
    std::string num = std::to_string(x);
    return {"<P>",
            std::to_string(r) + ".&nbsp;&nbsp;<A href=index.html?COM=OPEN&NUM=" + num + ">" + name +
                "</A>&nbsp;&nbsp;",
            "<FONT SIZE=\"-1\"><A href=index.html?COM=SAVE&NUM=" + num +
                ">(保存)</A>&nbsp;<A href=index.html?COM=VIEW&NUM=" + num +
                ">(プレビュー)</A>&nbsp;<A href=index.html?COM=FOLDER&NUM=" + num +
                ">(フォルダを開く)</A></FONT>　　",
            "<FONT color=#008000 SIZE=\"-1\">&nbsp;&nbsp;-&nbsp;&nbsp;ヒット数:" +
                std::to_string(score) + "</FONT><BR>",
            "<DIV class=\"ctby\"><FONT SIZE=\"-1\"> " + snippet + " </FONT></DIV>",
            "<FONT color=#008000 SIZE=\"-2\"> " + path + " <BR>",
            size_date + " </FONT></P>"};
}

// A record whose HTML fields are already built: only its number shows which one it is.
std::string BuiltRecord(int i) {
    std::string n = std::to_string(i);
    return n + ";;/d/" + n + ";;20240101;;x;;10;;1;;5;;0;;0;;-1;;N" + n + ";;P" + n + ";;S" + n;
}

}  // namespace

class ResultPage : public ProgramFolder {
  protected:
    struct Doc {
        std::string path, text;
        int32_t first = -1;
        int32_t size = 0;
        int32_t catalogue = 1;
        int32_t score = 1;
    };

    // Writes the catalogue pairs of docs and puts one hit record per document in Results.
    void AddHits(const std::vector<Doc>& docs) {
        for (const Doc& d : docs) {
            index_files::CatalogueWriter writer;
            writer.Open(state_.AppFile(index_files::DisplayCatalogueName(d.catalogue)),
                        state_.AppFile(index_files::FoldedCatalogueName(d.catalogue)), false);
            index_files::RecordPlacement at = *writer.Append(d.path, d.text);
            writer.Close();
            state_.Results.push_back(
                std::to_string(d.score) + ";;" + d.path + ";;20240315;;1710000000;;" +
                std::to_string(d.size) + ";;" + std::to_string(d.catalogue) + ";;" +
                std::to_string(at.path_length) + ";;" + std::to_string(at.text_length) + ";;" +
                std::to_string(at.offset) + ";;" + std::to_string(d.first));
        }
    }
    void RemoveCatalogues() {
        for (int n = 1; n <= 3; ++n) {
            std::filesystem::remove(state_.AppFile(index_files::DisplayCatalogueName(n)));
            std::filesystem::remove(state_.AppFile(index_files::FoldedCatalogueName(n)));
        }
    }
};

TEST_F(ResultPage, NoRecordsGiveAnEmptyBody) {
    WriteResultPage(state_);
    Lines expected = kHead;
    expected.insert(expected.end(), kStyle.begin(), kStyle.end());
    expected.insert(expected.end(), {"</BODY>", "</HTML>"});
    EXPECT_EQ(Page("main.html"), PageBytes(expected));
}

TEST_F(ResultPage, RowFromTheCataloguePairWithTermsMarked) {
    state_.TermGroups = {{"AB"}, {"B"}};
    AddHits({{"/home/u/docs/ab.txt", "xx ab and B here", 3, 1234, 1, 4}});
    WriteResultPage(state_);
    Lines expected = kHead;
    expected.insert(expected.end(), kStyle.begin(), kStyle.end());
    Lines row =
        Row(1, 0, Mark("ab") + ".txt", 4, "xx " + Mark("ab") + " and " + Mark("B") + " here",
            "/home/u/docs/" + Mark("ab") + ".txt", "1kB&nbsp;-&nbsp;20240315");
    expected.insert(expected.end(), row.begin(), row.end());
    expected.insert(expected.end(), {"</BODY>", "</HTML>"});
    EXPECT_EQ(Page("main.html"), PageBytes(expected));
    EXPECT_EQ(RecordField(state_.Results[0], 10), Mark("ab") + ".txt");
    EXPECT_EQ(RecordField(state_.Results[0], 13), "");  // built once
}

TEST_F(ResultPage, StoredFieldsAreReusedWithoutTheCatalogues) {
    state_.TermGroups = {{"かな"}};
    AddHits({{"/d/カナ.txt", "本文のカナ", 9}});
    Lines first = ResultPageLines(state_);
    std::string record = state_.Results[0];
    RemoveCatalogues();
    EXPECT_EQ(ResultPageLines(state_), first);
    EXPECT_EQ(state_.Results[0], record);
    EXPECT_EQ(first[12], "1.&nbsp;&nbsp;<A href=index.html?COM=OPEN&NUM=0>" + Mark("カナ") +
                             ".txt</A>&nbsp;&nbsp;");
}

TEST_F(ResultPage, MissingCataloguePairEndsThePageAtItsRow) {
    AddHits({{"/d/one.txt", "one", -1, 0, 1},
             {"/d/two.txt", "two", -1, 0, 2},
             {"/d/three.txt", "three", -1, 0, 1}});
    std::filesystem::remove(state_.AppFile(index_files::FoldedCatalogueName(1)));
    state_.SortKey = 1;  // shown in Results order: the catalogue 2 row comes first
    std::swap(state_.Results[0], state_.Results[1]);
    Lines lines = ResultPageLines(state_);
    ASSERT_EQ(lines.size(), kHead.size() + kStyle.size() + 7 + 2);
    EXPECT_EQ(lines[12], "1.&nbsp;&nbsp;<A href=index.html?COM=OPEN&NUM=0>two.txt</A>&nbsp;&nbsp;");
    EXPECT_EQ(lines.back(), "</HTML>");
    EXPECT_EQ(RecordField(state_.Results[1], 10), "");  // not built
}

TEST_F(ResultPage, DocumentTextIsEscapedAndEveryFieldSurvives) {
    state_.TermGroups = {{"B"}};
    AddHits({{"/d;x/a<b&c;", "for(;;) a<b> & \"q\"", 0}});
    WriteResultPage(state_);
    const std::string& record = state_.Results[0];
    EXPECT_EQ(RecordField(record, 10), "a&lt;" + Mark("b") + "&amp;c&#59;<!---->");
    EXPECT_EQ(RecordField(record, 11), "/d&#59;x/a&lt;" + Mark("b") + "&amp;c&#59;<!---->");
    EXPECT_EQ(RecordField(record, 12),
              "for(&#59;&#59;) a " + Mark("b") + "  &amp; &quot;q&quot;<!---->");
    EXPECT_EQ(RecordField(record, 13), "");
    std::string page = Page("main.html");
    EXPECT_NE(page.find("<FONT color=#008000 SIZE=\"-2\"> /d&#59;x/a&lt;"), std::string::npos);
    EXPECT_EQ(page.find("a<b"), std::string::npos);
}

TEST_F(ResultPage, RowsAreNumberedAcrossPagesInTheOrderOfTheSortKey) {
    for (int i = 0; i < 250; ++i) state_.Results.push_back(BuiltRecord(i));
    state_.PageIndex = 2;
    struct Case {
        int sort_key;
        int first_x, step;
    } cases[] = {{0, 49, -1}, {2, 49, -1}, {4, 49, -1}, {1, 200, 1}, {3, 200, 1}};
    for (const Case& c : cases) {
        state_.SortKey = c.sort_key;
        Lines lines = ResultPageLines(state_);
        ASSERT_EQ(lines.size(), kHead.size() + kStyle.size() + 50 * 7 + 2) << c.sort_key;
        for (int k = 0; k < 50; ++k) {
            int r = 201 + k, x = c.first_x + c.step * k;
            EXPECT_EQ(lines[11 + 7 * k + 1],
                      std::to_string(r) + ".&nbsp;&nbsp;<A href=index.html?COM=OPEN&NUM=" +
                          std::to_string(x) + ">N" + std::to_string(x) + "</A>&nbsp;&nbsp;")
                << c.sort_key;
        }
    }
    for (int page : {3, 100, -1}) {
        state_.PageIndex = page;
        EXPECT_EQ(ResultPageLines(state_).size(), kHead.size() + kStyle.size() + 2) << page;
    }
}

TEST_F(ResultPage, WholeRowOfAStoredRecord) {
    state_.Results = {"7;;/d/x;;20231231;;x;;2500000;;1;;4;;0;;0;;-1;;name;;path;;snip"};
    Lines lines = ResultPageLines(state_);
    EXPECT_EQ(Lines(lines.begin() + 11, lines.begin() + 18),
              Row(1, 0, "name", 7, "snip", "path", "2MB&nbsp;-&nbsp;20231231"));
}

TEST(SizeText, UnitsArePowersOfTen) {
    struct Case {
        int32_t size;
        const char* text;
    } cases[] = {{0, "0B"},          {999, "999B"},         {1000, "1000B"},
                 {1001, "1kB"},      {1'000'000, "1000kB"}, {1'000'001, "1MB"},
                 {2'500'000, "2MB"}, {-5, "-5B"},           {INT32_MAX, "2147MB"}};
    for (const Case& c : cases) EXPECT_EQ(SizeText(c.size), c.text) << c.size;
}

TEST_F(ResultPage, SnippetOfALongTextReadsFromBeforeTheFirstOccurrence) {
    std::string text(20000, 'x');
    text.replace(15000, 3, "KEY");
    state_.TermGroups = {{"KEY"}};
    AddHits({{"/d/long.txt", text, 15000}});
    ResultPageLines(state_);
    EXPECT_EQ(RecordField(state_.Results[0], 12),
              std::string(50, 'x') + Mark("KEY") + std::string(148, 'x'));
}

TEST_F(ResultPage, SnippetReadsOnWhenTheTextHoldsLongRunsOfStrayBytes) {
    // Bytes that lead no character are dropped without counting: the walk may need the
    // whole text block.
    std::string path = "/d/r.txt", text = std::string(10000, '\x80') + "abc";
    WriteFile(index_files::DisplayCatalogueName(1), path + text);
    WriteFile(index_files::FoldedCatalogueName(1), "/D/R.TXT" + std::string(10000, '\x80') + "ABC");
    state_.TermGroups = {{"B"}};
    state_.Results = {"1;;/d/r.txt;;20240101;;x;;10;;1;;8;;10003;;0;;-1"};
    ResultPageLines(state_);
    EXPECT_EQ(RecordField(state_.Results[0], 12), "a" + Mark("b") + "c");
}
