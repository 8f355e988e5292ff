#include "search/index_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "text/app_error.h"
#include "text/text_file.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;
using namespace index_files;

namespace {

class IndexFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = MakeTestFolder("ruvudar-index-files-");
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST(DocumentLines, FormatAndParse) {
    DocumentLine doc;
    doc.path = "/home/u/文書/a.txt";
    doc.date = "20240131";
    doc.extra = "1706659200";
    doc.size = 3'000'000'000LL;  // beyond 32 bits: written, but read as 0
    doc.catalogue = 2;
    doc.path_length = 21;
    doc.text_length = 400;
    doc.offset = 12345;
    std::optional<std::string> line = FormatDocumentLine(doc);
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "/home/u/文書/a.txt;;20240131;;1706659200;;3000000000;;2;;21;;400;;12345");
    DocumentLine back = ParseDocumentLine(*line);
    EXPECT_EQ(back.path, doc.path);
    EXPECT_EQ(back.date, doc.date);
    EXPECT_EQ(back.extra, doc.extra);
    EXPECT_EQ(back.size, 0);
    EXPECT_EQ(back.catalogue, 2);
    EXPECT_EQ(back.path_length, 21);
    EXPECT_EQ(back.text_length, 400);
    EXPECT_EQ(back.offset, 12345);

    // Fields the format cannot hold are refused, not written so that they shift fields.
    for (const char* bad : {"/a;;b", "/a;", "/a\nb", "/a\rb", "/a\xFF"}) {
        DocumentLine d = doc;
        d.path = bad;
        EXPECT_FALSE(FormatDocumentLine(d)) << bad;
    }
    DocumentLine inner = doc;
    inner.path = "/a;b/;c";
    EXPECT_TRUE(FormatDocumentLine(inner));

    DocumentLine dead = ParseDocumentLine("/x;;d;;e;;10;;1;;2;;3;;-1");
    EXPECT_EQ(dead.offset, -1);
    DocumentLine junk = ParseDocumentLine("/x;;d;;e;;ten;;;;2x");
    EXPECT_EQ(junk.size, 0);
    EXPECT_EQ(junk.catalogue, 0);
    EXPECT_EQ(junk.offset, 0);
}

TEST(CatalogueNames, Names) {
    EXPECT_EQ(DisplayCatalogueName(1), "sindex1.dat");
    EXPECT_EQ(FoldedCatalogueName(12), "sindexc12.dat");
    EXPECT_EQ(InformationFileName(), "sindexi.dat");
}

TEST_F(IndexFilesTest, WriterPutsBothCopiesAtTheSameOffset) {
    CatalogueWriter writer;
    writer.Open(File("sindex1.dat"), File("sindexc1.dat"), true);
    auto first = writer.Append("/d/Äa.txt", "カナ abc");
    auto second = writer.Append("/d/b\xFF.txt", "x\x80y");  // ill-formed bytes repaired
    writer.Close();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->offset, 0);
    EXPECT_EQ(first->path_length, 10);
    EXPECT_EQ(first->text_length, 10);
    EXPECT_EQ(second->offset, 20);
    EXPECT_EQ(second->path_length, 11);  // U+FFFD takes three bytes
    EXPECT_EQ(second->text_length, 5);

    // Appending to the existing pair goes on after it.
    writer.Open(File("sindex1.dat"), File("sindexc1.dat"), false);
    auto third = writer.Append("/p", "q");
    writer.Close();
    ASSERT_TRUE(third);
    EXPECT_EQ(third->offset, 36);

    char head[64], body[64];
    CatalogueReader display, folded;
    ASSERT_TRUE(display.Open(File("sindex1.dat")));
    ASSERT_TRUE(folded.Open(File("sindexc1.dat")));
    RecordSizes d = display.Read(first->offset, first->path_length, first->text_length, head,
                                 sizeof head, body, sizeof body);
    EXPECT_EQ(std::string(head, d.head), "/d/Äa.txt");
    EXPECT_EQ(std::string(body, d.body), "カナ abc");
    RecordSizes f = folded.Read(first->offset, first->path_length, first->text_length, head,
                                sizeof head, body, sizeof body);
    EXPECT_EQ(std::string(head, f.head), "/D/ÄA.TXT");
    EXPECT_EQ(std::string(body, f.body), "かな ABC");
    f = folded.Read(second->offset, second->path_length, second->text_length, head, sizeof head,
                    body, sizeof body);
    EXPECT_EQ(std::string(head, f.head), "/D/B\xEF\xBF\xBD.TXT");
    EXPECT_EQ(std::string(body, f.body), "X\xEF\xBF\xBDY");
}

TEST_F(IndexFilesTest, ReaderStaysInsideBuffersAndTheFile) {
    CatalogueWriter writer;
    writer.Open(File("a.dat"), File("b.dat"), true);
    auto rec = writer.Append("/path", "0123456789");
    writer.Close();
    CatalogueReader reader;
    ASSERT_TRUE(reader.Open(File("b.dat")));
    char head[3], body[4];
    // A head longer than its buffer is cut, and the body is still read from its own place.
    RecordSizes got = reader.Read(rec->offset, rec->path_length, rec->text_length, head,
                                  sizeof head, body, sizeof body);
    EXPECT_EQ(std::string(head, got.head), "/PA");
    EXPECT_EQ(std::string(body, got.body), "0123");
    // Lengths beyond the end of the file give what is there.
    char big[64];
    got = reader.Read(rec->offset + 10, 2, 1000, big, sizeof big, big + 2, sizeof big - 2);
    EXPECT_EQ(got.head, 2u);
    EXPECT_EQ(got.body, 3u);
    got = reader.Read(-5, 2, 2, big, sizeof big, big, sizeof big);
    EXPECT_EQ(got.head + got.body, 0u);
    EXPECT_FALSE(reader.Open(File("missing.dat")));
    EXPECT_FALSE(reader.is_open());
}

