#include "pages/view_page.h"

#include <algorithm>

#include "pages/html_text.h"
#include "pages/page_head.h"
#include "pages/result_page.h"
#include "search/index_files.h"
#include "text/record_field.h"
#include "text/text_file.h"
#include "text/text_rules.h"
#include "text/utf8.h"

namespace {

// Bytes of text after which the text goes on in a new paragraph at the next sentence end.
constexpr size_t kViewParagraphBytes = 2000;
// Bytes of text on each side of an occurrence in the table at the top.
constexpr size_t kContextBefore = 30;
constexpr size_t kContextAfter = 60;

// The display and folded text blocks of a record, cut at the limit.
struct RecordText {
    bool read = false;  // false when the catalogue pair could not be opened
    bool cut = false;   // true when text was left out
    std::string display, folded;
};

RecordText ReadRecordText(const ViewerState& state, std::string_view record) {
    const int32_t n = ReadDecimal(RecordField(record, 5));
    const int32_t head_len = ReadDecimal(RecordField(record, 6));
    const int32_t body_len = ReadDecimal(RecordField(record, 7));
    const int32_t offset = ReadDecimal(RecordField(record, 8));
    RecordText text;
    index_files::CatalogueReader display, folded;
    if (!display.Open(state.AppFile(index_files::DisplayCatalogueName(n))) ||
        !folded.Open(state.AppFile(index_files::FoldedCatalogueName(n))))
        return text;
    text.read = true;
    const size_t full = static_cast<size_t>(std::max(body_len, 0));
    // A few bytes past the limit tell whether a character straddles it.
    const size_t want = std::min(full, kViewTextLimit + 8);
    text.folded.resize(want);
    text.folded.resize(
        folded.Read(offset, head_len, body_len, nullptr, 0, text.folded.data(), want).body);
    text.display.resize(text.folded.size());
    text.display.resize(
        display.Read(offset, head_len, body_len, nullptr, 0, text.display.data(), want).body);
    const size_t keep = CutAtCharBoundary(
        std::string_view(text.folded).substr(0, std::min(text.folded.size(), text.display.size())),
        kViewTextLimit);
    text.cut = full > keep;
    text.folded.resize(keep);
    text.display.resize(keep);
    return text;
}

// The command links of record x, as the result page writes them.
std::string CommandLink(const char* command, const std::string& num, const char* label) {
    return std::string("<A href=index.html?COM=") + command + "&NUM=" + num + ">" + label + "</A>";
}

// The "first", "previous" and "next" links after occurrence k; returns where the "next"
// link starts in out. No text between them: the style sheet spaces them.
size_t AppendNavigation(std::string& out, size_t k) {
    out += "<SUP class=\"vnav\"><A href=\"#h1\">最初</A>";
    if (k > 1) out += "<A href=\"#" + OccurrenceAnchor(k - 1) + "\">前</A>";
    const size_t next = out.size();
    out += "<A href=\"#" + OccurrenceAnchor(k + 1) + "\">次</A></SUP>";
    return next;
}

// The marked text around an occurrence for the table at the top.
std::string Context(const RecordText& text, size_t at, size_t length,
                    const std::vector<TermGroup>& groups) {
    size_t from = at > kContextBefore ? at - kContextBefore : 0;
    // Start on a character: step back over continuation bytes.
    while (from > 0 && from < at &&
           LeadByteLength(static_cast<unsigned char>(text.folded[from])) == 0)
        --from;
    size_t end =
        at + length +
        CutAtCharBoundary(std::string_view(text.folded).substr(at + length), kContextAfter);
    MarkRules rules;
    rules.whole_characters = true;
    std::string html =
        MarkTerms(std::string_view(text.folded).substr(from, end - from),
                  std::string_view(text.display).substr(from, end - from), groups, rules);
    return (from > 0 ? "…" : "") + html + (end < text.folded.size() ? "…" : "");
}

}  // namespace

std::string OccurrenceAnchor(size_t k) { return "h" + std::to_string(k); }

