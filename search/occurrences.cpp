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
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - s) : OccurrenceCursor::npos;
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

// Advances the lead-byte walk from the walk position w to the first walk position >= c.
size_t WalkTo(const char* s, size_t n, size_t w, size_t c) {
    while (w < c) {
#if defined(__SSE2__)
        if (w + 16 <= n) {
            // Sixteen bytes from a walk position that hold only ASCII and complete two- and
            // three-byte sequences: there the walk's positions are exactly the bytes that are
            // not continuation bytes, so they can be read off at once.
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + w));
            const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
            __m128i u = _mm_xor_si128(v, bias);  // signed compares on unsigned bytes
            auto at_least = [&](int b) {
                return _mm_cmpgt_epi8(u, _mm_set1_epi8(static_cast<char>((b - 1) ^ 0x80)));
            };
            __m128i ge_c0 = at_least(0xC0);
            __m128i ge_c2 = at_least(0xC2);
            __m128i ge_e0 = at_least(0xE0);
            __m128i ge_f0 = at_least(0xF0);
            __m128i ge_80 = at_least(0x80);
            __m128i cont = _mm_andnot_si128(ge_c0, ge_80);        // 80-BF
            __m128i odd = _mm_or_si128(_mm_andnot_si128(ge_c2, ge_c0), ge_f0);  // C0 C1 F0-FF
            __m128i lead23 = _mm_andnot_si128(ge_f0, ge_c2);      // C2-EF
            __m128i lead3 = _mm_andnot_si128(ge_f0, ge_e0);       // E0-EF
            __m128i expected = _mm_or_si128(_mm_slli_si128(lead23, 1), _mm_slli_si128(lead3, 2));
            unsigned bad = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_or_si128(odd, _mm_xor_si128(cont, expected))));
            if (bad == 0) {
                unsigned starts = ~static_cast<unsigned>(_mm_movemask_epi8(cont)) & 0xFFFFu;
                if (c < w + 16) {
                    // The first start at or after c, else where the last character ends.
                    unsigned from_c = starts & (0xFFFFu << (c - w));
                    if (from_c != 0) return w + static_cast<size_t>(__builtin_ctz(from_c));
                }
                unsigned j = 31u - static_cast<unsigned>(__builtin_clz(starts));  // lane 0 is a start
                w += j + CharStep(static_cast<unsigned char>(s[w + j]));
                continue;
            }
            // Something else in these bytes: step by step over them.
            size_t end = w + 16;
            while (w < c && w < end) w += CharStep(static_cast<unsigned char>(s[w]));
            continue;
        }
#endif
        w += CharStep(static_cast<unsigned char>(s[w]));
    }
    return w;
}

}  // namespace

size_t OccurrenceCursor::Next() {
    const size_t tl = term_.size();
    const size_t len = block_.size();
    if (tl == 0) return npos;
    const char* base = block_.data();
    while (walk_ <= len && len - walk_ >= tl) {
        // Candidates come from a byte search; only one the walk lands on counts. The walk
        // advances lazily to each candidate, so a block without the term is never walked.
        size_t c = FindBytes(base, len, term_.data(), tl, walk_);
        if (c == npos) break;
        walk_ = WalkTo(base, len, walk_, c);
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
    return BlockScanner(block).Scan(term);
}

bool IsPlainUtf8(std::string_view text) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t x = 0;
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
        auto at_least = [&](__m128i u, int b) {
            return _mm_cmpgt_epi8(u, _mm_set1_epi8(static_cast<char>((b - 1) ^ 0x80)));
        };
        __m128i bad = _mm_setzero_si128();
        for (x = 0; x + 16 <= n; x += 16) {
            __m128i u0 = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x)), bias);
            __m128i u1, u2;  // the bytes one and two places before
            if (x == 0) {
                // Nothing stands before the text; the lanes shifted in read as no lead byte.
                u1 = _mm_slli_si128(u0, 1);
                u2 = _mm_slli_si128(u0, 2);
            } else {
                u1 = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x - 1)), bias);
                u2 = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x - 2)), bias);
            }
            __m128i cont = _mm_andnot_si128(at_least(u0, 0xC0), at_least(u0, 0x80));
            __m128i odd = _mm_or_si128(_mm_andnot_si128(at_least(u0, 0xC2), at_least(u0, 0xC0)),
                                       at_least(u0, 0xF0));
            __m128i lead23 = _mm_andnot_si128(at_least(u1, 0xF0), at_least(u1, 0xC2));
            __m128i lead3 = _mm_andnot_si128(at_least(u2, 0xF0), at_least(u2, 0xE0));
            __m128i expected = _mm_or_si128(lead23, lead3);
            bad = _mm_or_si128(bad, _mm_or_si128(odd, _mm_xor_si128(cont, expected)));
        }
        if (_mm_movemask_epi8(bad) != 0) return false;
    }
#endif
    for (; x < n; ++x) {
        unsigned char b = s[x];
        if ((b >= 0xC0 && b < 0xC2) || b >= 0xF0) return false;
        bool cont = b >= 0x80 && b < 0xC0;
        bool expected = (x >= 1 && s[x - 1] >= 0xC2 && s[x - 1] < 0xF0) ||
                        (x >= 2 && s[x - 2] >= 0xE0 && s[x - 2] < 0xF0);
        if (cont != expected) return false;
    }
    return true;
}

Occurrences BlockScanner::Scan(std::string_view term) {
    Occurrences result;
    const size_t tl = term.size();
    const size_t len = block_.size();
    if (tl == 0 || tl > len) return result;
    const char* base = block_.data();
    size_t c = FindBytes(base, len, term.data(), tl, 0);
    if (c == OccurrenceCursor::npos) return result;
    if (plain_ < 0) plain_ = IsPlainUtf8(block_) ? 1 : 0;
    // A plain term ends where a character ends, so in a plain block the walk goes on after an
    // occurrence at a character start as well: no walk is needed.
    const bool plain_term = IsPlainUtf8(term) &&
                            static_cast<unsigned char>(term[tl - 1]) < 0xC2 &&
                            !(tl >= 2 && static_cast<unsigned char>(term[tl - 2]) >= 0xE0);
    if (plain_ == 1 && plain_term) {
        // The term's first byte is no continuation byte, so every candidate is a start.
        while (c != OccurrenceCursor::npos) {
            if (result.count == 0) result.first = static_cast<int64_t>(c);
            ++result.count;
            c = FindBytes(base, len, term.data(), tl, c + tl);
        }
        return result;
    }
    OccurrenceCursor cursor(block_, term);
    for (size_t at = cursor.Next(); at != OccurrenceCursor::npos; at = cursor.Next()) {
        if (result.count == 0) result.first = static_cast<int64_t>(at);
        ++result.count;
    }
    return result;
}
