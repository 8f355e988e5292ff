#include "text/text_rules.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

std::string_view Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
    return text.substr(b, e - b);
}

std::string LowerCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    int32_t n = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < n;) {
        int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, n, c);
        if (c < 0) {  // ill-formed: keep the bytes as they are
            out.append(text.substr(start, i - start));
            continue;
        }
        c = u_tolower(c);
        char buf[4];
        int32_t len = 0;
        U8_APPEND_UNSAFE(buf, len, c);
        out.append(buf, static_cast<size_t>(len));
    }
    return out;
}

namespace {

int DigitValue(char c, int base) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else return -1;
    return v < base ? v : -1;
}

}  // namespace

int32_t ReadInteger(std::string_view text, int32_t fallback) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16, ++i;
    } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        base = 16, ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16, i += 2;
    }
    if (i >= text.size()) return fallback;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        int d = DigitValue(text[i], base);
        if (d < 0) return fallback;
        value = value * base + d;
        if (value > (int64_t{1} << 32)) return fallback;
    }
    if (negative) value = -value;
    if (base == 16 && !negative && value <= UINT32_MAX) return static_cast<int32_t>(value);
    if (value < INT32_MIN || value > INT32_MAX) return fallback;
    return static_cast<int32_t>(value);
}

int32_t ReadDecimal(std::string_view text, int32_t fallback) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size()) return fallback;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return fallback;
        value = value * 10 + (text[i] - '0');
        if (value > (int64_t{1} << 31)) return fallback;
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return fallback;
    return static_cast<int32_t>(value);
}
