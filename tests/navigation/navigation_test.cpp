#include "app/navigation.h"
#include "app/url_decode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/desktop.h"
#include "tests/navigation/doubles.h"
#include "tests/support/test_folder.h"

namespace {

// Records which operations a command runs, in order, with what they saw.
class RecordingOperations : public NavigationOperations {
  public:
    std::vector<std::string> calls;
    void RunSearch(ViewerState& s) override { calls.push_back("search " + s.Keyword); }
    void SortResults(ViewerState&, int key, int lo, int hi) override {
        calls.push_back("sort " + std::to_string(key) + " " + std::to_string(lo) + " " +
                        std::to_string(hi));
    }
    void WriteSearchPage(const ViewerState&) override { calls.push_back("search.html"); }
    void WriteResultPage(ViewerState&) override { calls.push_back("result"); }
    void WriteWelcomePage(const ViewerState&) override { calls.push_back("welcome"); }
    void WriteViewPage(const ViewerState&, size_t x) override {
        calls.push_back("view " + std::to_string(x));
    }
};

std::string Join(const std::vector<std::string>& v) {
    std::string out;
    for (const std::string& s : v) out += (out.empty() ? "" : " | ") + s;
    return out;
}

constexpr const char* kIndex = "file:///tmp/app/page/index.html";

class NavigationTest : public ::testing::Test {
  protected:
    NavigationTest() {
        app_dir_ = MakeTestFolder("nav_test_");
        state_.AppDir = app_dir_.string() + "/";
        state_.Categories = {"文書", "仕事", "個人"};
        state_.CheckedCategories = state_.Categories;
        state_.Keyword = "前回";
        state_.Results = {"50;;/d/a.txt;;x", "40;;/d/sub/b.doc;;y"};
        state_.SortKey = 2;
        state_.PageIndex = 3;
    }
    ~NavigationTest() override { std::filesystem::remove_all(app_dir_); }

    NavigationResult Navigate(const std::string& url) {
        NavigationContext context{dialogs_, processes_, ops_};
        return CppWebBrowser1BeforeNavigate2(state_, context, url);
    }

