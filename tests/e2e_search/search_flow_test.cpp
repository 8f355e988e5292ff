// A search, a sort, a page change, an open and a save through the navigation handler with
// the real search and page writers, on a program folder with and without an index.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/form_create.h"
#include "app/navigation.h"
#include "tests/e2e_search/program_folder.h"
#include "tests/navigation/doubles.h"
#include "text/text_file.h"

namespace {

std::string ReadPage(const std::string& path) {
    std::optional<std::string> bytes = ReadFileBytes(path);
    return bytes ? *bytes : std::string();
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::vector<FixtureDocument> Documents() {
    std::vector<FixtureDocument> docs = {
        {"報告.txt", "文書", "今年の売上報告です。売上は増えました。"},
        {"a<b&c>.txt", "文書", "記号の名前の売上メモ"},
        {"会議.txt", "仕事", "会議の議事録。売上の話。"},
        {"other.txt", "仕事", "nothing relevant here"},
        {"unindexed.txt", "仕事", "索引にない売上"},
    };
    for (int i = 0; i < 110; ++i)
        docs.push_back({"memo" + std::to_string(i) + ".txt", "個人", "日記 " + std::to_string(i)});
    return docs;
}

class SearchFlowTest : public ::testing::TestWithParam<bool> {
  protected:
    SearchFlowTest() : folder_(GetParam() ? "flow_index" : "flow_noindex") {
        folder_.Build(Documents(), GetParam());
        std::ofstream(folder_.app_dir() + "appset.ini") << ".txt;;viewer --new\r\n";
        FormCreate(state_, folder_.app_dir());
    }

    NavigationResult Navigate(const std::string& query) {
        NavigationContext context{dialogs_, processes_};
        return CppWebBrowser1BeforeNavigate2(
            state_, context, "file://" + folder_.app_dir() + "page/index.html?" + query);
    }
    std::string Page(const std::string& name) { return ReadPage(state_.PageFile(name)); }

    ProgramFolder folder_;
    ViewerState state_;
    RecordingDialogs dialogs_;
    RecordingProcesses processes_;
};

TEST_P(SearchFlowTest, SearchSortPageOpenSave) {
    // 売上 in the categories 文書 and 仕事, as the form sends it.
    NavigationResult r = Navigate("COM=SEARCH&KEYWORD=%E5%A3%B2%E4%B8%8A&CATCHK1=ON&CATCHK2=ON");
    EXPECT_TRUE(r.proceed);
    // Through the index the unindexed document is never a candidate.
    const size_t hits = GetParam() ? 3 : 4;
    ASSERT_EQ(state_.Results.size(), hits);
    std::string search = Page("search.html");
    EXPECT_NE(search.find("<検索結果>　" + std::to_string(hits) + "件 <BR>"), std::string::npos);
    EXPECT_NE(search.find("VALUE=\"売上\">"), std::string::npos);
    std::string main = Page("main.html");
    EXPECT_EQ(Count(main, "COM=OPEN&NUM="), hits);
    EXPECT_NE(main.find("<span class=\"keyword\">売上</span>"), std::string::npos);
    // The odd file name is text, not mark-up.
    EXPECT_NE(main.find("a&lt;b&amp;c&gt;.txt"), std::string::npos);
    EXPECT_EQ(main.find("a<b&c>"), std::string::npos);

    // Another category only: 個人 has no 売上.
    Navigate("COM=SEARCH&KEYWORD=%E5%A3%B2%E4%B8%8A&CATCHK3=ON");
    EXPECT_EQ(state_.Results.size(), 0u);

    // 110 diaries: two pages; a sort link then a page link.
    Navigate("COM=SEARCH&KEYWORD=%E6%97%A5%E8%A8%98&CATCHK3=ON");
    ASSERT_EQ(state_.Results.size(), 110u);
    EXPECT_NE(Page("search.html").find("index.html?PAGE=1\" target=\"_top\">2</A>"),
              std::string::npos);
    Navigate("SORT=1");
    EXPECT_EQ(state_.SortKey, 1);
    EXPECT_EQ(Count(Page("main.html"), "COM=OPEN&NUM="), 100u);
    Navigate("PAGE=1");
    EXPECT_EQ(state_.PageIndex, 1);
    std::string second = Page("main.html");
    EXPECT_EQ(Count(second, "COM=OPEN&NUM="), 10u);
    EXPECT_NE(second.find("COM=OPEN&NUM=109>"), std::string::npos);

    // Open and save hit 109 (path order: memo99.txt is last).
    std::string path = folder_.app_dir() + "docs/個人/memo99.txt";
    r = Navigate("COM=OPEN&NUM=109");
    EXPECT_FALSE(r.proceed);
    EXPECT_EQ(processes_.started,
              (std::vector<std::vector<std::string>>{{"viewer", "--new", path}}));
    dialogs_.save_answer = folder_.app_dir() + "copy.txt";
    r = Navigate("COM=SAVE&NUM=109");
    EXPECT_FALSE(r.proceed);
    ASSERT_TRUE(r.deferred);
    r.deferred();
    EXPECT_EQ(dialogs_.proposed_names, std::vector<std::string>{"memo99.txt"});
    EXPECT_EQ(ReadPage(folder_.app_dir() + "copy.txt"), "日記 99");

    // Home: the welcome page and every category ticked again.
    Navigate("COM=HOME");
    EXPECT_TRUE(state_.Results.empty());
    EXPECT_EQ(state_.CheckedCategories, (std::vector<std::string>{"文書", "仕事", "個人"}));
    EXPECT_EQ(Page("search.html").find("<検索結果>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(IndexOrNot, SearchFlowTest, ::testing::Bool(), [](const auto& info) {
    return info.param ? "WithIndex" : "WithoutIndex";
});

}  // namespace
