#include "search/run_search.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "search/index_files.h"
#include "search/normalize.h"
#include "senna/senna.h"
#include "text/app_error.h"
#include "text/record_field.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;
using namespace index_files;

namespace {

struct Doc {
    std::string path;
    std::string text;
    int catalogue = 1;
    bool dead = false;     // written with offset -1
    bool in_index = true;  // put into the full-text index (when one is built)
};

// A temporary program folder holding an information file and catalogue pairs written
// through the writer, and optionally a full-text index.
class RunSearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = MakeTestFolder("ruvudar-search-");
        state_.AppDir = dir_.string() + "/";
        state_.AllocateBuffers();
        state_.SearchDirs = {"/docs/;;Work"};
        state_.CheckedCategories = {"Work"};
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Writes the files; returns the document lines in order.
    std::vector<std::string> Write(const std::vector<Doc>& docs, bool with_index) {
        std::vector<std::string> lines;
        std::vector<CatalogueWriter> writers(4);
        for (const Doc& doc : docs) {
            CatalogueWriter& w = writers[static_cast<size_t>(doc.catalogue)];
            if (!w.is_open())
                w.Open(state_.AppFile(DisplayCatalogueName(doc.catalogue)),
                       state_.AppFile(FoldedCatalogueName(doc.catalogue)), true);
            std::string text = NormalizedCopy(doc.text);
            std::optional<RecordPlacement> at = w.Append(doc.path, text);
            DocumentLine line;
            line.path = doc.path;
            line.date = "20240101";
            line.extra = "0";
            line.size = static_cast<int64_t>(doc.text.size());
            line.catalogue = doc.catalogue;
            line.path_length = at->path_length;
            line.text_length = at->text_length;
            line.offset = doc.dead ? -1 : at->offset;
            lines.push_back(*FormatDocumentLine(line));
        }
        for (CatalogueWriter& w : writers) w.Close();
        std::string staged = state_.AppFile("sindexi.dat.new");
        FileIdentity id = WriteStagedInformationFile(staged, lines);
        if (with_index) {
            sen_index* index = sen_index_create_next(state_.AppFile("sindex").c_str(), 0);
            EXPECT_NE(index, nullptr);
            for (size_t i = 0; i < docs.size(); ++i) {
                if (!docs[i].in_index) continue;
                std::string path = FoldedCopy(docs[i].path);
                std::string text = FoldedCopy(NormalizedCopy(docs[i].text));
                sen_index_put(index, std::to_string(i + 1).c_str(), path.data(),
                              static_cast<unsigned>(path.size()), text.data(),
                              static_cast<unsigned>(text.size()));
            }
            sen_file_identity sid = ToSenna(id);
            sen_index_set_info_identity(index, &sid);
            EXPECT_EQ(sen_index_publish(index), sen_success);
        }
        PublishInformationFile(staged, state_.AppFile("sindexi.dat"));
        return lines;
    }

    std::vector<std::string> Search(const std::string& keyword) {
        state_.Keyword = keyword;
        RunSearch(state_);
        return state_.Results;
    }
    // The paths of the hits, in order.
    std::vector<std::string> HitPaths(const std::string& keyword) {
        std::vector<std::string> paths;
        for (const std::string& r : Search(keyword)) paths.emplace_back(RecordField(r, 1));
        return paths;
    }

    fs::path dir_;
    ViewerState state_;
};

using Paths = std::vector<std::string>;

TEST(BuildQueryText, GroupsAndPhrases) {
    struct Case {
        std::vector<TermGroup> groups;
        std::string query;
    } cases[] = {
        {{}, ""},
        {{{"A"}}, "\"A\""},
        {{{"A", "B"}}, "\"A\" OR \"B\""},
        {{{"A"}, {"B"}}, "(\"A\") (\"B\")"},
        {{{"A", "B"}, {"C"}}, "(\"A\" OR \"B\") (\"C\")"},
        {{{}, {"A"}}, "() (\"A\")"},
        {{{"-ABC"}, {"A\"B\\C"}}, "(\"-ABC\") (\"A\\\"B\\\\C\")"},
    };
    for (const Case& c : cases) EXPECT_EQ(BuildQueryText(c.groups), c.query);
}

