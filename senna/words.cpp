#include "senna/words.h"

#include <algorithm>

namespace senna {

bool IsWordByte(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void AppendWords(std::string_view text, std::vector<std::string_view>& out) {
    size_t p = 0;
    while (p < text.size()) {
        if (!IsWordByte(text[p])) {
            ++p;
            continue;
        }
        size_t end = p;
        while (end < text.size() && IsWordByte(text[end])) ++end;
        const size_t length = end - p;
        if (length <= kPieceBytes) {
            out.push_back(text.substr(p, length));
        } else {
            // Every piece but the last starts kPieceStep after the one before; the last ends
            // with the run.
            for (size_t start = p;; start += kPieceStep) {
                if (start + kPieceBytes >= end) {
                    out.push_back(text.substr(end - kPieceBytes, kPieceBytes));
                    break;
                }
                out.push_back(text.substr(start, kPieceBytes));
            }
        }
        p = end;
    }
}

bool IsWordTerm(std::string_view term) {
    return term.size() >= 2 && term.size() <= kPieceStep &&
           std::all_of(term.begin(), term.end(), IsWordByte);
}

}  // namespace senna
