#include "search/term_groups.h"

#include <cstring>

#include "search/normalize.h"
#include "text/text_rules.h"
#include "text/utf8.h"

namespace {

bool IsBlank(std::string_view term) { return Trim(term).empty(); }

}  // namespace

void BuildTermGroups(const std::string& keyword, std::vector<TermGroup>& groups) {
    groups.clear();

    // A C text ends at its first zero byte; the scan below relies on the one terminator.
    std::string_view text(keyword.data(), ::strnlen(keyword.data(), keyword.size()));
    std::string repaired;
    if (!IsValidUtf8(text)) {
        repaired = RepairUtf8(text);
        text = repaired;
    }
    text = text.substr(0, CutAtCharBoundary(text, kMaxKeywordBytes));

    // Working buffer: the keyword and its terminator.
    std::string buf(text);
    buf.push_back('\0');
    int32_t n = static_cast<int32_t>(text.size());
    int32_t m = NormalizeSpacing(buf.data(), n);
    int32_t length = FoldLetters(buf.data(), m);  // counts the terminator
    const char* b = buf.data();
    size_t end = length > 0 ? static_cast<size_t>(length - 1) : 0;  // the terminator

    size_t s = 0;
    bool open = false;
    TermGroup current;
    auto pending = [&](size_t i) { return std::string(b + s, i - s); };
    auto add = [&](std::string term) {
        if (open) {
            current.push_back(std::move(term));
        } else {
            groups.push_back(TermGroup{std::move(term)});
        }
    };

    size_t i = 0;
    while (i < static_cast<size_t>(length)) {
        unsigned char c = static_cast<unsigned char>(b[i]);
        if (c >= 0x80) {
            i += CharStep(c);
            continue;
        }
        if (c == ' ') {
            std::string term = pending(i);
            s = i + 1;
            if (!IsBlank(term)) add(std::move(term));
        } else if (c == '"') {
            // Quote mode to the end: the text is divided at double quotes only.
            s = i + 1;
            for (size_t k = s; k < end; ++k) {
                if (b[k] != '"') continue;
                std::string term = pending(k);
                s = k + 1;
                if (!IsBlank(term)) add(std::move(term));
            }
            break;
        } else if (c == '(') {
            std::string term = pending(i);
            s = i + 1;
            if (!IsBlank(term)) {
                if (open) {
                    current.push_back(std::move(term));
                    groups.push_back(std::move(current));
                } else {
                    groups.push_back(TermGroup{std::move(term)});
                }
            } else if (open) {
                groups.push_back(std::move(current));
            }
            current = TermGroup();
            open = true;
        } else if (c == ')') {
            std::string term = pending(i);
            s = i + 1;
            if (open) {
                if (!IsBlank(term)) current.push_back(std::move(term));
                groups.push_back(std::move(current));
                current = TermGroup();
            }
            open = false;
        }
        ++i;
    }

    // The remainder is the last term; tested untrimmed.
    if (s < end) {
        std::string term = pending(end);
        if (open) {
            current.push_back(std::move(term));
            groups.push_back(std::move(current));
        } else {
            groups.push_back(TermGroup{std::move(term)});
        }
    }
}
