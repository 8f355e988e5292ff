#include "app/url_decode.h"

#include <gtest/gtest.h>

#include "text/utf8.h"

namespace {

TEST(DecodeUrl, Cases) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"%E6%96%87%E6%9B%B8", "文書"},
        {"a+b", "a b"},
        {"a%2Bb", "a+b"},     // the decoded plus stays a plus
        {"%2541", "%41"},     // the decoded percent starts no escape
        {"%e6%96%87", "文"},  // lower-case hex digits
        {"%zz", "S"},         // unchecked digits: 16*35 + 35, mod 256
        {"%  ", "\xF0"},      // blanks read as c - 0x30: 16*-16 + -16, mod 256
        {"abc%", "abc%"},     // a trailing "%" reads nothing past the end
        {"abc%4", "abc%4"},
        {"a%00b", "a"},  // the decoded text ends at a NUL byte
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeUrl(c.in), c.out) << c.in;
}

TEST(DecodedUrl, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(DecodedUrl("KEYWORD=%FFa"), "KEYWORD=\uFFFDa");
    std::string cut = DecodedUrl("KEYWORD=%E6%96");  // a character cut short
    EXPECT_TRUE(IsValidUtf8(cut));
    EXPECT_EQ(cut.substr(0, 11), "KEYWORD=\uFFFD");
}

TEST(QueryValue, FirstOccurrenceUpToAmpersand) {
    std::string url = "file:///a/page/index.html?COM=SEARCH&KEYWORD=x y&COM=OPEN";
    EXPECT_EQ(QueryValue(url, "COM"), "SEARCH");
    EXPECT_EQ(QueryValue(url, "KEYWORD"), "x y");
    EXPECT_EQ(QueryValue(url, "NUM"), "");
    EXPECT_EQ(QueryValue("x?SORT=", "SORT"), "");
    EXPECT_EQ(QueryValue("x?com=HOME", "COM"), "");  // names match with case
    // The lookup runs over the whole URL, folder included, and matches inside longer names.
    EXPECT_EQ(QueryValue("file:///COM=HOME/page/index.html", "COM"), "HOME/page/index.html");
    EXPECT_EQ(QueryValue("x?XNUM=3", "NUM"), "3");
}

// The one-pass reading of numbered parameters answers exactly as one lookup per number would,
// traps included: a name inside the keyword, overlapping prefixes, leading zeros, repeats.
TEST(NumberedValuesEqual, AgreesWithOneLookupPerNumber) {
    const char* urls[] = {
        "x?COM=SEARCH&KEYWORD=a&CATCHK1=ON&CATCHK3=ON&CATCHK12=ON",
        "x?COM=SEARCH&KEYWORD=CATCHK2=ON&CATCHK1=on&CATCHK2=OFF",
        "x?KEYWORD=a&CATCHK3=OFF&CATCHK3=ON&CATCHK03=ON&CATCHK0=ON",
        "x?KEYWORD=CATCATCHK4=ON&CATCHKCATCHK5=ON&XCATCHK6=ON&CATCHK7=ONX&CATCHK8=",
        "x?CATCHK9=ON&CATCHK99999999999=ON&CATCHK10=ON&CATCHK11",
        "",
    };
    for (const char* url : urls) {
        for (size_t count : {0u, 3u, 12u}) {
            std::vector<bool> got = NumberedValuesEqual(url, "CATCHK", count, "ON");
            ASSERT_EQ(got.size(), count);
            for (size_t n = 1; n <= count; ++n)
                EXPECT_EQ(got[n - 1], QueryValue(url, "CATCHK" + std::to_string(n)) == "ON")
                    << url << " n=" << n;
        }
    }
}

TEST(WholeNumber, Fallback) {
    EXPECT_EQ(WholeNumber("12"), 12);
    EXPECT_EQ(WholeNumber(""), -1);
    EXPECT_EQ(WholeNumber("x"), -1);
    EXPECT_EQ(WholeNumber("-2"), -2);
    EXPECT_EQ(WholeNumber("3 "), -1);
}

}  // namespace
