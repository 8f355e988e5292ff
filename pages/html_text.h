// HTML text of the pages: the one walk that marks the search terms in a file name, a path
// or a snippet. Decisions are made on the folded text; the bytes written are those of the
// display text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "state/term_group.h"
#include "text/html_escape.h"

inline constexpr std::string_view kMarkOpen = "<span class=\"keyword\">";
inline constexpr std::string_view kMarkClose = "</span>";

inline constexpr size_t kMaxMarkedBytes = 8191;

// Mark-up written around a mark: at is the mark's offset in the walked text, length its
// bytes. Such mark-up counts toward no limit.
using MarkDecoration = std::function<void(std::string& out, size_t at, size_t length)>;

// The marking walk's rules. Limits count the bytes written before escaping, a mark's tags
// included. The walk writes at most max_marked such bytes and stops before a character or
// mark that would pass them.
struct MarkRules {
    int64_t start = 0;                  // bytes before it are passed over by whole characters
    bool whole_characters = false;      // copy unmatched text by characters, dropping bytes that
                                        // lead none; otherwise byte by byte
    bool angles_to_spaces = false;      // "<" and ">" outside marks become spaces
    size_t stop_after_mark = SIZE_MAX;  // stop right after a mark once output exceeds this
    size_t max_html = SIZE_MAX;         // stop before a step once output exceeds this
    size_t max_text = SIZE_MAX;         // stop before a step once text copied exceeds this
    size_t max_marked = kMaxMarkedBytes;
    // LF, CR LF and CR outside marks become "<BR>".
    bool line_breaks = false;
    // When paragraph_bytes is set, paragraph_break is written after an unmarked character
    // once that many bytes of text follow the last break: after a sentence end, or after a
    // space from twice as many, or after any character from four times as many.
    size_t paragraph_bytes = 0;
    std::string_view paragraph_break;
    MarkDecoration before_mark, after_mark;
};

// Walks folded and display (same byte layout; the shorter length counts). At each position
// the first term of groups, in group and term order, whose bytes lie there in folded is
// marked around the display bytes and the walk goes on after it; other text is copied.
// Every "&", "<", ">", '"' and ";" copied is written as a reference ("&#59;" for ";"), so the
// result can stand as a field of a ";;"-joined hit record. Ill-formed UTF-8 in the result
// becomes U+FFFD. When walked is given it receives the position where the walk stopped.
std::string MarkTerms(std::string_view folded, std::string_view display,
                      const std::vector<TermGroup>& groups, const MarkRules& rules,
                      size_t* walked = nullptr);

// The name and path HTML: marking byte by byte, stopping after the mark that takes the
// output past 800 bytes (the rest of the text is then left out).
std::string MarkName(std::string_view folded, std::string_view display,
                     const std::vector<TermGroup>& groups);

// The snippet HTML: from the first character at or after first_offset - 50, "<" and ">"
// as spaces, until more than 200 bytes of text or 2000 bytes of output are written.
std::string MarkSnippet(std::string_view folded, std::string_view display, int32_t first_offset,
                        const std::vector<TermGroup>& groups, size_t* walked = nullptr);

// Where the file name starts in path: just after the last separator that starts a
// character (by the lead-byte rule), 0 when there is none.
size_t FileNameStart(std::string_view path, std::string_view separator);

// An HTML field of a hit record, closed so that it never meets the ";;" that follows it:
// a field that ends in ";" (an escaped last character) gets an empty comment "<!---->".
std::string CloseRecordField(std::string html);
