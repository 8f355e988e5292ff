#include "search/occurrences.h"

#include <cstring>

#include "text/utf8.h"

size_t OccurrenceCursor::Next() {
    const size_t tl = term_.size();
    const size_t len = block_.size();
    if (tl == 0) return npos;
    const char* base = block_.data();
    while (walk_ <= len && len - walk_ >= tl) {
        // Candidates come from a byte search; only one the walk lands on counts. The walk
        // advances lazily to each candidate, so a block without the term is never walked.
        const void* hit = ::memmem(base + walk_, len - walk_, term_.data(), tl);
        if (hit == nullptr) break;
        size_t c = static_cast<size_t>(static_cast<const char*>(hit) - base);
        size_t p = walk_;
        while (p < c) p += CharStep(static_cast<unsigned char>(base[p]));
        walk_ = p;
        if (p == c) {
            walk_ = c + tl;  // occurrences never overlap
            return c;
        }
        // The candidate lay inside a character; search on from the next walk position.
    }
    walk_ = len + 1;
    return npos;
}

Occurrences ScanOccurrences(std::string_view block, std::string_view term) {
    Occurrences result;
    OccurrenceCursor cursor(block, term);
    for (size_t at = cursor.Next(); at != OccurrenceCursor::npos; at = cursor.Next()) {
        if (result.count == 0) result.first = static_cast<int64_t>(at);
        ++result.count;
    }
    return result;
}