std::vector<std::string> ViewPageLines(const ViewerState& state, size_t x) {
    const std::string_view record = state.Results[x];
    const std::string num = std::to_string(x);
    const std::string_view path = RecordField(record, 1);
    const size_t name_at = FileNameStart(path, state.PathSeparator);
    const RecordText text = ReadRecordText(state, record);

    // The whole text, marked: each occurrence an anchor followed by its links.
    std::vector<size_t> starts, lengths;  // of the occurrences in the table
    size_t count = 0;
    size_t last_next = std::string::npos;  // where the last occurrence's "next" link starts
    MarkRules rules;
    rules.whole_characters = true;
    rules.line_breaks = true;
    rules.max_marked = SIZE_MAX;
    // Paragraphs of a few kilobytes: the web view lays out and paints only those in sight,
    // where one paragraph of a megabyte would take seconds.
    rules.paragraph_bytes = kViewParagraphBytes;
    rules.paragraph_break = "</P>\r\n<P>";
    rules.before_mark = [&](std::string& out, size_t at, size_t length) {
        ++count;
        if (starts.size() < kViewTableRows) {
            starts.push_back(at);
            lengths.push_back(length);
        }
        out += "<A id=\"" + OccurrenceAnchor(count) + "\"></A>";
    };
    rules.after_mark = [&](std::string& out, size_t, size_t) {
        last_next = AppendNavigation(out, count);
    };
    std::string body = MarkTerms(text.folded, text.display, state.TermGroups, rules);
    // The last occurrence has no next one.
    const std::string last_link = "<A href=\"#" + OccurrenceAnchor(count + 1) + "\">次</A>";
    if (last_next <= body.size() && body.compare(last_next, last_link.size(), last_link) == 0)
        body.erase(last_next, last_link.size());

    std::vector<std::string> lines = PageHead(state);
    lines.insert(lines.end(), {
                                  "<style TYPE=\"text/css\"><!--",
                                  "span.keyword { font-weight:bold; background-color: #ffff66;}",
                                  "body {font-size:12pt;}",
                                  "sup.vnav { font-size:x-small; }",
                                  "sup.vnav a { margin-left:0.3em; }",
                                  "table.vlist { font-size:smaller; }",
                                  "div.vtext { line-height:1.6; overflow-wrap:anywhere; }",
                                  "div.vtext p { margin:0 0 0.4em 0; content-visibility:auto; "
                                  "contain-intrinsic-size:auto 10em; }",
                                  "--></style>",
                                  "<BODY>",
                              });
    lines.push_back("<FONT SIZE=\"-1\"><A href=main.html>検索結果に戻る</A>　　" +
                    CommandLink("OPEN", num, "(開く)") + "&nbsp;" +
                    CommandLink("SAVE", num, "(保存)") + "&nbsp;" +
                    CommandLink("FOLDER", num, "(フォルダを開く)") + "</FONT>");
    lines.push_back("<P><B>" + EscapeHtml(path.substr(name_at)) + "</B><BR>");
    lines.push_back("<FONT color=#008000 SIZE=\"-1\">" + EscapeHtml(path.substr(0, name_at)) +
                    "<BR>");
    lines.push_back(SizeText(ReadDecimal(RecordField(record, 4))) + "&nbsp;-&nbsp;" +
                    EscapeHtml(RecordField(record, 2)) +
                    "&nbsp;&nbsp;-&nbsp;&nbsp;出現数:" + std::to_string(count) + "</FONT></P>");
    if (!text.read) {
        lines.push_back("<P>この文書の本文を読み込めませんでした。</P>");
    } else {
        if (count > 0) {
            std::string caption = "<P><FONT SIZE=\"-1\">出現箇所 " + std::to_string(count) + "件";
            if (count > starts.size())
                caption += "（先頭の" + std::to_string(starts.size()) + "件を表示）";
            lines.push_back(caption + "</FONT></P>");
            lines.push_back("<TABLE class=\"vlist\">");
            for (size_t k = 0; k < starts.size(); ++k)
                lines.push_back("<TR><TD><A href=\"#" + OccurrenceAnchor(k + 1) + "\">" +
                                std::to_string(k + 1) + "</A></TD><TD>" +
                                Context(text, starts[k], lengths[k], state.TermGroups) +
                                "</TD></TR>");
            lines.push_back("</TABLE>");
        }
        if (text.cut)
            lines.push_back("<P><FONT color=#c00000 SIZE=\"-1\">文書が長いため、先頭の" +
                            std::to_string(text.folded.size()) +
                            "バイトまでを表示しています。</FONT></P>");
        lines.push_back("<HR>");
        lines.push_back("<DIV class=\"vtext\"><P>" + body + "</P></DIV>");
    }
    lines.push_back("</BODY>");
    lines.push_back("</HTML>");
    return lines;
}

bool WriteViewPage(const ViewerState& state, size_t x) {
    if (x >= state.Results.size()) return false;
    WritePageFile(state.PageFile("view.html"), ViewPageLines(state, x));
    return true;
}
