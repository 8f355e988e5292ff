#include "pages/result_page.h"

#include <algorithm>

#include "pages/html_text.h"
#include "pages/page_head.h"
#include "search/index_files.h"
#include "text/record_field.h"
#include "text/text_file.h"
#include "text/text_rules.h"
#include "text/utf8.h"

namespace {

// The longest head block and text block the viewer takes from a catalogue record, and the
// longest file name it marks.
constexpr size_t kMaxHeadBytes = kHeadBufferSize - 1;
constexpr size_t kMaxBodyBytes = kBodyBufferSize;
constexpr size_t kMaxNameBytes = 8191;

// The display and the folded catalogue of the pair last opened.
struct CataloguePair {
    bool open = false;
    int32_t number = 0;
    index_files::CatalogueReader display, folded;

    bool Use(const std::string& app_dir, int32_t n) {
        if (open && number == n) return true;
        open = false;
        display.Close();
        folded.Close();
        if (!display.Open(app_dir + index_files::DisplayCatalogueName(n)) ||
            !folded.Open(app_dir + index_files::FoldedCatalogueName(n))) {
            display.Close();
            folded.Close();
            return false;
        }
        open = true;
        number = n;
        return true;
    }
};

// A head block ends at its first zero byte, as a zero-terminated text would.
std::string_view HeadText(std::string_view head) {
    return head.substr(0, std::min(head.size(), head.find('\0')));
}

std::string_view FileName(std::string_view head, const std::string& separator) {
    std::string_view name = head.substr(FileNameStart(head, separator));
    return name.substr(0, CutAtCharBoundary(name, kMaxNameBytes));
}

size_t LongestTerm(const std::vector<TermGroup>& groups) {
    size_t longest = 0;
    for (const TermGroup& group : groups)
        for (const std::string& term : group) longest = std::max(longest, term.size());
    return longest;
}

// A scratch buffer of at least n bytes; it only grows, so rows reuse it.
char* Room(std::string& buffer, size_t n) {
    if (buffer.size() < n) buffer.resize(n);
    return buffer.data();
}

// Scratch of one page: the open pair and the buffers of the record being built.
struct Scratch {
    CataloguePair pair;
    std::string match_head, show_head, match_body, show_body;
};

// The snippet reads only as much of the text block as its walk can reach, and the whole
// block when the walk comes near the end of what was read.
std::string BuildSnippet(const ViewerState& state, Scratch& s, int32_t offset, int32_t head_len,
                         int32_t body_len, int32_t first) {
    const size_t full = std::min<size_t>(std::max(body_len, 0), kMaxBodyBytes);
    const size_t margin = LongestTerm(state.TermGroups) + 8;
    const int64_t start = std::max<int64_t>(0, static_cast<int64_t>(first) - 50);
    size_t want = std::min(full, static_cast<size_t>(start) + 4096 + 2 * margin);
    for (;;) {
        size_t b = s.pair.folded
                       .Read(offset, head_len, body_len, nullptr, 0, Room(s.match_body, want), want)
                       .body;
        size_t shown =
            s.pair.display.Read(offset, head_len, body_len, nullptr, 0, Room(s.show_body, b), b)
                .body;
        size_t walked = 0;
        std::string snippet = MarkSnippet(std::string_view(s.match_body.data(), b),
                                          std::string_view(s.show_body.data(), shown), first,
                                          state.TermGroups, &walked);
        const bool cut_short = b == want && want < full;
        if (!cut_short || walked + margin < b) return snippet;
        want = full;
    }
}

// Appends fields 10 to 12 to record x from its catalogue pair; false when the pair cannot
// be opened.
bool BuildHtmlFields(ViewerState& state, size_t x, Scratch& s) {
    std::string_view record = state.Results[x];
    const int32_t n = ReadDecimal(RecordField(record, 5));
    const int32_t head_len = ReadDecimal(RecordField(record, 6));
    const int32_t body_len = ReadDecimal(RecordField(record, 7));
    const int32_t offset = ReadDecimal(RecordField(record, 8));
    const int32_t first = ReadDecimal(RecordField(record, 9));
    if (!s.pair.Use(state.AppDir, n)) return false;

    size_t a =
        s.pair.folded
            .Read(offset, head_len, 0, Room(s.match_head, kMaxHeadBytes), kMaxHeadBytes, nullptr, 0)
            .head;
    size_t shown =
        s.pair.display.Read(offset, head_len, 0, Room(s.show_head, a), a, nullptr, 0).head;
    std::string_view folded_head = HeadText(std::string_view(s.match_head.data(), a));
    std::string_view display_head = HeadText(std::string_view(s.show_head.data(), shown));

    std::string name = MarkName(FileName(folded_head, state.PathSeparator),
                                FileName(display_head, state.PathSeparator), state.TermGroups);
    std::string path = MarkName(folded_head, display_head, state.TermGroups);
    std::string snippet = BuildSnippet(state, s, offset, head_len, body_len, first);

    std::string& text = state.Results[x];
    text += kFieldSeparator;
    text += CloseRecordField(std::move(name));
    text += kFieldSeparator;
    text += CloseRecordField(std::move(path));
    text += kFieldSeparator;
    text += CloseRecordField(std::move(snippet));
    return true;
}

void AppendRow(std::vector<std::string>& lines, int64_t r, size_t x, std::string_view record) {
    const std::string num = std::to_string(x);
    lines.push_back("<P>");
    lines.push_back(std::to_string(r) + ".&nbsp;&nbsp;<A href=index.html?COM=OPEN&NUM=" + num +
                    ">" + std::string(RecordField(record, 10)) + "</A>&nbsp;&nbsp;");
    lines.push_back("<FONT SIZE=\"-1\"><A href=index.html?COM=SAVE&NUM=" + num +
                    ">(保存)</A>&nbsp;<A href=index.html?COM=VIEW&NUM=" + num +
                    ">(プレビュー)</A>&nbsp;<A href=index.html?COM=FOLDER&NUM=" + num +
                    ">(フォルダを開く)</A></FONT>　　");
    lines.push_back("<FONT color=#008000 SIZE=\"-1\">&nbsp;&nbsp;-&nbsp;&nbsp;ヒット数:" +
                    std::to_string(ReadDecimal(RecordField(record, 0))) + "</FONT><BR>");
    lines.push_back("<DIV class=\"ctby\"><FONT SIZE=\"-1\"> " +
                    std::string(RecordField(record, 12)) + " </FONT></DIV>");
    lines.push_back("<FONT color=#008000 SIZE=\"-2\"> " + std::string(RecordField(record, 11)) +
                    " <BR>");
    lines.push_back(SizeText(ReadDecimal(RecordField(record, 4))) + "&nbsp;-&nbsp;" +
                    EscapeHtml(RecordField(record, 2)) + " </FONT></P>");
}

}  // namespace

