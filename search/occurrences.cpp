#include "search/occurrences.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/utf8.h"

namespace {

// First position p >= from with block[p, p + tl) == term, or npos. A byte search only:
// whether p is a character start is decided by the walk.
size_t FindBytes(const char* s, size_t n, const char* t, size_t tl, size_t from) {
    if (tl > n || from > n - tl) return OccurrenceCursor::npos;
    if (tl == 1) {
        const void* hit = std::memchr(s + from, t[0], n - from);
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - s)
                   : OccurrenceCursor::npos;
    }
    size_t p = from;
#if defined(__SSE2__)
    // Sixteen positions at once: a candidate must match the term's first and last byte.
    const __m128i first = _mm_set1_epi8(t[0]);
    const __m128i last = _mm_set1_epi8(t[tl - 1]);
    while (p + tl - 1 + 16 <= n) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + p));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + p + tl - 1));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        while (mask != 0) {
            unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
            if (std::memcmp(s + p + bit + 1, t + 1, tl - 2) == 0) return p + bit;
            mask &= mask - 1;
        }
        p += 16;
    }
#endif
    for (; p + tl <= n; ++p) {
        if (s[p] == t[0] && std::memcmp(s + p + 1, t + 1, tl - 1) == 0) return p;
    }
    return OccurrenceCursor::npos;
}

// True when start is a position of the walk that began at walk: no byte from walk up to
// start is a lead byte whose sequence reaches past start, so no character the walk steps
// over can cover it.
bool SurelyWalkPosition(const char* s, size_t walk, size_t start) {
    size_t from = start - walk > 5 ? start - 5 : walk;
    for (size_t p = from; p < start; ++p)
        if (static_cast<size_t>(LeadByteLength(static_cast<unsigned char>(s[p]))) > start - p)
            return false;
    return true;
}

// The first walk position >= c, walking from the walk position w.
size_t WalkTo(const char* s, size_t w, size_t c) {
    while (w < c) w += CharStep(static_cast<unsigned char>(s[w]));
    return w;
}

// How far back from a candidate a sure walk position is looked for before walking all the
// way from the last known one.
constexpr size_t kResyncReach = 64;

}  // namespace

size_t OccurrenceCursor::Next() {
    const size_t tl = term_.size();
    const size_t len = block_.size();
    if (tl == 0) return npos;
    const char* base = block_.data();
    while (walk_ <= len && len - walk_ >= tl) {
        size_t c = FindBytes(base, len, term_.data(), tl, walk_);
        if (c == npos) break;
        // Candidates come from a byte search; only one the walk lands on counts. Between the
        // last known walk position and c there is no occurrence, so the walk there is plain
        // character stepping: it is resumed from the nearest position that is surely on it,
        // which in well-formed text is c itself or a few bytes before it.
        size_t lowest = c - walk_ > kResyncReach ? c - kResyncReach : walk_;
        size_t from = walk_;
        for (size_t q = c;; --q) {
            if (SurelyWalkPosition(base, walk_, q)) {
                from = q;
                break;
            }
            if (q == lowest) break;
        }
        walk_ = WalkTo(base, from, c);
        if (walk_ == c) {
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
