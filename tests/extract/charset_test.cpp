// Charset detection and conversion: Japanese legacy sets without a declaration, marks,
// labels, and the promise that the output is valid UTF-8 whatever the input.
#include <gtest/gtest.h>

#include <iconv.h>

#include <string>

#include "daradiv/extract/charset.h"
#include "text/utf8.h"

namespace {

std::string Encode(const std::string& utf8, const char* charset) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << charset;
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size(), out_left = out.size();
    char* o = out.data();
    EXPECT_NE(iconv(cd, &in, &in_left, &o, &out_left), static_cast<size_t>(-1)) << charset;
    iconv(cd, nullptr, nullptr, &o, &out_left);
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}

TEST(Charset, UndeclaredJapaneseTextComesOutRight) {
    const std::string sentence = "日本語の文章です。全角カナとひらがなを含みます。";
    const std::string vendor = "①㈱～の機種依存文字";
    struct Case { const char* charset; std::string text; };
    const Case cases[] = {
        {"SHIFT_JIS", sentence}, {"CP932", vendor + sentence}, {"EUC-JP", sentence},
        {"ISO-2022-JP", sentence}, {"SHIFT_JIS", "日本"},  // two characters only
        {"EUC-JP", "漢字"},       {"UTF-8", sentence},
    };
    for (const Case& c : cases) {
        std::string bytes = Encode(c.text, c.charset);
        EXPECT_EQ(DecodeUnknownText(bytes), c.text) << c.charset << " " << c.text;
    }
}

TEST(Charset, ByteOrderMarksAreHonouredAndRemoved) {
    const std::string text = "マーク付き text";
    EXPECT_EQ(DecodeUnknownText("\xEF\xBB\xBF" + text), text);
    EXPECT_EQ(DecodeUnknownText("\xFF\xFE" + Encode(text, "UTF-16LE")), text);
    EXPECT_EQ(DecodeUnknownText("\xFE\xFF" + Encode(text, "UTF-16BE")), text);
}

TEST(Charset, WesternTextIsNotTakenForJapanese) {
    std::string bytes = Encode("Un café crème à la façon de Noël, très naïve.", "CP1252");
    EXPECT_EQ(DecodeUnknownText(bytes), "Un café crème à la façon de Noël, très naïve.");
}

TEST(Charset, LabelsMapToTheSetsIconvShouldUse) {
    const std::pair<const char*, const char*> cases[] = {
        {"Shift_JIS", "CP932"},     {" x-sjis ", "CP932"},      {"\"windows-31j\"", "CP932"},
        {"932", "CP932"},           {"EUC-JP", "EUC-JP-MS"},    {"iso-2022-jp", "ISO-2022-JP"},
        {"utf8", "UTF-8"},          {"65001", "UTF-8"},         {"us-ascii", ""},
        {"ISO-8859-1", "CP1252"},   {"1252", "CP1252"},         {"koi8-r", "KOI8-R"},
        {"", ""},
    };
    for (const auto& [label, expected] : cases) EXPECT_EQ(CanonicalCharset(label), expected) << label;
}

TEST(Charset, OutputIsAlwaysValidUtf8) {
    // Invalid UTF-8, a Shift_JIS character cut in half, a set iconv does not know, and a
    // stateful set left in its two-byte mode: each still gives valid UTF-8.
    std::string sjis = Encode("日本語", "SHIFT_JIS");
    const std::pair<std::string, std::string> cases[] = {
        {"abc\xFF\xFE" "def", "UTF-8"},
        {sjis.substr(0, sjis.size() - 1), "CP932"},
        {"plain words", "NO-SUCH-CHARSET"},
        {"\x1b$B$3$s", "ISO-2022-JP"},
        {std::string("\x00\xD8\x41\x00", 4), "UTF-16LE"},  // unpaired surrogate
    };
    for (const auto& [bytes, charset] : cases) {
        std::string out = ConvertToUtf8(bytes, charset);
        EXPECT_TRUE(IsValidUtf8(out)) << charset;
    }
    EXPECT_EQ(ConvertToUtf8("abc\xFF" "def", "UTF-8"), "abc\xEF\xBF\xBD" "def");
    EXPECT_EQ(ConvertToUtf8(sjis.substr(0, 3), "CP932"), "日\xEF\xBF\xBD");
}

}  // namespace
