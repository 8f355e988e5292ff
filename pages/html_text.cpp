#include "pages/html_text.h"

#include <algorithm>

#include "text/html_escape.h"
#include "text/utf8.h"

namespace {

// Length of the first term, in group and term order, whose bytes lie at p in text; 0 when
// none does. A term never reaches beyond the end of text.
size_t TermAt(std::string_view text, size_t p, const std::vector<TermGroup>& groups) {
    for (const TermGroup& group : groups)
        for (const std::string& term : group)
            if (!term.empty() && term[0] == text[p] && term.size() <= text.size() - p &&
                text.compare(p, term.size(), term) == 0)
                return term.size();
    return 0;
}

// True when text ends with a sentence end: "。", "！", "？", "．", ".", "!" or "?".
bool EndsSentence(std::string_view text) {
    for (std::string_view end : {"。", "！", "？", "．", ".", "!", "?"})
        if (text.size() >= end.size() && text.substr(text.size() - end.size()) == end) return true;
    return false;
}

}  // namespace

std::string MarkTerms(std::string_view folded, std::string_view display,
                      const std::vector<TermGroup>& groups, const MarkRules& rules,
                      size_t* walked) {
    const size_t len = std::min(folded.size(), display.size());
    const size_t tags = kMarkOpen.size() + kMarkClose.size();
    std::string out;
    if (rules.max_html == SIZE_MAX && rules.max_text == SIZE_MAX)
        out.reserve(std::min(len, rules.max_marked) + len / 8);
    size_t written = 0;      // bytes before escaping, tags included
    size_t text = 0;         // bytes of document text
    size_t since_break = 0;  // bytes of text since the last paragraph break
    size_t i = 0;
    while (i < len) {
        if (written > rules.max_html || text > rules.max_text) break;
        const unsigned char c = static_cast<unsigned char>(folded[i]);
        if (static_cast<int64_t>(i) < rules.start) {
            i += CharStep(c);
            continue;
        }
        if (size_t n = TermAt(folded.substr(0, len), i, groups)) {
            if (written + n + tags > rules.max_marked) break;
            if (rules.before_mark) rules.before_mark(out, i, n);
            out += kMarkOpen;
            AppendEscapedHtml(out, display.substr(i, n), true);
            out += kMarkClose;
            if (rules.after_mark) rules.after_mark(out, i, n);
            written += n + tags;
            text += n;
            since_break += n;
            i += n;
            if (written > rules.stop_after_mark) break;
            continue;
        }
        const size_t char_len = std::min(CharStep(c), len - i);
        size_t k = rules.whole_characters ? static_cast<size_t>(LeadByteLength(c)) : 1;
        if (k == 0) {
            ++i;
            continue;
        }
        k = std::min(k, len - i);
        // The bound falls between characters, also when copying byte by byte.
        if (written + std::max(k, char_len) > rules.max_marked) break;
        if (rules.angles_to_spaces && (c == '<' || c == '>'))
            out += ' ';
        else if (rules.line_breaks && (c == '\n' || c == '\r'))
            out += c == '\r' && i + 1 < len && folded[i + 1] == '\n' ? "" : "<BR>";
        else
            AppendEscapedHtml(out, display.substr(i, k), true);
        written += k;
        text += k;
        if (rules.paragraph_bytes != 0) {
            since_break += k;
            const size_t p = rules.paragraph_bytes;
            if (since_break >= p && (EndsSentence(folded.substr(0, i + k)) ||
                                     (since_break >= 2 * p && c == ' ') || since_break >= 4 * p)) {
                out += rules.paragraph_break;
                since_break = 0;
            }
        }
        i += k;
    }
    if (walked) *walked = i;
    if (!IsValidUtf8(out)) out = RepairUtf8(out);
    return out;
}

std::string MarkName(std::string_view folded, std::string_view display,
                     const std::vector<TermGroup>& groups) {
    MarkRules rules;
    rules.stop_after_mark = 800;
    return MarkTerms(folded, display, groups, rules);
}

std::string MarkSnippet(std::string_view folded, std::string_view display, int32_t first_offset,
                        const std::vector<TermGroup>& groups, size_t* walked) {
    MarkRules rules;
    rules.start = static_cast<int64_t>(first_offset) - 50;
    rules.whole_characters = true;
    rules.angles_to_spaces = true;
    rules.max_html = 2000;
    rules.max_text = 200;
    return MarkTerms(folded, display, groups, rules, walked);
}

size_t FileNameStart(std::string_view path, std::string_view separator) {
    if (separator.empty()) return 0;
    size_t start = 0;
    for (size_t i = 0; i < path.size(); i += CharStep(static_cast<unsigned char>(path[i]))) {
        if (path.compare(i, separator.size(), separator) == 0) start = i + separator.size();
    }
    return std::min(start, path.size());
}

std::string CloseRecordField(std::string html) {
    if (!html.empty() && html.back() == ';') html += "<!---->";
    return html;
}
