#include "daradiv/extract/plain_text.h"

#include "daradiv/extract/charset.h"

namespace {

constexpr size_t kBinarySample = 64u << 10;

// UTF-16 without a byte-order mark, as mostly-ASCII text gives it: NUL in every other byte.
// Returns "UTF-16LE", "UTF-16BE" or "".
std::string Utf16ByPattern(std::string_view s) {
    size_t pairs = s.size() / 2, even_nul = 0, odd_nul = 0;
    if (pairs < 2) return "";
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        if (s[i] == '\0') ++even_nul;
        if (s[i + 1] == '\0') ++odd_nul;
    }
    if (odd_nul * 10 >= pairs * 3 && even_nul * 20 < pairs) return "UTF-16LE";
    if (even_nul * 10 >= pairs * 3 && odd_nul * 20 < pairs) return "UTF-16BE";
    return "";
}

}  // namespace

bool LooksBinary(std::string_view bytes) {
    std::string_view s = bytes.substr(0, kBinarySample);
    if (!Utf16ByPattern(s).empty()) return false;
    size_t nul = 0, control = 0;
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (c == 0) ++nul;
        else if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1B)
            ++control;
    }
    return nul * 100 > s.size() || (nul + control) * 20 > s.size();
}

ExtractResult ExtractPlainText(std::string_view bytes) {
    ExtractResult r;
    std::string bom_charset;
    size_t bom = ByteOrderMarkLength(bytes, &bom_charset);
    if (bom > 0) {
        r.text = ConvertToUtf8(bytes.substr(bom), bom_charset);
    } else if (std::string utf16 = Utf16ByPattern(bytes.substr(0, kBinarySample));
               !utf16.empty()) {
        r.text = ConvertToUtf8(bytes, utf16);
    } else {
        // A run of NUL bytes at the end (a log cut off by a crash, a padded file) is not
        // content and does not make the text binary.
        size_t end = bytes.find_last_not_of('\0');
        std::string_view text = bytes.substr(0, end == std::string_view::npos ? 0 : end + 1);
        if (LooksBinary(text)) {
            r.error = "テキストではありません (バイナリ データ)";
            return r;
        }
        r.text = ConvertToUtf8(text, DetectCharset(text));
    }
    r.ok = true;
    return r;
}
