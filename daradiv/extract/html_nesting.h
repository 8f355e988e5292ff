// Guards the HTML parser against deeply nested mark-up. Each element the parser opens looks
// through the elements already open, so 100,000 nested elements cost it minutes. A cheap
// linear scan estimates how deep the parser's open elements would go (counting formatting
// elements it would reopen, too); past the limit the page is flattened: its text kept, the
// block elements as line breaks, every other tag, comment, script and style left out. Pages
// within the limit are not touched.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Deeper than any page written by hand or by a common tool.
inline constexpr size_t kMaxHtmlNesting = 256;

// Nothing when html stays within max_depth; otherwise the flattened page (UTF-8 in, UTF-8
// out), which parses in time proportional to its size. The first title is kept at its start.
std::optional<std::string> FlattenDeepHtml(std::string_view html,
                                           size_t max_depth = kMaxHtmlNesting);