// Both ways to candidates must give the same hits for documents the index holds.
class BothPaths : public RunSearchTest, public ::testing::WithParamInterface<bool> {};

TEST_P(BothPaths, HitRecordsScoresAndFirstOffsets) {
    state_.SearchDirs = {"/p/;;Work"};
    std::vector<std::string> lines = Write(
        {
            {"/p/one.txt", "xx bb yy bb cc"},       // (a b) c: B 4 times, C twice
            {"/p/two.txt", "aa and bb, no third"},  // A and B but no C
            {"/p/c.txt", "only b here"},            // C in the path only
            {"/p/ccc", "bc"},                       // C in both
        },
        GetParam());
    std::vector<std::string> hits = Search("(a b) c");
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0], "6;;" + lines[0] + ";;3");
    // The path holds C, the text B; the first offset comes from the text: "B" at 5.
    EXPECT_EQ(hits[1], "2;;" + lines[2] + ";;5");
    EXPECT_EQ(hits[2], "5;;" + lines[3] + ";;0");

    // A term only in the path block: a hit whose first occurrence offset is -1.
    hits = Search("one.txt");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0], "1;;" + lines[0] + ";;-1");

    // Path and text are counted apart: "/P/CCC" + "BC" holds "CB" only across the two.
    EXPECT_EQ(HitPaths("cb"), Paths{});
    EXPECT_EQ(HitPaths("ｂｂ　ＹＹ"), Paths{"/p/one.txt"});  // full-width keyword
    EXPECT_EQ(HitPaths("()"), Paths{});
    EXPECT_EQ(HitPaths("((a)"), Paths{});
}

TEST_P(BothPaths, CategoryTestTakesTheFirstFolderThePathStartsWith) {
    state_.SearchDirs = {"/docs/;;Work", "/docs/old/;;Archive", ";;Empty", "/Docs/x/;;Case"};
    Write(
        {
            {"/docs/new.txt", "term"},
            {"/docs/old/a.txt", "term"},
            {"/home/u/docs/b.txt", "term"},  // holds /docs/ but does not start with it
            {"/Docs/x/c.txt", "term"},
            {"/docs/x/d.txt", "term"},  // /Docs/x/ in other case: the Work entry decides
        },
        GetParam());
    state_.CheckedCategories = {"Archive", "Case", "Empty"};
    EXPECT_EQ(HitPaths("term"), (Paths{"/Docs/x/c.txt"}));
    state_.CheckedCategories = {"Work"};
    EXPECT_EQ(HitPaths("term"), (Paths{"/docs/new.txt", "/docs/old/a.txt", "/docs/x/d.txt"}));
    state_.CheckedCategories = {};
    EXPECT_EQ(HitPaths("term"), Paths{});
    state_.CheckedCategories = {"work"};  // categories compare exactly
    EXPECT_EQ(HitPaths("term"), Paths{});
}

// A folder row written without its final "/" (by hand) still ends at a folder boundary.
TEST_P(BothPaths, FolderWithoutFinalSlashTakesOnlyItsOwnDocuments) {
    state_.SearchDirs = {"/data;;Data", "/data2/;;Other"};
    Write({{"/data/a.txt", "term"}, {"/data2/b.txt", "term"}, {"/database.txt", "term"}},
          GetParam());
    state_.CheckedCategories = {"Other"};
    EXPECT_EQ(HitPaths("term"), Paths{"/data2/b.txt"});
    state_.CheckedCategories = {"Data"};
    EXPECT_EQ(HitPaths("term"), Paths{"/data/a.txt"});
}

TEST_P(BothPaths, DeadLinesAndMissingCataloguesArePassedOver) {
    Write(
        {
            {"/docs/a", "word", 1},
            {"/docs/dead", "word", 1, true},
            {"/docs/b", "word", 2},
            {"/docs/c", "word", 3},
            {"/docs/d", "word", 1},
        },
        GetParam());
    fs::remove(state_.AppFile(FoldedCatalogueName(2)));
    EXPECT_EQ(HitPaths("word"), (Paths{"/docs/a", "/docs/c", "/docs/d"}));
}

