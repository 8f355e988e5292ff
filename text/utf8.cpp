#include "text/utf8.h"

#include <cstdint>
#include <cstring>

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include "text/app_error.h"

namespace {

// Decodes one well-formed code point at s[i]; returns its length, or 0 when ill-formed.
size_t DecodeOne(std::string_view s, size_t i, char32_t* cp) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t n = s.size();
    unsigned char b = p[i];
    if (b < 0x80) {
        *cp = b;
        return 1;
    }
    size_t len;
    char32_t v;
    char32_t min;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2, v = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3, v = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4, v = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > n) return 0;
    for (size_t k = 1; k < len; ++k) {
        unsigned char c = p[i + k];
        if ((c & 0xC0) != 0x80) return 0;
        v = (v << 6) | (c & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    *cp = v;
    return len;
}

}  // namespace

size_t ValidUtf8Length(std::string_view bytes) {
    char32_t cp;
    size_t i = 0;
    while (i < bytes.size()) {
        // Runs of ASCII, most of a path or a number, are passed over eight bytes at a time.
        uint64_t word;
        while (i + sizeof word <= bytes.size()) {
            std::memcpy(&word, bytes.data() + i, sizeof word);
            if (word & 0x8080808080808080ULL) break;
            i += sizeof word;
        }
        if (i == bytes.size()) break;
        size_t len = DecodeOne(bytes, i, &cp);
        if (len == 0) break;
        i += len;
    }
    return i;
}

bool IsValidUtf8(std::string_view bytes) { return ValidUtf8Length(bytes) == bytes.size(); }

std::string DecodeUtf8Strict(std::string_view bytes) {
    if (!IsValidUtf8(bytes)) throw AppError(kUtf8MappingError);
    return std::string(bytes);
}

std::string RepairUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    char32_t cp;
    for (size_t i = 0; i < bytes.size();) {
        size_t len = DecodeOne(bytes, i, &cp);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(bytes.substr(i, len));
            i += len;
        }
    }
    return out;
}

size_t CutAtCharBoundary(std::string_view s, size_t max_bytes) {
    if (s.size() <= max_bytes) return s.size();
    size_t i = 0;
    while (i < max_bytes) {
        size_t step = CharStep(static_cast<unsigned char>(s[i]));
        if (i + step > max_bytes) break;
        i += step;
    }
    return i;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    char32_t cp;
    for (size_t i = 0; i < utf8.size();) {
        size_t len = DecodeOne(utf8, i, &cp);
        if (len == 0) {
            cp = 0xFFFD;
            len = 1;
        }
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(U16_LEAD(cp));
            out += static_cast<char16_t>(U16_TRAIL(cp));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    for (size_t i = 0; i < utf16.size();) {
        UChar32 cp;
        U16_NEXT(utf16.data(), i, utf16.size(), cp);
        if (U_IS_SURROGATE(cp)) cp = 0xFFFD;
        char buf[4];
        int32_t len = 0;
        U8_APPEND_UNSAFE(buf, len, cp);
        out.append(buf, static_cast<size_t>(len));
    }
    return out;
}

int CompareUtf16Ordinal(std::string_view a, std::string_view b) {
    // UTF-8 byte order is code point order, which differs from UTF-16 code unit order only
    // where a supplementary character meets one of U+E000-U+FFFF: decide at the first
    // differing character by its first UTF-16 unit.
    size_t n = a.size() < b.size() ? a.size() : b.size();
    size_t i = 0;
    while (i < n && a[i] == b[i]) ++i;
    if (i == n) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    while (i > 0 && (static_cast<unsigned char>(a[i]) & 0xC0) == 0x80) --i;
    char32_t ca = 0xFFFD, cb = 0xFFFD;
    if (DecodeOne(a, i, &ca) == 0) ca = static_cast<unsigned char>(a[i]);
    if (DecodeOne(b, i, &cb) == 0) cb = static_cast<unsigned char>(b[i]);
    auto first_unit = [](char32_t c) -> char32_t {
        return c < 0x10000 ? c : 0xD800 + ((c - 0x10000) >> 10);
    };
    char32_t ua = first_unit(ca), ub = first_unit(cb);
    if (ua != ub) return ua < ub ? -1 : 1;
    return ca < cb ? -1 : (ca == cb ? 0 : 1);
}