    std::filesystem::path app_dir_;
    ViewerState state_;
    RecordingDialogs dialogs_;
    RecordingProcesses processes_;
    RecordingOperations ops_;
};

// Every command, with the URL as the web view reports it; the fixture starts from an earlier
// search for 前回 (two hits, SortKey 2, PageIndex 3, all categories ticked).
TEST_F(NavigationTest, CommandTable) {
    const std::string q = std::string(kIndex) + "?";
    struct Case {
        std::string url;
        std::string calls;
        std::string keyword = "前回";
        std::string checked = "文書 | 仕事 | 個人";
        int sort_key = 2;
        int page_index = 3;
        size_t results = 2;
        bool proceed = true;
    } cases[] = {
        // Loads without a command pass through untouched.
        {kIndex, ""},
        {"file:///tmp/app/page/search.html", ""},
        {q + "COM=SEARCH&KEYWORD=%E6%96%87%E6%9B%B8&CATCHK2=ON",
         "search 文書 | sort 2 0 1 | search.html | result", "文書", "仕事", 2, 0},
        {q + "COM=SEARCH&KEYWORD=a+b&CATCHK1=ON", "search a b | sort 2 0 1 | search.html | result",
         "a b", "文書", 2, 0},
        {q + "COM=SEARCH&KEYWORD=a%2Bb&CATCHK1=ON",
         "search a+b | sort 2 0 1 | search.html | result", "a+b", "文書", 2, 0},
        // A typed "&" is decoded before the lookup and cuts the keyword.
        {q + "COM=SEARCH&KEYWORD=A%26B&CATCHK3=ON", "search A | sort 2 0 1 | search.html | result",
         "A", "個人", 2, 0},
        // A blank keyword is not empty: it is searched (and the search returns at once).
        {q + "COM=SEARCH&KEYWORD=+++&CATCHK1=ON",
         "search " + std::string(3, ' ') + " | sort 2 0 1 | search.html | result", "   ", "文書", 2,
         0},
        // An empty keyword clears the hits and shows the welcome page; Keyword stays.
        {q + "COM=SEARCH&KEYWORD=&CATCHK1=ON&CATCHK3=ON", "welcome | search.html", "前回",
         "文書 | 個人", 2, 3, 0},
        // Ticks are matched with case; a box beyond the categories is ignored.
        {q + "COM=SEARCH&KEYWORD=&CATCHK1=on&CATCHK4=ON", "welcome | search.html", "前回", "", 2, 3,
         0},
        {q + "COM=SEARCH&KEYWORD=ab%", "search ab% | sort 2 0 1 | search.html | result", "ab%", "",
         2, 0},
        {q + "COM=SEARCH&KEYWORD=%FF", "search \uFFFD | sort 2 0 1 | search.html | result",
         "\uFFFD", "", 2, 0},
        {q + "COM=HOME", "welcome | search.html", "", "文書 | 仕事 | 個人", 2, 0, 0},
        // SORT wins over PAGE, and PageIndex returns to 0.
        {q + "SORT=1&PAGE=3", "sort 1 0 1 | search.html | result", "前回", "文書 | 仕事 | 個人", 1,
         0},
        {q + "SORT=-1", ""},
        {q + "SORT=x", ""},
        {q + "PAGE=9", "search.html | result", "前回", "文書 | 仕事 | 個人", 2, 9},
        // Open and Save without a usable NUM are cancelled and do nothing else.
        {q + "COM=OPEN&NUM=x", "", "前回", "文書 | 仕事 | 個人", 2, 3, 2, false},
        {q + "COM=OPEN", "", "前回", "文書 | 仕事 | 個人", 2, 3, 2, false},
        {q + "COM=SAVE&NUM=-2", "", "前回", "文書 | 仕事 | 個人", 2, 3, 2, false},
        {q + "COM=OPEN&NUM=2", "", "前回", "文書 | 仕事 | 個人", 2, 3, 2, false},
        {q + "COM=SAVE&NUM=2", "", "前回", "文書 | 仕事 | 個人", 2, 3, 2, false},
        // View writes the preview of an existing hit only; Folder is cancelled like Open.
        {q + "COM=VIEW&NUM=1", "view 1", "前回", "文書 | 仕事 | 個人", 2, 3, 2, false},
        {q + "COM=VIEW&NUM=2", "", "前回", "文書 | 仕事 | 個人", 2, 3, 2, false},
        {q + "COM=VIEW&NUM=x", "", "前回", "文書 | 仕事 | 個人", 2, 3, 2, false},
        {q + "COM=FOLDER&NUM=2", "", "前回", "文書 | 仕事 | 個人", 2, 3, 2, false},
        {q + "COM=FOLDER", "", "前回", "文書 | 仕事 | 個人", 2, 3, 2, false},
        // As for Open, a PAGE in the same URL is tested first.
        {q + "COM=VIEW&NUM=0&PAGE=1", "search.html | result", "前回", "文書 | 仕事 | 個人", 2, 1},
        // Only the first COM counts.
        {q + "COM=SEARCH&KEYWORD=x&COM=OPEN", "search x | sort 2 0 1 | search.html | result", "x",
         "", 2, 0},
        {q + "COM=OPEN&NUM=0&COM=SEARCH", "", "前回", "文書 | 仕事 | 個人", 2, 3, 2, false},
    };
    std::ofstream(app_dir_ / "appset.ini") << ".txt;;viewer\r\n";
    for (const Case& c : cases) {
        state_.Keyword = "前回";
        state_.Results = {"50;;/d/a.txt;;x", "40;;/d/sub/b.doc;;y"};
        state_.CheckedCategories = state_.Categories;
        state_.SortKey = 2;
        state_.PageIndex = 3;
        ops_.calls.clear();
        NavigationResult r = Navigate(c.url);
        EXPECT_EQ(Join(ops_.calls), c.calls) << c.url;
        EXPECT_EQ(state_.Keyword, c.keyword) << c.url;
        EXPECT_EQ(Join(state_.CheckedCategories), c.checked) << c.url;
        EXPECT_EQ(state_.SortKey, c.sort_key) << c.url;
        EXPECT_EQ(state_.PageIndex, c.page_index) << c.url;
        EXPECT_EQ(state_.Results.size(), c.results) << c.url;
        EXPECT_EQ(r.proceed, c.proceed) << c.url;
    }
    // Nothing above that lacked a usable NUM opened or asked anything.
    EXPECT_EQ(dialogs_.proposed_names.size(), 0u);
    EXPECT_EQ(processes_.started,  // the one COM=OPEN&NUM=0 row
              (std::vector<std::vector<std::string>>{{"viewer", "/d/a.txt"}}));
}

// A search with ten thousand categories reads its URL a fixed number of times, not once per
// category, and ticks exactly the categories the URL names.
TEST_F(NavigationTest, ManyCategoriesAreReadInOnePass) {
    state_.Categories.clear();
    std::string url = std::string(kIndex) + "?COM=SEARCH&KEYWORD=a";
    std::vector<std::string> expected;
    for (int n = 1; n <= 10'000; ++n) {
        state_.Categories.push_back("c" + std::to_string(n));
        if (n % 3 == 0) continue;
        url += "&CATCHK" + std::to_string(n) + "=ON";
        expected.push_back("c" + std::to_string(n));
    }
    const size_t before = UrlPassCount();
    Navigate(url);
    EXPECT_LE(UrlPassCount() - before, 4u);
    EXPECT_EQ(state_.CheckedCategories, expected);
}

TEST_F(NavigationTest, SingleHitIsNotSorted) {
    state_.Results = {"50;;/d/a.txt;;x"};
    Navigate(std::string(kIndex) + "?SORT=4");
    EXPECT_EQ(Join(ops_.calls), "search.html | result");
    EXPECT_EQ(state_.SortKey, 4);
}

TEST_F(NavigationTest, OpenStartsTheApplicationOnTheHitPath) {
    std::ofstream(app_dir_ / "appset.ini") << ".doc;;office --writer\r\n";
    NavigationResult r = Navigate(std::string(kIndex) + "?COM=OPEN&NUM=1");
    EXPECT_FALSE(r.proceed);
    ASSERT_EQ(processes_.started.size(), 1u);
    EXPECT_EQ(processes_.started[0],
              (std::vector<std::string>{"office", "--writer", "/d/sub/b.doc"}));
    EXPECT_TRUE(ops_.calls.empty());
}

TEST_F(NavigationTest, OpenWithAnApplicationThatCannotStartSaysSo) {
    const std::string missing = app_dir_.string() + "/missing-office";
    std::ofstream(app_dir_ / "appset.ini") << ".doc;;" << missing << "\r\n";
    NavigationContext context{dialogs_, SystemProcesses(), ops_};
    NavigationResult r =
        CppWebBrowser1BeforeNavigate2(state_, context, std::string(kIndex) + "?COM=OPEN&NUM=1");
    EXPECT_FALSE(r.proceed);
    EXPECT_EQ(dialogs_.errors, std::vector<std::string>{"/d/sub/b.doc を開けませんでした。\n" +
                                                        missing + ": プログラムが見つかりません"});
}

TEST_F(NavigationTest, ViewNamesThePreviewForTheBodyFrame) {
    NavigationResult r = Navigate(std::string(kIndex) + "?COM=VIEW&NUM=1");
    EXPECT_FALSE(r.proceed);
    EXPECT_EQ(r.show_in_body, "view.html");
    EXPECT_EQ(Join(ops_.calls), "view 1");
    r = Navigate(std::string(kIndex) + "?COM=VIEW&NUM=5");
    EXPECT_EQ(r.show_in_body, "");
}

TEST_F(NavigationTest, FolderOpensTheHitsFolderWithTheDefaultOpener) {
    NavigationResult r = Navigate(std::string(kIndex) + "?COM=FOLDER&NUM=1");
    EXPECT_FALSE(r.proceed);
    EXPECT_TRUE(ops_.calls.empty());
    if (DefaultOpener().empty()) GTEST_SKIP() << "no xdg-open";
    EXPECT_EQ(processes_.started,
              (std::vector<std::vector<std::string>>{{DefaultOpener(), "/d/sub"}}));
}

TEST_F(NavigationTest, OpenWithBrokenApplicationTableShowsErrorAfterCancelling) {
    std::ofstream(app_dir_ / "appset.ini") << ".doc;;\xFF\r\n";
    NavigationResult r = Navigate(std::string(kIndex) + "?COM=OPEN&NUM=1");
    EXPECT_FALSE(r.proceed);
    EXPECT_TRUE(processes_.started.empty());
    ASSERT_TRUE(r.deferred);
    EXPECT_TRUE(dialogs_.errors.empty());  // not inside the handler
    r.deferred();
    EXPECT_EQ(dialogs_.errors.size(), 1u);
}

TEST_F(NavigationTest, SaveAsksOnlyAfterTheHandlerReturned) {
    std::filesystem::create_directories(app_dir_ / "d");
    std::string doc = (app_dir_ / "d" / "メモ.txt").string();
    std::ofstream(doc) << "本文";
    state_.Results = {"50;;" + doc + ";;x"};
    dialogs_.save_answer = (app_dir_ / "copy.txt").string();

    NavigationResult r = Navigate(std::string(kIndex) + "?COM=SAVE&NUM=0");
    EXPECT_FALSE(r.proceed);
    EXPECT_TRUE(dialogs_.proposed_names.empty());
    ASSERT_TRUE(r.deferred);
    r.deferred();
    EXPECT_EQ(dialogs_.proposed_names, std::vector<std::string>{"メモ.txt"});
    std::ifstream copy(app_dir_ / "copy.txt");
    std::string text((std::istreambuf_iterator<char>(copy)), {});
    EXPECT_EQ(text, "本文");
}

}  // namespace
