#include "search/normalize.h"

#include <algorithm>

#include "text/utf8.h"

namespace {

inline unsigned char Byte(const char* buf, size_t i) { return static_cast<unsigned char>(buf[i]); }

inline bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The spacing rules over the first count bytes of buf; returns the bytes written.
size_t NormalizeSpacingBytes(char* buf, size_t count) {
    size_t w = 0;
    size_t r = 0;
    while (r < count) {
        unsigned char b = Byte(buf, r);
        if (b == 0x09 || b == 0x0A || b == 0x0D || b == 0x20) {
            if (w != 0 && buf[w - 1] != ' ') buf[w++] = ' ';
            ++r;
            continue;
        }
        int k = LeadByteLength(b);
        if (k == 0) {  // not a lead byte: dropped
            ++r;
            continue;
        }
        size_t avail = std::min(static_cast<size_t>(k), count - r);
        if (k == 3 && avail == 3) {
            unsigned char c1 = Byte(buf, r + 1);
            unsigned char c2 = Byte(buf, r + 2);
            char single = 0;
            if (b == 0xE3 && c1 == 0x80 && c2 == 0x80) {
                single = ' ';  // ideographic space, also at the start and after a space
            } else if (b == 0xEF && c1 == 0xBC && c2 >= 0x90 && c2 <= 0x99) {
                single = static_cast<char>(c2 - 0x60);  // full-width digits
            } else if (b == 0xEF && c1 == 0xBC && c2 >= 0xA1 && c2 <= 0xBA) {
                single = static_cast<char>(c2 - 0x60);  // full-width capitals
            } else if (b == 0xEF && c1 == 0xBD && c2 >= 0x81 && c2 <= 0x9A) {
                single = static_cast<char>(c2 - 0x20);  // full-width small letters
            }
            if (single != 0) {
                buf[w++] = single;
                r += 3;
                continue;
            }
        }
        // Copy the sequence as it stands; w <= r, so a forward copy is safe.
        for (size_t i = 0; i < avail; ++i) buf[w++] = buf[r + i];
        r += avail;
    }
    return w;
}

// The code point a well-formed two-byte sequence maps to, or cp itself.
uint32_t FoldTwoByte(uint32_t cp) {
    if (cp >= 0xE0 && cp <= 0xFF) return cp - 0x20;
    if (cp >= 0x101 && cp <= 0x137 && (cp & 1)) return cp - 1;
    if (cp >= 0x13A && cp <= 0x148 && !(cp & 1)) return cp - 1;
    if (cp >= 0x14B && cp <= 0x177 && (cp & 1)) return cp - 1;
    if (cp == 0x17A || cp == 0x17C || cp == 0x17E) return cp - 1;
    if (cp == 0x219 || cp == 0x21B) return cp - 1;
    if (cp >= 0x3B1 && cp <= 0x3C9) return cp - 0x20;
    return cp;
}

// The folding rules over the first count bytes of buf; returns the bytes written.
size_t FoldLettersBytes(char* buf, size_t count) {
    size_t w = 0;
    size_t r = 0;
    while (r < count) {
        unsigned char b = Byte(buf, r);
        if (b < 0x80) {
            buf[w++] = (b >= 'a' && b <= 'z') ? static_cast<char>(b - 0x20) : static_cast<char>(b);
            ++r;
            continue;
        }
        int k = LeadByteLength(b);
        if (k == 0) {  // not a lead byte: dropped
            ++r;
            continue;
        }
        size_t avail = std::min(static_cast<size_t>(k), count - r);
        if (k == 2 && avail == 2 && IsContinuation(Byte(buf, r + 1))) {
            uint32_t cp = ((b & 0x1Fu) << 6) | (Byte(buf, r + 1) & 0x3Fu);
            uint32_t folded = FoldTwoByte(cp);
            buf[w++] = static_cast<char>(0xC0 | (folded >> 6));
            buf[w++] = static_cast<char>(0x80 | (folded & 0x3F));
            r += 2;
            continue;
        }
        if (k == 3 && avail == 3 && IsContinuation(Byte(buf, r + 1)) &&
            IsContinuation(Byte(buf, r + 2))) {
            uint32_t cp = ((b & 0x0Fu) << 12) | ((Byte(buf, r + 1) & 0x3Fu) << 6) |
                          (Byte(buf, r + 2) & 0x3Fu);
            if (cp >= 0x30A1 && cp <= 0x30F6) cp -= 0x60;  // katakana to hiragana
            buf[w++] = static_cast<char>(0xE0 | (cp >> 12));
            buf[w++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            buf[w++] = static_cast<char>(0x80 | (cp & 0x3F));
            r += 3;
            continue;
        }
        for (size_t i = 0; i < avail; ++i) buf[w++] = buf[r + i];
        r += avail;
    }
    return w;
}

}  // namespace

int32_t NormalizeSpacing(char* buf, int32_t len) {
    if (len < 0) return 0;
    size_t count = static_cast<size_t>(std::min(len, kNormalizeCap)) + 1;
    return static_cast<int32_t>(NormalizeSpacingBytes(buf, count));
}

int32_t FoldLetters(char* buf, int32_t len) {
    if (len <= 0) return 0;
    size_t count = static_cast<size_t>(std::min(len, kNormalizeCap));
    return static_cast<int32_t>(FoldLettersBytes(buf, count));
}

void NormalizeSpacingInPlace(std::string& text) {
    text.resize(NormalizeSpacingBytes(text.data(), text.size()));
}

void FoldLettersInPlace(std::string& text) {
    text.resize(FoldLettersBytes(text.data(), text.size()));
}

std::string NormalizedCopy(std::string_view text) {
    std::string copy(text);
    NormalizeSpacingInPlace(copy);
    return copy;
}

std::string FoldedCopy(std::string_view text) {
    std::string copy(text);
    FoldLettersInPlace(copy);
    return copy;
}
