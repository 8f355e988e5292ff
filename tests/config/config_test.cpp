#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/application_table.h"
#include "config/extension_field.h"
#include "config/indexer_config.h"
#include "config/save_settings.h"
#include "config/viewer_settings.h"
#include "text/app_error.h"
#include "text/text_file.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;

namespace {

class ConfigDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTestFolder("config_test_");
        app_dir_ = dir_.string() + "/";
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string File(const std::string& name) { return app_dir_ + name; }
    void Put(const std::string& name, const std::string& bytes) {
        std::ofstream(File(name), std::ios::binary) << bytes;
    }
    std::string Bytes(const std::string& name) {
        return ReadFileBytes(File(name)).value_or("<missing>");
    }

    fs::path dir_;
    std::string app_dir_;
};

}  // namespace

TEST(ExtensionField, Rule) {
    struct Case { const char* text; const char* field; } cases[] = {
        {".h : .cpp : .c", ".h : .cpp : .c"},
        {"  .H:.Cpp :cpp: x.y. ", ".h : .cpp : x.y."},  // bare cpp dropped, blanks and case
        {".PDF", ".pdf"},
        {".Ｄoc : ．txt", ".ｄoc"},                        // full-width letter lower-cased; ． is not "."
        {"cpp : : ", ""},
        {"", ""},
        {".log:.log", ".log : .log"},                    // duplicates kept
    };
    for (const Case& c : cases) EXPECT_EQ(NormaliseExtensionField(c.text), c.field) << c.text;
}

TEST(IndexerConfigFormat, EmptyConfigurationIs69Bytes) {
    std::string bytes = FormatIndexerConfig({});
    EXPECT_EQ(bytes,
              "[Common]\r\nReindex=update\r\n\r\n[FileType]\r\n\r\n[SearchDir]\r\n\r\n[ExtraDir]\r\n");
    EXPECT_EQ(bytes.size(), 69u);
}

TEST(IndexerConfigFormat, EveryPieceInOrder) {
    IndexerConfig c;
    c.Rebuild = true;
    c.FileTypes = {true, true, true, true, true, true, true, true};
    c.ExtraExtensions = " .H : .PDF : cpp";
    c.Folders = {{"/data/a/", "文書"}, {"/data/b", ""}};
    c.Exclusions = {"/data/a/Private/", "/data/a/x.TXT"};
    EXPECT_EQ(FormatIndexerConfig(c),
              "[Common]\r\nReindex=full\r\n\r\n[FileType]\r\n"
              ".doc\r\n.docx\r\n.docm\r\n.xls\r\n.xlsx\r\n.xlsm\r\n.ppt\r\n.pptx\r\n.pptm\r\n"
              ".pdf\r\n.html\r\n.htm\r\n.txt\r\n.rtf\r\n.eml\r\n.h\r\n.pdf\r\n"
              "\r\n[SearchDir]\r\n/data/a/;;\xE6\x96\x87\xE6\x9B\xB8\r\n/data/b;;\r\n"
              "\r\n[ExtraDir]\r\n/data/a/Private/\r\n/data/a/x.TXT\r\n");
}

TEST(IndexerConfigPasses, FileTypes) {
    std::vector<std::string> lines = {"[Common]", "Reindex=full", "", "[FileType]", ".pdf",
                                      ".pdf", ".Doc", ".docm", "  ", ".h", "[SearchDir]",
                                      ".txt", "[FileType]", ".eml", "[ExtraDir]", ".rtf"};
    FileTypeSelection s = FileTypePass(lines);
    FileTypeBoxes expected = {true, false, false, true, false, false, false, true};
    EXPECT_EQ(s.FileTypes, expected);
    // Hand-written ".Doc" is not Word; blank lines are entries; the pass resumes at a second
    // [FileType].
    EXPECT_EQ(s.ExtraExtensions, ".Doc :    : .h");
    EXPECT_EQ(NormaliseExtensionField(s.ExtraExtensions), ".doc : .h");
    EXPECT_TRUE(ReindexFull(lines));
    EXPECT_FALSE(ReindexFull({"[Common]", "Reindex=update"}));
}

