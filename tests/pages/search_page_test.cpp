#include "pages/search_page.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "program_folder.h"

namespace {

using Lines = std::vector<std::string>;

const Lines kScript = {
    "<script>",
    "    function selall(){",
    "       obj = document.getElementsByTagName(\"INPUT\");",
    "       for(i=0,fc=true;i<obj.length;i++){",
    "          if(obj[i].name.indexOf(\"CATCHK\")<0) continue;",
    "          if(obj[i].checked) fc=false;",
    "       } ",
    "       for(i=0;i<obj.length;i++){ ",
    "          if(obj[i].name.indexOf(\"CATCHK\")<0) continue;",
    "          obj[i].checked=fc; ",
    "       }",
    "    } ",
    "</script> ",
};

ViewerState WithHits(size_t hits, int page_index) {
    ViewerState state;
    state.Keyword = "k";
    state.Results.assign(hits, "1;;/a");
    state.PageIndex = page_index;
    return state;
}

// The lines between "</FORM>" and "<HR>": the count, sort and page lines.
Lines ResultLines(const ViewerState& state) {
    Lines lines = SearchPageLines(state);
    auto form_end = std::find(lines.begin(), lines.end(), "</FORM>");
    auto rule = std::find(lines.begin(), lines.end(), "<HR>");
    return Lines(form_end + 1, rule);
}

// The page line items of the state (the lines after the six count and sort lines).
Lines PageItems(const ViewerState& state) {
    Lines lines = ResultLines(state);
    return lines.size() > 6 ? Lines(lines.begin() + 6, lines.end()) : Lines{};
}

std::string Link(int page, const std::string& label) {
    return "　<A href=\"index.html?PAGE=" + std::to_string(page) + "\" target=\"_top\">" + label +
           "</A>";
}
const std::string kPageStart = "　　　　　<font color=\"#666666\" size=\"-1\">&lt;Page.&gt;　";

}  // namespace

class SearchPage : public ProgramFolder {};

TEST_F(SearchPage, BeforeAnySearchTheFileIsHeadFormRuleAndScript) {
    state_.Categories = {"仕事", "Private"};
    state_.CheckedCategories = {"Private"};
    WriteSearchPage(state_);
    Lines expected = kHead;
    expected.insert(
        expected.end(),
        {
            "<BODY>",
            "<FORM METHOD=GET ACTION=\"index.html?\" target=\"_top\">",
            "<INPUT TYPE=HIDDEN NAME=\"COM\" VALUE=\"SEARCH\" >",
            "<INPUT NAME=\"KEYWORD\" SIZE=35 MAXLENGTH=50 VALUE=\"\">",
            "<INPUT TYPE=SUBMIT VALUE=\"検索\"><BR>",
            "<INPUT TYPE=checkbox NAME=\"CATCHK1\" ID=\"iCATCHK1\" VALUE=\"ON\"><LABEL "
            "for=\"iCATCHK1\">仕事</LABEL>　",
            "<INPUT TYPE=checkbox NAME=\"CATCHK2\" ID=\"iCATCHK2\" VALUE=\"ON\" CHECKED><LABEL "
            "for=\"iCATCHK2\">Private</LABEL>　",
            "<A HREF=\"javascript:void(0)\" onclick=\"selall()\"><font color=blue>ALL</font></a>",
            "</FORM>",
            "<HR>",
            "</BODY>",
        });
    expected.insert(expected.end(), kScript.begin(), kScript.end());
    expected.push_back("</HTML>");
    EXPECT_EQ(Page("search.html"), PageBytes(expected));
}

TEST_F(SearchPage, CategoryBoxesAndAllLink) {
    state_.Categories = {"Work"};
    state_.CheckedCategories = {"work"};  // another letter case is not ticked
    Lines one = SearchPageLines(state_);
    EXPECT_EQ(one[10],
              "<INPUT TYPE=checkbox NAME=\"CATCHK1\" ID=\"iCATCHK1\" VALUE=\"ON\"><LABEL "
              "for=\"iCATCHK1\">Work</LABEL>　");
    EXPECT_EQ(one[11], "</FORM>");  // one category: no ALL link

    state_.Categories.clear();
    Lines none = SearchPageLines(state_);
    EXPECT_EQ(none[9], "<INPUT TYPE=SUBMIT VALUE=\"検索\"><BR>");
    EXPECT_EQ(none[10], "</FORM>");
}

