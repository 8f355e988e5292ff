#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "text/app_error.h"
#include "text/record_field.h"
#include "text/text_file.h"
#include "text/text_rules.h"
#include "text/utf8.h"
#include "tests/support/test_folder.h"

TEST(LeadByte, TableOfLengths) {
    struct Case { unsigned char b; int len; } cases[] = {
        {0x00, 1}, {0x7F, 1}, {0x80, 0}, {0xC1, 0}, {0xC2, 2}, {0xDF, 2}, {0xE0, 3},
        {0xEF, 3}, {0xF0, 4}, {0xF7, 4}, {0xF8, 5}, {0xFB, 5}, {0xFC, 6}, {0xFD, 6},
        {0xFE, 0}, {0xFF, 0}};
    for (auto c : cases) EXPECT_EQ(LeadByteLength(c.b), c.len) << int(c.b);
}

TEST(Utf8, StrictDecodeRejectsInvalidBytes) {
    EXPECT_EQ(DecodeUtf8Strict("文書"), "文書");
    for (std::string bad : {"\xFF", "\xC3", "\xE6\x96", "\xC0\xAF", "\xED\xA0\x80"}) {
        try {
            DecodeUtf8Strict(bad);
            ADD_FAILURE() << "accepted invalid bytes";
        } catch (const AppError& e) {
            EXPECT_STREQ(e.what(), kUtf8MappingError);
        }
    }
}

TEST(Utf8, RepairAndCutAtBoundary) {
    EXPECT_EQ(RepairUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(CutAtCharBoundary("ab文", 4), 2u);   // 文 is 3 bytes
    EXPECT_EQ(CutAtCharBoundary("ab文", 5), 5u);
}

TEST(Utf8, OrdinalComparisonIsUtf16Order) {
    EXPECT_LT(CompareUtf16Ordinal("C:\\Z.txt", "C:\\a.txt"), 0);
    EXPECT_LT(CompareUtf16Ordinal("ab", "abc"), 0);
    EXPECT_EQ(CompareUtf16Ordinal("文書", "文書"), 0);
    // U+1F600 (surrogates D83D...) sorts before U+FF21 in UTF-16, after it in UTF-8.
    EXPECT_LT(CompareUtf16Ordinal("\xF0\x9F\x98\x80", "\xEF\xBC\xA1"), 0);
}

TEST(RecordField, FieldsAndBeyond) {
    EXPECT_EQ(RecordField("a;;b;;c", 0), "a");
    EXPECT_EQ(RecordField("a;;b;;c", 2), "c");
    EXPECT_EQ(RecordField("a;;b;;c", 3), "");
    EXPECT_EQ(RecordField("folder", 1), "");
    EXPECT_EQ(RecordField(" a ;;;b", 1), ";b");
}

TEST(TextRules, TrimLowerAndIntegers) {
    EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
    EXPECT_EQ(LowerCase(".CPP ÄÖ Σ"), ".cpp äö σ");
    struct Case { const char* text; int32_t want; } cases[] = {
        {"12", 12}, {" 12", 12}, {"-7", -7}, {"+3", 3}, {"$1F", 31}, {"x1f", 31},
        {"0x10", 16}, {"abc", 0}, {"", 0}, {"12 ", 0}, {"007", 7}, {"2147483648", 0},
        {"-2147483648", INT32_MIN}};
    for (auto c : cases) EXPECT_EQ(ReadInteger(c.text, 0), c.want) << c.text;
    EXPECT_EQ(ReadInteger("abc", 120), 120);
    EXPECT_EQ(ReadDecimal("2147483648"), 0);
    EXPECT_EQ(ReadDecimal("-5"), -5);
}

TEST(TextFile, LinesBomAndWrite) {
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\n"), (std::vector<std::string>{"a", ""}));
    auto dir = MakeTestFolder("ruvudar_text_test_");
    std::string path = (dir / "p.html").string();
    WritePageFile(path, {"x", "文"});
    EXPECT_EQ(*ReadFileBytes(path), "\xEF\xBB\xBFx\r\n文\r\n");
    EXPECT_EQ(*ReadTextLines(path), (std::vector<std::string>{"x", "文"}));
    // A file that is not UTF-8 throws an error that names it and the line of the first bad
    // byte, whatever the line ends; a byte-order mark is no line.
    struct Bad {
        const char* bytes;
        size_t line;
    } bad[] = {{"ok\n\xFF\n", 2},
               {"\xEF\xBB\xBF\xFF", 1},
               {"a\r\nb\rc\n\nd \xE6\x96", 5},
               {"\xEF\xBB\xBF" "a\r\n\r\n/home/u/\x95\xB6\x8F\x91/\r\n\xFF", 3}};
    std::string bad_path = (dir / "bad.txt").string();
    for (const Bad& b : bad) {
        std::ofstream(bad_path, std::ios::binary) << b.bytes;
        try {
            ReadTextLines(bad_path);
            ADD_FAILURE() << b.line;
        } catch (const UnreadableFileError& e) {
            EXPECT_EQ(e.line(), b.line);
            EXPECT_EQ(e.path(), bad_path);
            EXPECT_EQ(e.what(), bad_path + " の " + std::to_string(b.line) +
                                    " 行目を読み込めません（UTF-8 ではない文字があります）");
        }
    }
    EXPECT_FALSE(ReadTextLines((dir / "missing").string()).has_value());
    EXPECT_THROW(WritePageFile((dir / "no" / "such" / "x").string(), {"a"}), AppError);
    std::filesystem::remove_all(dir);
}