// The boxes after the eight (OpenDocument, EPUB, images) and the OCR line of [Common]: what
// is written reads back to the same boxes and bytes, and a file without them reads as before.
TEST(IndexerConfigPasses, NewBoxesAndPdfOcrRoundTrip) {
    IndexerConfig c;
    c.PdfOcr = true;
    c.FileTypes[3] = c.FileTypes[8] = c.FileTypes[9] = c.FileTypes[10] = true;
    c.ExtraExtensions = ".log";
    const std::string bytes = FormatIndexerConfig(c);
    EXPECT_EQ(bytes,
              "[Common]\r\nReindex=update\r\nPdfOcr=on\r\n\r\n[FileType]\r\n.pdf\r\n"
              ".odt\r\n.ods\r\n.odp\r\n.odg\r\n.fodt\r\n.fods\r\n.fodp\r\n.epub\r\n"
              ".png\r\n.jpg\r\n.jpeg\r\n.tif\r\n.tiff\r\n.log\r\n"
              "\r\n[SearchDir]\r\n\r\n[ExtraDir]\r\n");
    std::vector<std::string> lines = SplitLines(bytes);
    FileTypeSelection s = FileTypePass(lines);
    EXPECT_EQ(s.FileTypes, c.FileTypes);
    EXPECT_EQ(s.ExtraExtensions, ".log");
    EXPECT_TRUE(PdfOcrOn(lines));
    IndexerConfig again = c;
    again.FileTypes = s.FileTypes;
    again.PdfOcr = PdfOcrOn(lines);
    EXPECT_EQ(FormatIndexerConfig(again), bytes);

    // A file of the version before: no OCR line, its own extensions where they were.
    const std::string old_file =
        "[Common]\r\nReindex=update\r\n\r\n[FileType]\r\n.doc\r\n.docx\r\n.docm\r\n.h\r\n"
        "\r\n[SearchDir]\r\n/d/;;x\r\n\r\n[ExtraDir]\r\n";
    lines = SplitLines(old_file);
    s = FileTypePass(lines);
    EXPECT_EQ(s.FileTypes, (FileTypeBoxes{true}));
    EXPECT_EQ(s.ExtraExtensions, ".h");
    EXPECT_FALSE(PdfOcrOn(lines));
    IndexerConfig old;
    old.FileTypes = s.FileTypes;
    old.ExtraExtensions = s.ExtraExtensions;
    old.Folders = FolderPass(lines);
    EXPECT_EQ(FormatIndexerConfig(old), old_file);
    // The OCR line counts only in [Common].
    EXPECT_FALSE(PdfOcrOn({"[Common]", "[FileType]", "PdfOcr=on"}));
}

TEST(IndexerConfigPasses, FoldersCategoriesAndExclusions) {
    std::vector<std::string> lines = {
        "[SearchDir]", "/a/;;文書", "", "/b/;;仕事", "[FileType]", "/c/;;文書", "/d/;;文書 ",
        "/e/", "/f;;g/;;cat;;x", "[ExtraDir]", "/a/Secret/", "", "[SearchDir]", "/X.TXT"};
    // "[FileType]" inside the folder list is itself a folder line; nothing ends the exclusions.
    std::vector<std::string> dirs = SearchDirLines(lines);
    EXPECT_EQ(dirs, (std::vector<std::string>{"/a/;;文書", "/b/;;仕事", "[FileType]",
                                              "/c/;;文書", "/d/;;文書 ", "/e/",
                                              "/f;;g/;;cat;;x", "/X.TXT"}));
    EXPECT_EQ(DeriveCategories(dirs),
              (std::vector<std::string>{"文書", "仕事", "", "文書 ", "g/"}));
    std::vector<FolderRow> rows = FolderPass(lines);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[6], (FolderRow{"/f", "g/"}));
    EXPECT_EQ(rows[5], (FolderRow{"/e/", ""}));
    EXPECT_EQ(ExclusionPass(lines), (std::vector<std::string>{"/a/Secret/", "[SearchDir]", "/X.TXT"}));
}

TEST_F(ConfigDir, IndexerConfigRoundTripAndInvalidUtf8) {
    EXPECT_FALSE(ReadIndexerConfig(File("daradiv.ini")).has_value());
    IndexerConfig c;
    c.FileTypes[3] = true;
    c.ExtraExtensions = ".PDF";
    c.Folders = {{"/docs/", "文書"}};
    ASSERT_TRUE(WriteIndexerConfig(File("daradiv.ini"), c));
    EXPECT_EQ(Bytes("daradiv.ini"), FormatIndexerConfig(c));
    auto lines = ReadIndexerConfig(File("daradiv.ini"));
    ASSERT_TRUE(lines.has_value());
    FileTypeSelection s = FileTypePass(*lines);
    EXPECT_TRUE(s.FileTypes[3]);                 // ".pdf" written twice ticks the box ...
    EXPECT_EQ(s.ExtraExtensions, "");           // ... and leaves the field empty
    EXPECT_EQ(FolderPass(*lines), c.Folders);

    Put("daradiv.ini", "[SearchDir]\r\n/docs/;;\xE6\x96\r\n");
    try {
        ReadIndexerConfig(File("daradiv.ini"));
        ADD_FAILURE() << "invalid UTF-8 accepted";
    } catch (const AppError& e) {
        EXPECT_EQ(e.what(), File("daradiv.ini") + " の 2 行目を読み込めません（UTF-8 ではない文字があります）");
    }
    EXPECT_FALSE(WriteIndexerConfig(app_dir_ + "missing/daradiv.ini", c));
}

