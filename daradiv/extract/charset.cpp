#include "daradiv/extract/charset.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "text/text_rules.h"
#include "text/utf8.h"

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";
// Detection looks at this much of a file; the rest follows what it found.
constexpr size_t kDetectionSample = 1u << 20;

class Iconv {
public:
    explicit Iconv(const std::string& from) : cd_(iconv_open("UTF-8", from.c_str())) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts bytes; with strict, returns false at the first byte that does not convert
    // (a sequence cut by the end counts as converted only when cut_sample says the bytes are
    // a sample cut from longer text). Otherwise every such byte becomes U+FFFD.
    bool Convert(std::string_view bytes, bool strict, std::string* out, bool cut_sample = false) {
        char* in = const_cast<char*>(bytes.data());
        size_t in_left = bytes.size();
        char buf[16384];
        while (in_left > 0) {
            char* o = buf;
            size_t o_left = sizeof buf;
            size_t r = iconv(cd_, &in, &in_left, &o, &o_left);
            out->append(buf, static_cast<size_t>(o - buf));
            if (r != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            if (errno == EINVAL) {  // incomplete sequence at the end
                if (strict && !cut_sample) return false;
                if (!strict) out->append(kReplacement);
                break;
            }
            if (strict) return false;
            out->append(kReplacement);
            ++in;
            --in_left;
        }
        char* o = buf;
        size_t o_left = sizeof buf;
        iconv(cd_, nullptr, nullptr, &o, &o_left);
        out->append(buf, static_cast<size_t>(o - buf));
        return true;
    }

private:
    iconv_t cd_;
};

bool ConvertsStrictly(std::string_view bytes, const std::string& charset, std::string* out,
                      bool cut_sample = false) {
    Iconv cv(charset);
    if (!cv.ok()) return false;
    out->clear();
    return cv.Convert(bytes, true, out, cut_sample);
}

// The iconv names tried, in order, for a canonical charset: the Japanese sets have
// variants that differ in a few rows.
std::vector<std::string> Variants(const std::string& charset) {
    if (charset == "ISO-2022-JP") return {"ISO-2022-JP-2", "ISO-2022-JP-3"};
    if (charset == "CP932") return {"CP932", "SHIFT_JISX0213"};
    if (charset == "EUC-JP-MS") return {"EUC-JP-MS", "EUC-JISX0213"};
    return {charset};
}

bool HasIso2022JpEscape(std::string_view b) {
    for (size_t i = 0; i + 2 < b.size(); ++i) {
        if (b[i] != '\x1b') continue;
        char c1 = b[i + 1], c2 = b[i + 2];
        if (c1 == '$' && (c2 == 'B' || c2 == '@' || c2 == '(')) return true;
        if (c1 == '(' && (c2 == 'J' || c2 == 'I')) return true;
    }
    return false;
}

// How Japanese a decoded text looks: kana, kanji and full-width forms count for it,
// half-width katakana a little, private-use characters (what a wrong Japanese decode of
// Japanese bytes often yields) against it. Negative or zero means "not Japanese".
int JapaneseScore(std::string_view utf8) {
    int score = 0;
    for (size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        size_t n = CharStep(b);
        if (b >= 0xE0 && b < 0xF0 && i + 3 <= utf8.size()) {
            char32_t c = ((b & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
            if ((c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) ||
                (c >= 0xFF01 && c <= 0xFF5E))
                score += 2;
            else if (c >= 0xFF61 && c <= 0xFF9F) score += 1;
            else if (c >= 0xE000 && c <= 0xF8FF) score -= 4;
            else score -= 1;
        } else if (b >= 0x80) {
            score -= 1;
        }
        i += n;
    }
    return score;
}

std::string Uchardet(std::string_view sample) {
    uchardet_t ud = uchardet_new();
    std::string name;
    if (uchardet_handle_data(ud, sample.data(), sample.size()) == 0) {
        uchardet_data_end(ud);
        const char* cs = uchardet_get_charset(ud);
        if (cs) name = cs;
    }
    uchardet_delete(ud);
    return name;
}

}  // namespace

size_t ByteOrderMarkLength(std::string_view b, std::string* charset) {
    if (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF") {
        *charset = "UTF-8";
        return 3;
    }
    if (b.size() >= 2 && b.substr(0, 2) == "\xFF\xFE") {
        *charset = "UTF-16LE";
        return 2;
    }
    if (b.size() >= 2 && b.substr(0, 2) == "\xFE\xFF") {
        *charset = "UTF-16BE";
        return 2;
    }
    return 0;
}

std::string CanonicalCharset(std::string_view label) {
    std::string l = LowerCase(Trim(label));
    l.erase(std::remove_if(l.begin(), l.end(), [](char c) { return c == '"' || c == '\''; }),
            l.end());
    if (l.empty()) return "";
    static const char* const kShiftJis[] = {"shift_jis", "shift-jis", "sjis", "x-sjis",
                                            "ms_kanji", "csshiftjis", "windows-31j", "cp932",
                                            "ms932", "x-ms-cp932", "932", "ibm-943"};
    static const char* const kEucJp[] = {"euc-jp", "eucjp", "x-euc-jp", "euc_jp", "euc-jp-ms",
                                         "cseucpkdfmtjapanese", "ujis", "20932", "51932"};
    static const char* const kJis[] = {"iso-2022-jp", "csiso2022jp", "iso-2022-jp-1",
                                       "iso-2022-jp-2", "iso-2022-jp-3", "jis", "50220",
                                       "50221", "50222"};
    for (const char* n : kShiftJis)
        if (l == n) return "CP932";
    for (const char* n : kEucJp)
        if (l == n) return "EUC-JP-MS";
    for (const char* n : kJis)
        if (l == n) return "ISO-2022-JP";
    if (l == "utf-8" || l == "utf8" || l == "65001" || l == "unicode-1-1-utf-8") return "UTF-8";
    if (l == "utf-16le" || l == "1200") return "UTF-16LE";
    if (l == "utf-16be" || l == "1201") return "UTF-16BE";
    if (l == "utf-16" || l == "unicode") return "UTF-16";
    // ASCII labels are often wrong; let the bytes decide.
    if (l == "us-ascii" || l == "ascii" || l == "20127") return "";
    if (l == "iso-8859-1" || l == "latin1" || l == "iso_8859-1" || l == "l1") return "CP1252";
    if (std::all_of(l.begin(), l.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return l.size() <= 5 ? "CP" + l : "";
    std::string upper = l;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

std::string DetectCharset(std::string_view bytes) {
    std::string bom_charset;
    if (ByteOrderMarkLength(bytes, &bom_charset) > 0) return bom_charset;
    std::string_view sample = bytes.substr(0, kDetectionSample);
    bool has_high = std::any_of(sample.begin(), sample.end(),
                                [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (!has_high) return HasIso2022JpEscape(sample) ? "ISO-2022-JP" : "UTF-8";
    // A sample may end inside a character; judge the whole characters only.
    std::string_view whole = sample.substr(0, CutAtCharBoundary(sample, sample.size()));
    if (IsValidUtf8(whole)) return "UTF-8";

    bool cut = sample.size() < bytes.size();
    std::string detected = CanonicalCharset(Uchardet(sample));
    std::string converted;
    bool japanese_detected = detected == "CP932" || detected == "EUC-JP-MS" ||
                             detected == "ISO-2022-JP";
    if (japanese_detected) {
        for (const std::string& v : Variants(detected))
            if (ConvertsStrictly(sample, v, &converted, cut)) return detected;
    }
    // Short Japanese texts fool the detector: take the Japanese reading that converts
    // cleanly and looks most like Japanese text.
    std::string best;
    int best_score = 0;
    for (const char* cs : {"CP932", "EUC-JP-MS"}) {
        if (!ConvertsStrictly(sample, cs, &converted, cut)) continue;
        int score = JapaneseScore(converted);
        if (score > best_score) {
            best = cs;
            best_score = score;
        }
    }
    if (!best.empty()) return best;
    if (!detected.empty() && detected != "UTF-8" && Iconv(detected).ok()) return detected;
    return "CP1252";
}

std::string ConvertToUtf8(std::string_view bytes, const std::string& charset) {
    if (charset.empty()) return DecodeUnknownText(bytes);
    if (charset == "UTF-8") return RepairUtf8(bytes);
    std::vector<std::string> variants = Variants(charset);
    std::string out;
    if (variants.size() > 1) {
        for (const std::string& v : variants)
            if (ConvertsStrictly(bytes, v, &out)) return out;
    }
    Iconv cv(variants.front());
    if (!cv.ok()) {
        std::string detected = DetectCharset(bytes);
        if (detected == charset) return RepairUtf8(bytes);  // iconv lacks it: keep what is UTF-8
        return ConvertToUtf8(bytes, detected);
    }
    out.clear();
    cv.Convert(bytes, false, &out);
    return IsValidUtf8(out) ? out : RepairUtf8(out);
}

std::string DecodeUnknownText(std::string_view bytes) {
    std::string charset;
    size_t bom = ByteOrderMarkLength(bytes, &charset);
    if (bom > 0) return ConvertToUtf8(bytes.substr(bom), charset);
    return ConvertToUtf8(bytes, DetectCharset(bytes));
}

bool ConvertsCleanly(std::string_view bytes, const std::string& charset) {
    if (charset == "UTF-8") return IsValidUtf8(bytes);
    std::string out;
    for (const std::string& v : Variants(charset))
        if (ConvertsStrictly(bytes, v, &out)) return true;
    return false;
}
