#include "app/url_decode.h"

#include <atomic>

#include "text/text_rules.h"
#include "text/utf8.h"

namespace {

std::atomic<size_t> url_passes{0};

// The digit value of one escape character. Anything up to 0x40, bytes of 0x80 and above
// included, reads as c - 0x30; the rest has its lower-case bit cleared first. No check.
int EscapeDigit(unsigned char c) {
    if (c <= 0x40 || c >= 0x80) return c - 0x30;
    return (c & 0xDF) - 0x37;
}

}  // namespace

std::string DecodeUrl(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '+') {
            out.push_back(' ');
            i += 1;
        } else if (c == '%' && bytes.size() - i >= 3) {
            int value = 16 * EscapeDigit(static_cast<unsigned char>(bytes[i + 1])) +
                        EscapeDigit(static_cast<unsigned char>(bytes[i + 2]));
            out.push_back(static_cast<char>(static_cast<unsigned char>(value & 0xFF)));
            i += 3;
        } else {
            out.push_back(static_cast<char>(c));
            i += 1;
        }
    }
    size_t nul = out.find('\0');
    if (nul != std::string::npos) out.resize(nul);
    return out;
}

std::string DecodedUrl(std::string_view url) { return RepairUtf8(DecodeUrl(url)); }

std::string QueryValue(std::string_view decoded_url, std::string_view name) {
    ++url_passes;
    std::string key = std::string(name) + "=";
    size_t at = decoded_url.find(key);
    if (at == std::string_view::npos) return {};
    std::string_view rest = decoded_url.substr(at + key.size());
    return std::string(rest.substr(0, rest.find('&')));
}

std::vector<bool> NumberedValuesEqual(std::string_view decoded_url, std::string_view prefix,
                                      size_t count, std::string_view value) {
    ++url_passes;
    std::vector<bool> equal(count, false);
    std::vector<bool> seen(count, false);
    if (prefix.empty()) return equal;
    // Every occurrence of prefix + n + "=" starts with one of prefix, and n is then the whole
    // run of digits after it (no leading zero): the first such occurrence of n decides.
    for (size_t at = decoded_url.find(prefix); at != std::string_view::npos;
         at = decoded_url.find(prefix, at + 1)) {
        size_t digits = at + prefix.size();
        size_t end = digits;
        while (end < decoded_url.size() && decoded_url[end] >= '0' && decoded_url[end] <= '9') ++end;
        if (end == digits || end - digits > 9 || decoded_url[digits] == '0') continue;
        if (end >= decoded_url.size() || decoded_url[end] != '=') continue;
        size_t n = 0;
        for (size_t i = digits; i < end; ++i) n = n * 10 + static_cast<size_t>(decoded_url[i] - '0');
        if (n > count || seen[n - 1]) continue;
        seen[n - 1] = true;
        std::string_view rest = decoded_url.substr(end + 1);
        equal[n - 1] = rest.substr(0, rest.find('&')) == value;
    }
    return equal;
}

size_t UrlPassCount() { return url_passes.load(); }

int WholeNumber(std::string_view value) { return ReadInteger(value, -1); }
