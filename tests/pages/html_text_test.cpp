#include "pages/html_text.h"

#include <gtest/gtest.h>

#include "text/record_field.h"

namespace {

std::string Mark(const std::string& text) { return "<span class=\"keyword\">" + text + "</span>"; }

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

}  // namespace

TEST(EscapeHtml, ReferencesForMarkupCharacters) {
    EXPECT_EQ(EscapeHtml("a&b<c>d\"e;f'g 文"), "a&amp;b&lt;c&gt;d&quot;e;f'g 文");
    EXPECT_EQ(EscapeHtml(""), "");
}

TEST(MarkName, MarkedTermIsNotMarkedAgain) {
    // Groups [AB], [B]: the B inside the marked AB is passed by the walk.
    EXPECT_EQ(MarkName("AB.TXT", "ab.txt", {{"AB"}, {"B"}}), Mark("ab") + ".txt");
    EXPECT_EQ(MarkName("B.AB", "b.ab", {{"AB"}, {"B"}}), Mark("b") + "." + Mark("ab"));
}

TEST(MarkName, FoldedTextDecidesDisplayTextGivesTheBytes) {
    EXPECT_EQ(MarkName("XかなX", "xカナx", {{"かな"}}), "x" + Mark("カナ") + "x");
    // The first term in group order wins at a position, even when a later one is longer.
    EXPECT_EQ(MarkName("ABC", "abc", {{"A"}, {"ABC"}}), Mark("a") + "bc");
    EXPECT_EQ(MarkName("", "", {{"A"}}), "");
    EXPECT_EQ(MarkName("ABC", "abc", {}), "abc");
}

TEST(MarkName, StopsAfterTheMarkThatPassesEightHundredBytes) {
    // Each "xA" adds 1 + 1 + 29 bytes; the 26th mark takes the output to 806 bytes.
    std::string folded = Repeat("XA", 100), display = Repeat("xA", 100);
    EXPECT_EQ(MarkName(folded, display, {{"A"}}), Repeat("x" + Mark("A"), 26));
    // Without marks nothing stops the copy.
    EXPECT_EQ(MarkName(Repeat("X", 900), Repeat("x", 900), {{"A"}}), Repeat("x", 900));
}

TEST(MarkName, DocumentCharactersBecomeReferences) {
    EXPECT_EQ(MarkName("A<B>&\"C\";.TXT", "a<b>&\"c\";.txt", {{"C"}}),
              "a&lt;b&gt;&amp;&quot;" + Mark("c") + "&quot;&#59;.txt");
    // A mark keeps its bytes escaped too.
    EXPECT_EQ(MarkName("X;;Y", "x;;y", {{";;"}}), "x" + Mark("&#59;&#59;") + "y");
}

TEST(MarkTerms, ParagraphsBreakAfterSentenceEndsOutsideMarks) {
    MarkRules rules;
    rules.paragraph_bytes = 6;
    rules.paragraph_break = "|";
    auto mark = [&](const std::string& text, const std::vector<TermGroup>& groups) {
        return MarkTerms(text, text, groups, rules);
    };
    // A sentence end once 6 bytes have gone by; a mark counts, and is never cut.
    EXPECT_EQ(mark("ab. cdefg. hi!", {}), "ab. cdefg.| hi!");
    EXPECT_EQ(mark("これは。あれ", {}), "これは。|あれ");
    EXPECT_EQ(mark("AAAAAA.B", {{"AAAAAA."}}), Mark("AAAAAA.") + "B");
    // Without a sentence end: a space from 12 bytes, any character from 24.
    EXPECT_EQ(mark("abcdefghijkl m", {}), "abcdefghijkl |m");
    EXPECT_EQ(mark(Repeat("x", 30), {}), Repeat("x", 24) + "|" + Repeat("x", 6));
    // Line breaks become breaks in the same paragraph.
    rules.line_breaks = true;
    EXPECT_EQ(mark("a\r\nb\nc", {}), "a<BR>b<BR>c");
}

