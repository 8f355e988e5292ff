#include "senna/text_repair.h"

namespace senna {

std::string_view TokenizableText(grn_ctx* ctx, std::string_view text, std::string& scratch) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    const char* p = begin;
    // The usual case: a clean text is not copied.
    while (p < end) {
        int n = *p ? grn_charlen(ctx, p, end) : 0;
        if (n <= 0) break;
        p += n;
    }
    if (p == end) return text;
    scratch.assign(begin, p);
    while (p < end) {
        int n = *p ? grn_charlen(ctx, p, end) : 0;
        if (n <= 0) {
            scratch += ' ';
            ++p;
        } else {
            scratch.append(p, static_cast<size_t>(n));
            p += n;
        }
    }
    return scratch;
}

}  // namespace senna