TEST_F(IndexFilesTest, WriterCutsOverlongBlocksAtACharacterBoundary) {
    std::string text;
    while (text.size() < kMaxTextBlock + 10) text += "東";
    std::string path = "/" + std::string(kMaxPathBlock + 5, 'p');
    CatalogueWriter writer;
    writer.Open(File("a.dat"), File("b.dat"), true);
    auto rec = writer.Append(path, text);
    writer.Close();
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->path_length, static_cast<int32_t>(kMaxPathBlock));
    EXPECT_EQ(rec->text_length, static_cast<int32_t>(kMaxTextBlock / 3 * 3));
    EXPECT_EQ(fs::file_size(File("a.dat")), fs::file_size(File("b.dat")));
}

TEST_F(IndexFilesTest, WriterRefusesPairsOfDifferentSizes) {
    std::ofstream(File("a.dat")) << "abc";
    std::ofstream(File("b.dat")) << "ab";
    CatalogueWriter writer;
    EXPECT_THROW(writer.Open(File("a.dat"), File("b.dat"), false), AppError);
    EXPECT_THROW(writer.Open(File("no/such/a.dat"), File("b.dat"), true), AppError);
}

TEST_F(IndexFilesTest, AStagedInformationFileOfManyMegabytesHoldsEveryLineInOrder) {
    std::vector<std::string> lines;
    std::string expected;
    for (int i = 0; i < 40000; ++i) {
        lines.push_back("/docs/" + std::string(static_cast<size_t>(i % 97), 'a' + i % 26) + ";;" +
                        std::to_string(i) + ";;1;;2;;1;;3;;4;;" + std::to_string(i * 7));
        expected += lines.back() + "\r\n";
    }
    ASSERT_GT(expected.size(), 3u << 20);  // more than a few write chunks
    FileIdentity id = WriteStagedInformationFile(File("staged"), lines);
    EXPECT_EQ(ReadFileBytes(File("staged")), expected);
    EXPECT_EQ(IdentityOfFile(File("staged")), id);
}

TEST_F(IndexFilesTest, StagedInformationFileKeepsItsIdentityWhenPublished) {
    FileIdentity id = WriteStagedInformationFile(File("staged"), {"/a;;1;;2;;3;;1;;2;;3;;0", "x"});
    PublishInformationFile(File("staged"), File("sindexi.dat"));
    EXPECT_FALSE(fs::exists(File("staged")));
    EXPECT_EQ(IdentityOfFile(File("sindexi.dat")), id);
    auto info = LoadInformationFile(File("sindexi.dat"));
    ASSERT_EQ(info->size(), 2u);
    EXPECT_EQ(info->identity(), id);
    EXPECT_EQ(info->line(0), "/a;;1;;2;;3;;1;;2;;3;;0");
    EXPECT_EQ(info->path(0), "/a");
    EXPECT_EQ(info->line(1), "x");
    EXPECT_THROW(PublishInformationFile(File("staged"), File("sindexi.dat")), AppError);
}

TEST_F(IndexFilesTest, LoadParsesLinesAndRereadsOnlyWhenTheFileChanges) {
    std::string path = File("sindexi.dat");
    std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF/a;;d;;e;;1;;3;;4;;5;;6\r\n"
                                             "\r/b;;d;;e;;1;;7;;8;;9;;-1\n/c";
    auto info = LoadInformationFile(path);
    ASSERT_EQ(info->size(), 4u);  // CR LF, CR and LF each end a line; an empty line counts
    EXPECT_EQ(info->line(0), "/a;;d;;e;;1;;3;;4;;5;;6");
    EXPECT_EQ(info->entry(0).catalogue, 3);
    EXPECT_EQ(info->entry(0).path_length, 4);
    EXPECT_EQ(info->entry(0).text_length, 5);
    EXPECT_EQ(info->entry(0).offset, 6);
    EXPECT_EQ(info->line(1), "");
    EXPECT_EQ(info->path(2), "/b");
    EXPECT_EQ(info->entry(2).offset, -1);
    EXPECT_EQ(info->line(3), "/c");
    EXPECT_EQ(LoadInformationFile(path), info);  // unchanged: the same parsed copy

    WriteTextFile(path, {"/z;;d;;e;;1;;1;;1;;1;;0"}, ByteOrderMark::kWithout);
    auto changed = LoadInformationFile(path);
    ASSERT_EQ(changed->size(), 1u);
    EXPECT_EQ(changed->path(0), "/z");
    EXPECT_EQ(info->size(), 4u);  // a search holding the old copy still sees it whole

    std::ofstream(path, std::ios::binary) << "/bad\xFF";
    EXPECT_THROW(LoadInformationFile(path), AppError);
    fs::remove(path);
    auto none = LoadInformationFile(path);
    EXPECT_EQ(none->size(), 0u);
    EXPECT_FALSE(none->identity());
}

}  // namespace
