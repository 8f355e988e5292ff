// Deeply nested HTML: the parser is given a flat page in its place, so the work stays in
// proportion to the size, and the text still comes out whole and in order. Ordinary pages,
// sloppy ones included, are parsed as they stand.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "daradiv/extract/extractor.h"
#include "daradiv/extract/html_nesting.h"

namespace {

std::string Repeat(const std::string& s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(HtmlNesting, DeepPagesAreFlattenedAndKeepTheirText) {
    constexpr int kDeep = 100'000;
    struct Case {
        const char* what;
        std::string page;
    } cases[] = {
        {"nested blocks", "<title>題名</title><body>" + Repeat("<div>", kDeep) + "奥の言葉" +
                              Repeat("</div>", kDeep) + "後の言葉"},
        {"nested formatting", Repeat("<b>", kDeep) + "奥の言葉" + "<script>隠れた()</script>後の言葉"},
        {"end tags that close nothing", Repeat("<span><div></span>", kDeep) + "奥の言葉 後の言葉"},
        {"self-closed blocks", Repeat("<div/>", kDeep) + "奥の言葉 後の言葉"},
        {"nested tables", Repeat("<table><tr><td>", kDeep / 3) + "奥の言葉 後の言葉"},
        // End tags the parser takes otherwise than by closing what lies above them.
        {"a form's end leaves its content open", Repeat("<form><div></form>", kDeep) + "奥の言葉 後の言葉"},
        {"a list item's end stops at a list", Repeat("<li><ul></li>", kDeep) + "奥の言葉 後の言葉"},
        {"the body's end closes nothing", Repeat("<div></body>", kDeep) + "奥の言葉 後の言葉"},
        {"table parts outside a table", Repeat("<div><td></td>", kDeep) + "奥の言葉 後の言葉"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<std::string> flat = FlattenDeepHtml(c.page);
        ASSERT_TRUE(flat.has_value());
        // Nothing in the flat page can nest: only line breaks, the title and the body.
        EXPECT_EQ(Count(*flat, "<"), Count(*flat, "<br>") + 2 * Count(*flat, "<title>") + 1);

        ExtractResult r = ExtractFromBytes(c.page, "html");
        ASSERT_TRUE(r.ok);
        size_t inner = r.text.find("奥の言葉");
        ASSERT_NE(inner, std::string::npos);
        EXPECT_NE(r.text.find("後の言葉", inner), std::string::npos);
        EXPECT_EQ(r.text.find("隠れた"), std::string::npos);
    }
    ExtractResult titled = ExtractFromBytes(cases[0].page, "html");
    EXPECT_EQ(titled.text.rfind("題名", 0), 0u) << "the title comes first";
}

// Formatting elements that each paragraph reopens grow the parser's depth with no tag
// nesting in the source; alike ones are reopened at most three at a time.
TEST(HtmlNesting, ReopenedFormattingCountsUnlessAlike) {
    std::string differing, alike;
    for (int i = 0; i < 2000; ++i) {
        differing += "<p><font class=c" + std::to_string(i) + ">段落</p>";
        alike += "<p><font size=2>段落</p>";
    }
    EXPECT_TRUE(FlattenDeepHtml(differing).has_value());
    EXPECT_FALSE(FlattenDeepHtml(alike).has_value());
}

TEST(HtmlNesting, OrdinaryPagesAreLeftAsTheyAre) {
    const std::string cases[] = {
        Repeat("<div>", 200) + "text" + Repeat("</div>", 200),
        "<ul>" + Repeat("<li>item", 10'000) + "</ul>",
        Repeat("<p>paragraph <b>bold</b> <i>italic", 10'000),
        "<table>" + Repeat("<tr><td>a<td>b", 10'000) + "</table>",
        Repeat("<table><tr><td><div>cell</table>", 10'000),  // the table's end closes its cells
        Repeat("<div><span>unclosed</div>", 10'000),
        "<svg>" + Repeat("<path d=\"M0 0\"/>", 10'000) + "</svg>",
        Repeat("<script>if (a<b) { x = '<div>'; }</script>", 10'000),
        Repeat("<!-- <div> --><img src=x><br>", 10'000),
        "<select>" + Repeat("<option>o", 10'000) + "</select>",
    };
    for (const std::string& page : cases) EXPECT_FALSE(FlattenDeepHtml(page).has_value()) << page.substr(0, 60);

    int pages = 0;
    for (const auto& e : std::filesystem::directory_iterator(RUVUDAR_FIXTURES)) {
        std::string ext = e.path().extension().string();
        if (ext != ".html" && ext != ".htm") continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        EXPECT_FALSE(FlattenDeepHtml(bytes.str()).has_value()) << e.path();
        ++pages;
    }
    EXPECT_GT(pages, 0);
}

}  // namespace
