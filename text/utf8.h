// UTF-8 helpers: the lead-byte rule that every byte-level walk uses, strict decoding,
// repair of invalid bytes, and the UTF-16 view the ordinal comparison needs.
// Text in this program is held as std::string of UTF-8 bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Sequence length of the character that starts with byte b: 1 for 00-7F, 2 for C2-DF,
// 3 for E0-EF, 4 for F0-F7, 5 for F8-FB, 6 for FC-FD, 0 when b is not a lead byte.
// Walkers treat that many bytes as one character without checking continuation bytes.
inline int LeadByteLength(unsigned char b) {
    if (b < 0x80) return 1;
    if (b < 0xC2) return 0;
    if (b < 0xE0) return 2;
    if (b < 0xF0) return 3;
    if (b < 0xF8) return 4;
    if (b < 0xFC) return 5;
    if (b < 0xFE) return 6;
    return 0;
}

// Step from the character at p to the next one: its length, or 1 over a byte that is not
// a lead byte.
inline size_t CharStep(unsigned char b) {
    int k = LeadByteLength(b);
    return k == 0 ? 1 : static_cast<size_t>(k);
}

// True when bytes is well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The length of the longest prefix of bytes that is well-formed UTF-8 (bytes.size() when
// all of it is).
size_t ValidUtf8Length(std::string_view bytes);

// Returns bytes unchanged when they are valid UTF-8; throws AppError(kUtf8MappingError)
// otherwise. A leading byte-order mark is not removed here.
std::string DecodeUtf8Strict(std::string_view bytes);

// The bytes with every ill-formed sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view bytes);

// The longest prefix of s of at most max_bytes that does not end inside a character
// (by the lead-byte rule).
size_t CutAtCharBoundary(std::string_view s, size_t max_bytes);

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Ordinal comparison of the UTF-16 code units of two UTF-8 texts taken as unsigned numbers;
// a proper prefix is smaller. Returns <0, 0 or >0.
int CompareUtf16Ordinal(std::string_view a, std::string_view b);
