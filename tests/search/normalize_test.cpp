#include "search/normalize.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Runs NormalizeSpacing over text plus its terminator, as the keyword path does.
std::string Spacing(const std::string& text) {
    std::string buf = text + '\0';
    int32_t n = NormalizeSpacing(buf.data(), static_cast<int32_t>(text.size()));
    return buf.substr(0, static_cast<size_t>(n));
}

std::string Fold(std::string text) {
    int32_t n = FoldLetters(text.data(), static_cast<int32_t>(text.size()));
    return text.substr(0, static_cast<size_t>(n));
}

TEST(NormalizeSpacing, Rules) {
    struct Case {
        const char* in;
        std::string out;  // includes the terminator
    } cases[] = {
        {"  a \t b  ", std::string("a b \0", 5)},
        {"\r\na\nb", std::string("a b\0", 4)},
        {"a\x0b\x0c", std::string("a\x0b\x0c\0", 4)},    // VT, FF are ordinary
        {"\xE3\x80\x80x", std::string(" x\0", 3)},       // U+3000 also at the start
        {"a \xE3\x80\x80 b", std::string("a  b\0", 5)},  // ... and after a space
        {"\xEF\xBC\x91\xEF\xBC\xA1\xEF\xBD\x9A", std::string("1Az\0", 4)},
        {"\xEF\xBC\x82\xEF\xBC\x88", std::string("\xEF\xBC\x82\xEF\xBC\x88\0", 7)},
        {"a\x80\xC1\xFE\xFF"
         "b",
         std::string("ab\0", 3)},  // not lead bytes
        {"\xC3\xA4\xF0\x9F\x98\x80", std::string("\xC3\xA4\xF0\x9F\x98\x80\0", 7)},
    };
    for (const Case& c : cases) EXPECT_EQ(Spacing(c.in), c.out) << c.in;
}

TEST(NormalizeSpacing, LengthAndTheExtraByte) {
    char buf[] = {'a', 'b', ' ', ' ', '\0'};
    EXPECT_EQ(NormalizeSpacing(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), std::string("ab \0", 4));
    EXPECT_EQ(FoldLetters(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), std::string("AB \0", 4));

    char untouched[] = "xy";
    EXPECT_EQ(NormalizeSpacing(untouched, -1), 0);
    EXPECT_STREQ(untouched, "xy");
    EXPECT_EQ(FoldLetters(untouched, 0), 0);
    EXPECT_STREQ(untouched, "xy");
}

TEST(NormalizeSpacing, SequenceAtTheLastReadableByteIsNotReadPast) {
    // n = 1: bytes 0 and 1 may be read; the three-byte lead at 1 is copied alone.
    char buf[] = {'a', '\xE3', '\x80', '\x80'};
    EXPECT_EQ(NormalizeSpacing(buf, 1), 2);
    EXPECT_EQ(buf[1], '\xE3');
}

TEST(NormalizeSpacing, ReadsAtMostTheCapPlusOne) {
    std::string big(kNormalizeCap + 10, 'x');
    EXPECT_EQ(NormalizeSpacing(big.data(), static_cast<int32_t>(big.size())), kNormalizeCap + 1);
    std::string fold(kNormalizeCap + 10, 'x');
    EXPECT_EQ(FoldLetters(fold.data(), static_cast<int32_t>(fold.size())), kNormalizeCap);
    EXPECT_EQ(fold[kNormalizeCap - 1], 'X');
    EXPECT_EQ(fold[kNormalizeCap], 'x');
}

TEST(FoldLetters, Table) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"az{AZ09", "AZ{AZ09"},
        {"\xC3\xA0\xC3\xA4\xC3\xB7\xC3\xBF", "\xC3\x80\xC3\x84\xC3\x97\xC3\x9F"},  // àä÷ÿ
        {"\xC4\x81\xC4\xB1\xC4\xB7", "\xC4\x80\xC4\xB0\xC4\xB6"},  // ā ı ķ (odd, to 0137)
        {"\xC4\x80\xC4\xB8", "\xC4\x80\xC4\xB8"},                  // Ā ĸ unchanged
        {"\xC4\xBA\xC5\x80\xC5\x88\xC5\x89", "\xC4\xB9\xC4\xBF\xC5\x87\xC5\x89"},  // ĺ ŀ ň ŉ
        {"\xC5\x8B\xC5\xB7\xC5\xB8", "\xC5\x8A\xC5\xB6\xC5\xB8"},                  // ŋ ŷ Ÿ
        {"\xC5\xBA\xC5\xBC\xC5\xBE\xC5\xBF", "\xC5\xB9\xC5\xBB\xC5\xBD\xC5\xBF"},  // źżž ſ
        {"\xC8\x99\xC8\x9B\xC8\x98\xC6\x80", "\xC8\x98\xC8\x9A\xC8\x98\xC6\x80"},  // șț Ș ƀ
        {"\xCE\xB1\xCF\x82\xCF\x89\xD0\xB0", "\xCE\x91\xCE\xA2\xCE\xA9\xD0\xB0"},  // αςω а
        {"\xE3\x82\xA1\xE3\x83\xB6\xE3\x83\xB7\xE6\x9D\xB1",
         "\xE3\x81\x81\xE3\x82\x96\xE3\x83\xB7\xE6\x9D\xB1"},  // ァヶ folded, ヷ 東 not
        {"a\x80\xFE"
         "b",
         "AB"},
    };
    for (const Case& c : cases) EXPECT_EQ(Fold(c.in), c.out) << c.in;
}

TEST(StringHelpers, SameRulesOverTheWholeText) {
    EXPECT_EQ(NormalizedCopy("  \xEF\xBC\xA1  b\t"), "A b ");
    EXPECT_EQ(FoldedCopy("ab\xE3\x82\xAB"), "AB\xE3\x81\x8B");
    std::string s = "x\x80y";
    FoldLettersInPlace(s);
    EXPECT_EQ(s, "XY");
}

}  // namespace
