#include "app/url_decode.h"

#include "text/text_rules.h"
#include "text/utf8.h"

namespace {

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
    std::string key = std::string(name) + "=";
    size_t at = decoded_url.find(key);
    if (at == std::string_view::npos) return {};
    std::string_view rest = decoded_url.substr(at + key.size());
    return std::string(rest.substr(0, rest.find('&')));
}

int WholeNumber(std::string_view value) { return ReadInteger(value, -1); }