TEST_F(SearchPage, KeywordIsAQuotedValueWithReferences) {
    state_.Keyword = "a\"b<c>&d 東京";
    EXPECT_EQ(SearchPageLines(state_)[8],
              "<INPUT NAME=\"KEYWORD\" SIZE=35 MAXLENGTH=50 "
              "VALUE=\"a&quot;b&lt;c&gt;&amp;d 東京\">");
}

TEST(SearchPageResults, CountAndSortLines) {
    EXPECT_EQ(ResultLines(WithHits(0, 0)),
              (Lines{"<FONT color=#666666 SIZE=\"-1\"><検索結果>　0件 <BR>", "<ソート順>",
                     "　スコア", "　<A href=\"index.html?SORT=1\" target=\"_top\">ファイルパス</A>",
                     "　<A href=\"index.html?SORT=4\" target=\"_top\">ファイルサイズ</A>",
                     "　<A href=\"index.html?SORT=2\" target=\"_top\">日付</A></FONT>"}));
    EXPECT_EQ(ResultLines(WithHits(4999, 0))[0],
              "<FONT color=#666666 SIZE=\"-1\"><検索結果>　4999件 <BR>");
    EXPECT_EQ(ResultLines(WithHits(5000, 0))[0],
              "<FONT color=#666666 SIZE=\"-1\"><検索結果>　5000件 (MAX. LIMIT)<BR>");
}

TEST(SearchPageResults, CurrentSortStandsWithoutLink) {
    struct Case {
        int key;
        Lines sort;
    } cases[] = {
        {1,
         {"　<A href=\"index.html?SORT=0\" target=\"_top\">スコア</A>", "　ファイルパス",
          "　<A href=\"index.html?SORT=4\" target=\"_top\">ファイルサイズ</A>",
          "　<A href=\"index.html?SORT=2\" target=\"_top\">日付</A></FONT>"}},
        {4,
         {"　<A href=\"index.html?SORT=0\" target=\"_top\">スコア</A>",
          "　<A href=\"index.html?SORT=1\" target=\"_top\">ファイルパス</A>", "　ファイルサイズ",
          "　<A href=\"index.html?SORT=2\" target=\"_top\">日付</A></FONT>"}},
        {2,
         {"　<A href=\"index.html?SORT=0\" target=\"_top\">スコア</A>",
          "　<A href=\"index.html?SORT=1\" target=\"_top\">ファイルパス</A>",
          "　<A href=\"index.html?SORT=4\" target=\"_top\">ファイルサイズ</A>", "　日付</FONT>"}},
        {3,
         {"　<A href=\"index.html?SORT=0\" target=\"_top\">スコア</A>",
          "　<A href=\"index.html?SORT=1\" target=\"_top\">ファイルパス</A>",
          "　<A href=\"index.html?SORT=4\" target=\"_top\">ファイルサイズ</A>",
          "　<A href=\"index.html?SORT=2\" target=\"_top\">日付</A></FONT>"}},
    };
    for (const Case& c : cases) {
        ViewerState state = WithHits(3, 0);
        state.SortKey = c.key;
        Lines lines = ResultLines(state);
        EXPECT_EQ(Lines(lines.begin() + 2, lines.end()), c.sort) << c.key;
    }
}

TEST(SearchPageResults, PageLine) {
    struct Case {
        size_t hits;
        int page;
        Lines items;
    } cases[] = {
        {100, 0, {}},
        {101, 0, {kPageStart, "　1", Link(1, "2"), Link(1, "&gt;"), "</font>"}},
        {250, 2, {kPageStart, Link(1, "&lt;"), Link(0, "1"), Link(1, "2"), "　3", "</font>"}},
        {5000,
         0,
         {kPageStart, "　1", Link(1, "2"), Link(2, "3"), Link(3, "4"), Link(4, "5"),
          Link(1, "&gt;"), "</font>"}},
        {5000,
         49,
         {kPageStart, Link(48, "&lt;"), Link(44, "45"), Link(45, "46"), Link(46, "47"),
          Link(47, "48"), Link(48, "49"), "　50", "</font>"}},
        {5000,
         10,
         {kPageStart, Link(9, "&lt;"), Link(5, "6"), Link(6, "7"), Link(7, "8"), Link(8, "9"),
          Link(9, "10"), "　11", Link(11, "12"), Link(12, "13"), Link(13, "14"), Link(14, "15"),
          Link(11, "&gt;"), "</font>"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PageItems(WithHits(c.hits, c.page)), c.items) << c.hits << "/" << c.page;
}

TEST(SearchPageResults, NoResultLinesWithoutKeyword) {
    ViewerState state = WithHits(300, 0);
    state.Keyword.clear();
    EXPECT_EQ(ResultLines(state), Lines{});
}