INSTANTIATE_TEST_SUITE_P(Search, BothPaths, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Index" : "NoIndex"; });

TEST_F(RunSearchTest, StopsAtTheHitLimitInFileOrder) {
    std::vector<Doc> docs;
    for (int i = 0; i < 5003; ++i) docs.push_back({"/docs/" + std::to_string(i), "common"});
    Write(docs, true);
    std::vector<std::string> paths = HitPaths("common");
    ASSERT_EQ(paths.size(), 5000u);
    EXPECT_EQ(paths.front(), "/docs/0");
    EXPECT_EQ(paths.back(), "/docs/4999");
}

TEST_F(RunSearchTest, IndexNarrowsTheCandidates) {
    Write({{"/docs/a", "alpha"}, {"/docs/b", "alpha", 1, false, false}, {"/docs/c", "alpha"}},
          true);
    EXPECT_EQ(HitPaths("alpha"), (Paths{"/docs/a", "/docs/c"}));
    // A term that reads as an operator is looked up as text.
    Write({{"/docs/a", "x -abc y"}, {"/docs/b", "abc"}}, true);
    EXPECT_EQ(HitPaths("-abc"), (Paths{"/docs/a"}));
}

TEST_F(RunSearchTest, KeyOutsideTheInformationFileIsIgnored) {
    std::vector<Doc> docs;
    for (int i = 0; i < 17; ++i) docs.push_back({"/docs/" + std::to_string(i + 1), "kw"});
    std::vector<std::string> lines = Write(docs, true);
    // The information file loses its last line; the index still returns key 17.
    lines.pop_back();
    FileIdentity id = WriteStagedInformationFile(state_.AppFile("staged"), lines);
    sen_index* index = sen_index_create_next(state_.AppFile("sindex").c_str(), 1);
    ASSERT_NE(index, nullptr);
    sen_file_identity sid = ToSenna(id);
    sen_index_set_info_identity(index, &sid);
    ASSERT_EQ(sen_index_publish(index), sen_success);
    PublishInformationFile(state_.AppFile("staged"), state_.AppFile("sindexi.dat"));
    std::vector<std::string> paths = HitPaths("kw");
    ASSERT_EQ(paths.size(), 16u);
    EXPECT_EQ(paths.back(), "/docs/16");
}

TEST_F(RunSearchTest, IndexOfAnotherRunFallsBackToEveryLine) {
    Write({{"/docs/a", "one"}, {"/docs/b", "one", 1, false, false}}, true);
    // An information file written after the index, with another identity: the index's
    // candidates would name the wrong lines, so every line is verified instead.
    Write({{"/docs/b", "one", 1, false, false}, {"/docs/a", "one"}}, false);
    EXPECT_EQ(HitPaths("one"), (Paths{"/docs/b", "/docs/a"}));
}

TEST_F(RunSearchTest, BlankKeywordOrMissingBuffersKeepResults) {
    Write({{"/docs/a", "word"}}, false);
    state_.Results = {"kept"};
    EXPECT_EQ(Search(" \t "), (std::vector<std::string>{"kept"}));
    state_.MatchBody.data.reset();
    EXPECT_EQ(Search("word"), (std::vector<std::string>{"kept"}));
}

TEST_F(RunSearchTest, NoInformationFileNoHits) {
    EXPECT_EQ(Search("word"), std::vector<std::string>{});
}

TEST_F(RunSearchTest, InformationFileThatIsNotUtf8EndsTheSearch) {
    fs::path info = state_.AppFile("sindexi.dat");
    FILE* f = std::fopen(info.c_str(), "wb");
    std::fputs("/docs/\xFF;;", f);
    std::fclose(f);
    state_.Keyword = "x";
    EXPECT_THROW(RunSearch(state_), AppError);
}

}  // namespace
