#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "daradiv/file_walker.h"
#include "tests/support/test_folder.h"

using namespace daradiv;
namespace fs = std::filesystem;

namespace {

class WalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTestFolder("daradiv_walk_");
    }
    void TearDown() override { fs::remove_all(root_); }
    std::string Put(const std::string& rel, const std::string& text = "x") {
        fs::path p = root_ / rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    std::string Dir() const { return root_.string() + "/"; }
    std::vector<std::string> Paths(const WalkResult& r) {
        std::vector<std::string> out;
        for (const FoundFile& f : r.files) out.push_back(f.path.substr(Dir().size()));
        return out;
    }
    fs::path root_;
};

}  // namespace

TEST(FileWalker, ExtensionsAndExclusions) {
    EXPECT_EQ(LowerExtension("/a/b.DOCX"), ".docx");
    EXPECT_EQ(LowerExtension("/a.b/noext"), "");
    EXPECT_EQ(LowerExtension("/a/.txt"), ".txt");
    std::vector<std::string> ex = {"/x/file.txt", "/x/dir/"};
    EXPECT_TRUE(IsExcluded("/x/file.txt", ex));
    EXPECT_FALSE(IsExcluded("/x/file.txt2", ex));
    EXPECT_TRUE(IsExcluded("/x/dir/a/b.txt", ex));
    EXPECT_FALSE(IsExcluded("/x/dirt/b.txt", ex));
    EXPECT_FALSE(IsExcluded("/X/file.txt", ex));  // paths keep their case
}

TEST_F(WalkTest, TakesWantedFilesAndLeavesOutExcludedOnes) {
    Put("a.TXT");
    Put("b.pdf");
    Put("c.doc");
    Put("sub/d.txt");
    Put("skip/e.txt");
    Put("sub/gone.txt");
    Put("semi;;colon.txt");
    WalkSettings s;
    s.folders = {Dir()};
    s.extensions = {".txt", ".pdf"};
    s.exclusions = {Dir() + "skip/", Dir() + "sub/gone.txt"};
    WalkResult r = WalkFolders(s);
    EXPECT_EQ(Paths(r), (std::vector<std::string>{"a.TXT", "b.pdf", "sub/d.txt"}));
    EXPECT_EQ(r.files[0].extension, ".txt");
    EXPECT_EQ(r.files[0].size, 1);
    ASSERT_EQ(r.notes.size(), 1u);  // the ";;" path is named, not taken
    EXPECT_EQ(r.notes[0].path, Dir() + "semi;;colon.txt");
}

TEST_F(WalkTest, LinkLoopsEndAndEachPathIsTakenOnce) {
    Put("real/a.txt");
    fs::create_directory_symlink(root_ / "real", root_ / "real" / "loop");
    fs::create_directory_symlink(root_ / "real", root_ / "alias");
    WalkSettings s;
    s.folders = {Dir(), Dir() + "real"};  // overlapping targets
    s.extensions = {".txt"};
    WalkResult r = WalkFolders(s);
    // The folder is entered once, by whichever name comes first.
    EXPECT_EQ(r.files.size(), 1u);
}

TEST_F(WalkTest, MissingFoldersAndBadNamesAreNoted) {
    Put(std::string("bad\xff.txt"));
    Put("line\nend.txt");
    Put("semicolon.txt;");  // a path ending in ";" would run into the field separator
    WalkSettings s;
    s.folders = {Dir(), Dir() + "missing/", "relative/folder"};
    s.extensions = {".txt", ".txt;"};
    WalkResult r = WalkFolders(s);
    EXPECT_TRUE(r.files.empty());
    ASSERT_EQ(r.notes.size(), 5u);
    for (const WalkNote& n : r.notes) EXPECT_FALSE(n.reason.empty());
    EXPECT_NE(r.notes[2].path.find("semicolon"), std::string::npos);
    EXPECT_NE(r.notes[3].path.find("missing"), std::string::npos);
    EXPECT_EQ(r.notes[4].path, "relative/folder");
}

TEST_F(WalkTest, UnreadableFolderIsNotedAndSkipped) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    Put("locked/a.txt");
    Put("open/b.txt");
    chmod((root_ / "locked").c_str(), 0);
    WalkSettings s;
    s.folders = {Dir()};
    s.extensions = {".txt"};
    WalkResult r = WalkFolders(s);
    chmod((root_ / "locked").c_str(), 0755);
    EXPECT_EQ(Paths(r), (std::vector<std::string>{"open/b.txt"}));
    ASSERT_EQ(r.notes.size(), 1u);
}

// What is not a regular file, and links that lead nowhere or in a circle, are named with a
// reason when their name shows a wanted type (a broken link without an extension may have
// been a folder); other types and excluded paths stay unnamed.
TEST_F(WalkTest, SpecialFilesAndBrokenLinksAreNamed) {
    ASSERT_EQ(mkfifo((Dir() + "pipe.txt").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo((Dir() + "pipe.png").c_str(), 0644), 0);
    fs::create_symlink(Dir() + "nowhere", root_ / "dangling.txt");
    fs::create_symlink(Dir() + "nowhere", root_ / "folderlink");
    fs::create_symlink(Dir() + "nowhere", root_ / "dangling.png");
    fs::create_symlink(Dir() + "excluded.txt", root_ / "excluded.txt");
    fs::create_symlink(root_ / "b.txt", root_ / "a.txt");
    fs::create_symlink(root_ / "a.txt", root_ / "b.txt");
    fs::create_directories(root_ / "sub");
    fs::create_directory_symlink(root_, root_ / "sub" / "up");
    WalkSettings s;
    s.folders = {Dir()};
    s.extensions = {".txt"};
    s.exclusions = {Dir() + "excluded.txt"};
    WalkResult r = WalkFolders(s);
    EXPECT_TRUE(r.files.empty());
    std::vector<std::string> named;
    for (const WalkNote& n : r.notes) {
        EXPECT_FALSE(n.reason.empty());
        named.push_back(n.path.substr(Dir().size()));
    }
    EXPECT_EQ(named, (std::vector<std::string>{"a.txt", "b.txt", "dangling.txt", "folderlink",
                                               "pipe.txt", "sub/up"}));
}