TEST(MarkTerms, OutputIsBoundedBetweenCharacters) {
    std::string long_path = Repeat("/長い名前", 1000);  // 13,000 bytes, no term in it
    std::string html = MarkName(long_path, long_path, {{"A"}});
    EXPECT_LE(html.size(), kMaxMarkedBytes);
    EXPECT_GT(html.size(), kMaxMarkedBytes - 13);
    EXPECT_EQ(long_path.compare(0, html.size(), html), 0);  // a whole-character prefix
}

TEST(MarkTerms, IllFormedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(MarkName("A\xFF"
                       "B",
                       "a\xFF"
                       "b",
                       {{"B"}}),
              "a\xEF\xBF\xBD" + Mark("b"));
}

TEST(MarkSnippet, StartsFiftyBytesBeforeTheFirstOccurrence) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += static_cast<char>('A' + i % 26);
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(c - 'A' + 'a');
    // First occurrence 30: from the start of the text; 201 bytes of text are written.
    EXPECT_EQ(MarkSnippet(text, lower, 30, {}), lower.substr(0, 201));
    EXPECT_EQ(MarkSnippet(text, lower, -1, {}), lower.substr(0, 201));
    // First occurrence 120: from byte 70.
    EXPECT_EQ(MarkSnippet(text, lower, 120, {}), lower.substr(70, 201));
    // Near the end the text runs out first.
    EXPECT_EQ(MarkSnippet(text, lower, 290, {}), lower.substr(240));
}

TEST(MarkSnippet, StartMovesToTheNextWholeCharacter) {
    std::string text = Repeat("あ", 40);  // 120 bytes; offset 100 - 50 = 50 is inside a character
    EXPECT_EQ(MarkSnippet(text, text, 100, {}), text.substr(51));
}

TEST(MarkSnippet, ThreeByteTextGivesSixtySevenCharacters) {
    std::string text = Repeat("漢", 100);
    EXPECT_EQ(MarkSnippet(text, text, -1, {}), Repeat("漢", 67));
}

TEST(MarkSnippet, AnglesBecomeSpacesAndOtherCharactersReferences) {
    EXPECT_EQ(MarkSnippet("A<B>C", "a<b>c", -1, {}), "a b c");
    EXPECT_EQ(MarkSnippet("X&Y\"Z;", "x&y\"z;", -1, {{"Y"}}),
              "x&amp;" + Mark("y") + "&quot;z&#59;");
}

TEST(MarkSnippet, StopsAfterTwoThousandBytesOfHtml) {
    // Every mark counts 30 bytes: the 67th takes the output past 2000.
    std::string text = Repeat("A", 1000);
    EXPECT_EQ(MarkSnippet(text, Repeat("a", 1000), -1, {{"A"}}), Repeat(Mark("a"), 67));
}

TEST(MarkSnippet, DropsBytesThatLeadNoCharacter) {
    EXPECT_EQ(MarkSnippet("A\x80\xBF"
                          "B",
                          "a\x80\xBF"
                          "b",
                          -1, {}),
              "ab");
    EXPECT_EQ(MarkSnippet("", "", 0, {{"A"}}), "");
}

TEST(FileNameStart, AfterTheLastSeparatorThatStartsACharacter) {
    struct Case {
        std::string path;
        size_t start;
    } cases[] = {
        {"/home/u/ab.txt", 8}, {"ab.txt", 0}, {"/dir/", 5}, {"", 0},
        {"a/\xE3/x", 2},  // the lead byte E3 takes "/" and "x" into its character
    };
    for (const Case& c : cases) EXPECT_EQ(FileNameStart(c.path, "/"), c.start) << c.path;
}

TEST(CloseRecordField, FieldEndingInAReferenceIsClosed) {
    EXPECT_EQ(CloseRecordField("a.c&#59;"), "a.c&#59;<!---->");
    EXPECT_EQ(CloseRecordField("a&amp;"), "a&amp;<!---->");
    EXPECT_EQ(CloseRecordField("abc"), "abc");
    EXPECT_EQ(CloseRecordField(""), "");
    // The closed field survives in a ";;"-joined record.
    std::string record = "0;;" + CloseRecordField(MarkName("F&", "f&", {})) + ";;next";
    EXPECT_EQ(RecordField(record, 1), "f&amp;<!---->");
    EXPECT_EQ(RecordField(record, 2), "next");
}
