#include "index_control/update_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "text/app_error.h"
#include "text/text_file.h"
#include "tests/support/test_folder.h"

namespace fs = std::filesystem;

namespace {

// A fresh program folder for one test, removed afterwards.
class LogFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = MakeTestFolder("update_log_");
        app_dir_ = dir_.string() + "/";
    }
    void TearDown() override { fs::remove_all(dir_); }

    void WriteRaw(const std::string& bytes) {
        std::ofstream(app_dir_ + "srep.txt", std::ios::binary) << bytes;
    }
    std::string ReadRaw() { return *ReadFileBytes(app_dir_ + "srep.txt"); }

    fs::path dir_;
    std::string app_dir_;
};

using Lines = std::vector<std::string>;

}  // namespace

TEST(UpdateLogStatus, Cases) {
    struct Case {
        const char* what;
        std::optional<Lines> lines;
        std::optional<std::string> status;
        bool ended;
    } cases[] = {
        {"no file", std::nullopt, "Index is not created.", false},
        {"no lines", Lines{}, "Index is not created.", false},
        {"progress line", Lines{"12/40 文書を処理中", "", "[更新記録]", "x"}, "12/40 文書を処理中",
         false},
        {"blank progress line still counts", Lines{" "}, " ", false},
        {"Japanese header", Lines{"", "[更新記録]", "100 件を登録", "詳細"}, "100 件を登録", true},
        {"English header with blanks", Lines{"", "  [Update Log]  ", "summary"}, "summary", true},
        {"header with control characters", Lines{"", "\t[Update Log]\x01", "s"}, "s", true},
        {"lower-case header is no header", Lines{"", "[update log]", "summary"}, std::nullopt,
         false},
        {"only free text", Lines{"", "something", "else"}, std::nullopt, false},
        {"first header wins", Lines{"", "[更新記録]", "first", "[更新記録]", "second"}, "first",
         true},
        {"summary after the header is taken as it stands", Lines{"", "[更新記録]", "[Update Log]"},
         "[Update Log]", true},
        {"header as last line", Lines{"", "text", "[更新記録]"}, "", true},
    };
    for (const Case& c : cases) {
        UpdateLogReading r = UpdateLogStatus(c.lines);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(r.ended, c.ended) << c.what;
    }
}

TEST(ProgressCounts, Cases) {
    struct Case {
        std::string status;
        int64_t done, total;  // total -1: no counts
    } cases[] = {
        {"インデックス更新中 12 / 340 件", 12, 340},
        {"インデックス更新中 0 / 5 件", 0, 5},
        {"1 / 2 files", 1, 2},
        {"インデックス更新中 9 / 3 件", 3, 3},  // never past the total
        {"インデックス更新中 文書を探しています", 0, -1},
        {"インデックス更新中 1 / 0 件", 0, -1},
        {"a / 3", 0, -1},
        {"3 / b", 0, -1},
        {"1/2", 0, -1},
        {"1 / 9999999999999999999 件", 0, -1},
        {"", 0, -1},
    };
    for (const Case& c : cases) {
        std::optional<UpdateCounts> counts = ProgressCounts(c.status);
        ASSERT_EQ(counts.has_value(), c.total >= 0) << c.status;
        if (!counts) continue;
        EXPECT_EQ(counts->done, c.done) << c.status;
        EXPECT_EQ(counts->total, c.total) << c.status;
    }
}

TEST_F(LogFolder, AbortEntryBytesAndReadBack) {
    WriteRaw("old progress line that is much longer than the entry\r\nmore\r\n");
    WriteAbortEntry(app_dir_, LocalTime{2024, 1, 5, 7, 3, 9});
    EXPECT_EQ(ReadRaw(),
              "\xEF\xBB\xBF\r\n"
              "[更新記録]\r\n"
              "2024-01-05 07:03:09  インデックス更新が中断されました\r\n"
              "\r\n"
              "設定画面よりインデックスを更新してください\r\n");
    UpdateLogReading r = UpdateLogStatus(ReadUpdateLog(app_dir_));
    EXPECT_EQ(r.status, "2024-01-05 07:03:09  インデックス更新が中断されました");
    EXPECT_TRUE(r.ended);
}

TEST_F(LogFolder, ReaderSkipsMarkSplitsLinesAndRepairsBadBytes) {
    EXPECT_FALSE(ReadUpdateLog(app_dir_).has_value());

    WriteRaw("\xEF\xBB\xBF");
    EXPECT_EQ(ReadUpdateLog(app_dir_), Lines{});
    EXPECT_EQ(UpdateLogStatus(ReadUpdateLog(app_dir_)).status, "Index is not created.");

    WriteRaw(
        "\xEF\xBB\xBF"
        "a\r\nb\rc\nd\r\n");
    EXPECT_EQ(ReadUpdateLog(app_dir_), (Lines{"a", "b", "c", "d"}));

    WriteRaw("ok\r\nbad \xFF\xFE name\r\n");
    EXPECT_EQ(ReadUpdateLog(app_dir_), (Lines{"ok", "bad \xEF\xBF\xBD\xEF\xBF\xBD name"}));
}

TEST_F(LogFolder, IndexerWritersKeepTheStructure) {
    std::string path = UpdateLogPath(app_dir_);
    EXPECT_EQ(path, app_dir_ + "srep.txt");

    WriteProgressLog(path, "3/10\r\n処理中");
    EXPECT_EQ(ReadRaw(),
              "\xEF\xBB\xBF"
              "3/10  処理中\r\n");
    UpdateLogReading r = UpdateLogStatus(ReadUpdateLog(app_dir_));
    EXPECT_EQ(r.status, "3/10  処理中");
    EXPECT_FALSE(r.ended);

    WriteProgressLog(path, "");  // an empty line 1 would read as an unfinished ended log
    EXPECT_EQ(UpdateLogStatus(ReadUpdateLog(app_dir_)).status, "...");

    WriteEndedLog(path, "10 件\n更新", {"追加 a&amp;b.txt", ""});
    EXPECT_EQ(ReadUpdateLog(app_dir_),
              (Lines{"", "[更新記録]", "10 件 更新", "追加 a&amp;b.txt", ""}));
    r = UpdateLogStatus(ReadUpdateLog(app_dir_));
    EXPECT_EQ(r.status, "10 件 更新");
    EXPECT_TRUE(r.ended);
}

TEST_F(LogFolder, AbortEntryThatCannotBeWrittenThrows) {
    EXPECT_THROW(WriteAbortEntry(app_dir_ + "missing/", LocalTime{}), AppError);
}
