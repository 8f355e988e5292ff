#include "senna/triples.h"

namespace senna {

void AppendTriples(grn_ctx* ctx, std::string_view text, std::vector<std::string_view>& out) {
    // Start of each of the last three characters; a blank or control character, or the end
    // of what Groonga can read, starts the window again.
    size_t start[3];
    bool wide[3];
    int have = 0;
    const char *base = text.data(), *end = base + text.size();
    const char* p = base;
    while (p < end) {
        int n = grn_charlen(ctx, p, end);
        if (n <= 0) break;
        if (n == 1 && static_cast<unsigned char>(*p) <= 0x20) {
            have = 0;
            p += n;
            continue;
        }
        if (have == 3) {
            start[0] = start[1];
            start[1] = start[2];
            wide[0] = wide[1];
            wide[1] = wide[2];
            have = 2;
        }
        start[have] = static_cast<size_t>(p - base);
        wide[have] = n > 1;
        ++have;
        p += n;
        if (have == 3 && (wide[0] || wide[1] || wide[2]))
            out.push_back(text.substr(start[0], static_cast<size_t>(p - base) - start[0]));
    }
}

}  // namespace senna
