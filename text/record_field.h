// Fields of ";;"-joined records: [SearchDir] lines, appset.ini lines, document lines of the
// information file and hit records.
#pragma once

#include <string_view>

inline constexpr std::string_view kFieldSeparator = ";;";

// Field n (from 0): the text after the n-th ";;" up to the next ";;" or the end. A field
// beyond the last is empty; fields are never trimmed. The view points into text.
inline std::string_view RecordField(std::string_view text, int n) {
    for (int k = 0; k < n; ++k) {
        size_t at = text.find(kFieldSeparator);
        if (at == std::string_view::npos) return {};
        text.remove_prefix(at + kFieldSeparator.size());
    }
    size_t end = text.find(kFieldSeparator);
    return end == std::string_view::npos ? text : text.substr(0, end);
}