std::string SizeText(int32_t size) {
    if (size >= 1'000'001) return std::to_string(size / 1'000'000) + "MB";
    if (size >= 1'001) return std::to_string(size / 1'000) + "kB";
    return std::to_string(size) + "B";
}

std::vector<std::string> ResultPageLines(ViewerState& state) {
    std::vector<std::string> lines = PageHead(state);
    lines.insert(lines.end(),
                 {
                     "<style TYPE=\"text/css\"><!--",
                     "span.keyword { font-weight:bold; background-color: #ffff66;}",
                     "body {font-size:12pt;}",
                     "div.ctby { padding-top:5px; padding-bottom:5px; font-size:smaller; }",
                     "--></style>",
                     "<BODY>",
                 });

    const int64_t count = static_cast<int64_t>(state.Results.size());
    const int64_t first_row = static_cast<int64_t>(state.PageIndex) * state.PageSize;
    const int64_t end_row = first_row + state.PageSize;  // rows first_row .. end_row - 1
    const bool from_end = state.SortKey == 0 || state.SortKey == 2 || state.SortKey == 4;
    Scratch scratch;
    for (int64_t r = std::max<int64_t>(1, first_row + 1); r <= std::min(count, end_row); ++r) {
        const size_t x = static_cast<size_t>(from_end ? count - r : r - 1);
        if (RecordField(state.Results[x], 10).empty() && !BuildHtmlFields(state, x, scratch)) break;
        AppendRow(lines, r, x, state.Results[x]);
    }

    lines.push_back("</BODY>");
    lines.push_back("</HTML>");
    return lines;
}

void WriteResultPage(ViewerState& state) {
    WritePageFile(state.PageFile("main.html"), ResultPageLines(state));
}