TEST_F(ConfigDir, ApplicationTable) {
    EXPECT_TRUE(ReadApplicationTable(File("appset.ini")).empty());
    std::vector<ApplicationRow> rows = {{".docx", "/usr/bin/libreoffice --writer"},
                                        {".TXT", "/usr/bin/gedit"}};
    ASSERT_TRUE(WriteApplicationTable(File("appset.ini"), rows));
    EXPECT_EQ(Bytes("appset.ini"),
              ".docx;;/usr/bin/libreoffice --writer\r\n.TXT;;/usr/bin/gedit\r\n");
    EXPECT_EQ(ReadApplicationTable(File("appset.ini")), rows);

    // Blank lines skipped, fields from the untrimmed line, BOM and any line end accepted.
    Put("appset.ini", "\xEF\xBB\xBF .pdf ;;/opt/viewer\n \t\r.pdf;;/second\r.eml\r\n.pdf;;/third");
    std::vector<ApplicationRow> read = ReadApplicationTable(File("appset.ini"));
    EXPECT_EQ(read, (std::vector<ApplicationRow>{
                        {" .pdf ", "/opt/viewer"}, {".pdf", "/second"}, {".eml", ""},
                        {".pdf", "/third"}}));
    EXPECT_EQ(FindApplication(read, ".pdf"), "/second");
    EXPECT_FALSE(FindApplication(rows, ".txt").has_value());  // upper-case entry never matches

    Put("appset.ini", ".txt;;\xFF\r\n");
    EXPECT_THROW(ReadApplicationTable(File("appset.ini")), AppError);
}

TEST_F(ConfigDir, ViewerSettingsRead) {
    EXPECT_EQ(ReadViewerSettings(File("ruvudar.ini")).ScheduleType, 3);
    Put("ruvudar.ini", "[COMMON]\r\nSCTYP=abc\r\nTIME1=$1F\r\nTIME2=25\r\nRHIGHT= 150\r\n");
    ViewerSettings s = ReadViewerSettings(File("ruvudar.ini"));
    EXPECT_EQ(s.ScheduleType, 3);
    EXPECT_EQ(s.ScheduleDelay, 31);
    EXPECT_EQ(s.ScheduleHour, 25);
    EXPECT_EQ(s.ScheduleMinute, 0);
    EXPECT_EQ(s.FrameHeight, 150);
}

TEST_F(ConfigDir, SaveSettingsWritesTheThreeFiles) {
    SettingsValues v;
    v.ScheduleRadio = 2;
    v.Edit2 = "007";
    v.Edit3 = " 12";
    v.Edit4 = "x";
    v.Edit5 = "abc";
    v.Indexer.Folders = {{"/docs/", "文書"}};
    v.Applications = {{".pdf", "/usr/bin/evince"}};
    SaveSettings(app_dir_, v);
    EXPECT_EQ(Bytes("ruvudar.ini"),
              "[COMMON]\r\nSCTYP=2\r\nTIME1=7\r\nTIME2=12\r\nTIME3=0\r\nRHIGHT=120\r\n");
    EXPECT_EQ(Bytes("daradiv.ini"), FormatIndexerConfig(v.Indexer));
    EXPECT_EQ(Bytes("appset.ini"), ".pdf;;/usr/bin/evince\r\n");

    // No radio button on: SCTYP stays as it was; other keys of the file survive.
    Put("ruvudar.ini", "[COMMON]\r\nSCTYP=7\r\nMINE=1\r\n");
    v.ScheduleRadio = 0;
    v.Edit5 = "-5";
    SaveSettings(app_dir_, v);
    EXPECT_EQ(Bytes("ruvudar.ini"),
              "[COMMON]\r\nSCTYP=7\r\nMINE=1\r\nTIME1=7\r\nTIME2=12\r\nTIME3=0\r\nRHIGHT=-5\r\n");
}

TEST_F(ConfigDir, SaveSettingsStopsAtAFailedSettingsWrite) {
    Put("daradiv.ini", "old");
    fs::create_directories(File("ruvudar.ini"));  // cannot be replaced
    SettingsValues v;
    v.ScheduleRadio = 1;
    try {
        SaveSettings(app_dir_, v);
        ADD_FAILURE() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(std::string(e.what()), File("ruvudar.ini") + " に書き込めません");
    }
    EXPECT_EQ(Bytes("daradiv.ini"), "old");
    EXPECT_FALSE(fs::exists(File("appset.ini")));
}
