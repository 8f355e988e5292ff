#include "daradiv/extract/rtf_text.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "daradiv/extract/charset.h"
#include "daradiv/extract/text_builder.h"

namespace {

// Groups nest at most this deep on the state stack; deeper ones share their parent's state.
constexpr size_t kMaxDepth = 4096;

struct GroupState {
    bool skip = false;       // inside a destination whose text is not shown
    bool font_table = false;
    int uc = 1;              // fallback characters after \uN
    int font = -1;
};

std::string CodePageOfCharset(int charset) {
    switch (charset) {
        case 128: return "CP932";
        case 129: return "CP949";
        case 134: return "CP936";
        case 136: return "CP950";
        case 161: return "CP1253";
        case 162: return "CP1254";
        case 177: return "CP1255";
        case 178: return "CP1256";
        case 186: return "CP1257";
        case 204: return "CP1251";
        case 222: return "CP874";
        case 238: return "CP1250";
        case 77: return "MACINTOSH";
        case 1: return "";  // the document's default
        default: return "CP1252";
    }
}

bool IsDoubleByte(const std::string& cp) {
    return cp == "CP932" || cp == "CP936" || cp == "CP949" || cp == "CP950";
}

bool IsLeadByte(const std::string& cp, unsigned char b) {
    if (cp == "CP932") return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return b >= 0x81 && b <= 0xFE;
}

bool IsSkippedDestination(std::string_view w) {
    static const char* const kSkipped[] = {
        "colortbl", "stylesheet", "info", "pict", "objdata", "themedata",
        "colorschememapping", "datastore", "latentstyles", "listtable", "listoverridetable",
        "rsidtbl", "xmlnstbl", "generator", "pgdsctbl", "fldinst", "filetbl", "revtbl",
        "xe", "tc", "nonshppict", "sn", "sv", "userprops", "docvar", "wgrffmtfilter",
        "panose", "falt", "template", "ftnsep", "ftnsepc", "aftnsep", "aftnsepc", "bkmkstart",
        "bkmkend", "mmathPr", "listtext", "pntext", "operator", "password", "passwordhash"};
    for (const char* s : kSkipped)
        if (w == s) return true;
    return false;
}

char32_t SpecialCharacter(std::string_view w) {
    if (w == "emdash") return 0x2014;
    if (w == "endash") return 0x2013;
    if (w == "lquote") return 0x2018;
    if (w == "rquote") return 0x2019;
    if (w == "ldblquote") return 0x201C;
    if (w == "rdblquote") return 0x201D;
    if (w == "bullet") return 0x2022;
    if (w == "emspace") return 0x2003;
    if (w == "enspace") return 0x2002;
    if (w == "qmspace") return 0x2005;
    return 0;
}

class RtfReader {
public:
    explicit RtfReader(std::string_view in) : in_(in) {}

    std::string Read() {
        while (pos_ < in_.size() && !out_.full()) {
            auto c = static_cast<unsigned char>(in_[pos_++]);
            if (c == '{') {
                Flush();
                fallback_ = 0;
                if (stack_.size() < kMaxDepth) stack_.push_back(cur_);
                else ++overflow_;
                group_start_ = true;
                continue;
            }
            if (c == '\r' || c == '\n') continue;  // line ends in the file are not text
            bool group_start = group_start_;
            group_start_ = false;
            if (c == '}') {
                Flush();
                fallback_ = 0;
                if (overflow_ > 0) {
                    --overflow_;
                } else if (!stack_.empty()) {
                    cur_ = stack_.back();
                    stack_.pop_back();
                }
            } else if (c == '\\') {
                ControlWord(group_start);
            } else if (fallback_ > 0) {
                --fallback_;
            } else if (!cur_.skip) {
                Literal(c);
            }
        }
        Flush();
        return out_.Take();
    }

private:
    std::string CodePage() const {
        if (cur_.font >= 0) {
            auto it = font_code_pages_.find(cur_.font);
            if (it != font_code_pages_.end() && !it->second.empty()) return it->second;
        }
        return document_code_page_;
    }

    void Literal(unsigned char c) {
        // In a double-byte code page a trail byte may stand as a plain character after "\'hh".
        if (!pending_.empty() && PendingIsIncomplete()) {
            pending_.push_back(static_cast<char>(c));
            return;
        }
        if (c < 0x80) {
            Flush();
            out_.Append(static_cast<char>(c));
        } else {
            pending_.push_back(static_cast<char>(c));
        }
    }

    bool PendingIsIncomplete() const {
        std::string cp = CodePage();
        if (!IsDoubleByte(cp)) return false;
        size_t i = 0;
        while (i < pending_.size()) {
            if (IsLeadByte(cp, static_cast<unsigned char>(pending_[i]))) {
                if (i + 1 >= pending_.size()) return true;
                i += 2;
            } else {
                ++i;
            }
        }
        return false;
    }

    void Flush() {
        if (pending_.empty()) return;
        out_.Append(ConvertToUtf8(pending_, CodePage()));
        pending_.clear();
    }

    void Emit(char32_t cp) {
        Flush();
        if (cur_.skip) return;
        if (high_surrogate_ != 0) {
            char32_t high = high_surrogate_;
            high_surrogate_ = 0;
            if (cp >= 0xDC00 && cp <= 0xDFFF) {
                out_.AppendCodePoint(0x10000 + ((high - 0xD800) << 10) + (cp - 0xDC00));
                return;
            }
            out_.AppendCodePoint(0xFFFD);
        }
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            high_surrogate_ = cp;
            return;
        }
        out_.AppendCodePoint(cp);
    }

    // group_start: nothing but the group's brace came before this control word.
    void ControlWord(bool group_start) {
        if (pos_ >= in_.size()) return;
        char c = in_[pos_];
        if (c == '\'') {
            ++pos_;
            int value = 0, digits = 0;
            while (digits < 2 && pos_ < in_.size() && isxdigit(static_cast<unsigned char>(in_[pos_]))) {
                char h = in_[pos_++];
                value = value * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
                ++digits;
            }
            if (fallback_ > 0) {
                --fallback_;
                return;
            }
            if (!cur_.skip && digits > 0) pending_.push_back(static_cast<char>(value));
            return;
        }
        if (!isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            Flush();
            if (fallback_ > 0) {
                --fallback_;
                return;
            }
            // "\*" marks a destination to skip only where it opens its group ("{\*\...}");
            // anywhere else it is stray and says nothing about the text around it.
            if (c == '*') {
                if (group_start) cur_.skip = true;
            } else if (cur_.skip) {
                return;
            }
            else if (c == '\\' || c == '{' || c == '}') out_.Append(c);
            else if (c == '~') out_.AppendCodePoint(0xA0);
            else if (c == '_') out_.Append('-');
            else if (c == '\r' || c == '\n') out_.Append('\n');
            return;
        }
        size_t start = pos_;
        while (pos_ < in_.size() && pos_ - start < 32 && isalpha(static_cast<unsigned char>(in_[pos_])))
            ++pos_;
        std::string_view word = in_.substr(start, pos_ - start);
        bool has_param = false, negative = false;
        long long param = 0;
        if (pos_ < in_.size() && in_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        int digits = 0;
        while (pos_ < in_.size() && isdigit(static_cast<unsigned char>(in_[pos_]))) {
            if (digits < 10) param = param * 10 + (in_[pos_] - '0');
            ++digits;
            ++pos_;
            has_param = true;
        }
        if (negative) param = -param;
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        Word(word, has_param, static_cast<long long>(param));
    }

    void Word(std::string_view w, bool has_param, long long param) {
        if (w == "bin") {
            Flush();
            size_t n = has_param && param > 0 ? static_cast<size_t>(param) : 0;
            pos_ += std::min(n, in_.size() - pos_);
            return;
        }
        if (w == "u") {
            if (fallback_ > 0) {
                --fallback_;
                return;
            }
            long long v = param < 0 ? param + 65536 : param;
            Emit(v >= 0 && v <= 0xFFFF ? static_cast<char32_t>(v) : 0xFFFD);
            fallback_ = cur_.uc;
            return;
        }
        Flush();
        if (fallback_ > 0) {
            --fallback_;
            return;
        }
        if (w == "uc") {
            cur_.uc = has_param && param >= 0 && param <= 16 ? static_cast<int>(param) : 1;
        } else if (w == "fonttbl") {
            cur_.font_table = true;
            cur_.skip = true;
        } else if (cur_.font_table) {
            if (w == "f" && has_param) table_font_ = static_cast<int>(param);
            else if (w == "fcharset" && has_param && table_font_ >= 0)
                font_code_pages_[table_font_] = CodePageOfCharset(static_cast<int>(param));
        } else if (w == "f" && has_param) {
            cur_.font = static_cast<int>(param);
        } else if (w == "ansicpg" && has_param) {
            std::string cp = CanonicalCharset(std::to_string(param));
            if (!cp.empty() && cp != "UTF-8") document_code_page_ = cp;
        } else if (w == "ansi") {
            document_code_page_ = "CP1252";
        } else if (w == "sjis") {
            document_code_page_ = "CP932";
        } else if (w == "mac") {
            document_code_page_ = "MACINTOSH";
        } else if (w == "pc") {
            document_code_page_ = "CP437";
        } else if (w == "pca") {
            document_code_page_ = "CP850";
        } else if (IsSkippedDestination(w)) {
            cur_.skip = true;
        } else if (cur_.skip) {
            // nothing in a skipped destination is shown
        } else if (w == "par" || w == "line" || w == "sect" || w == "page" || w == "row") {
            out_.Append('\n');
        } else if (w == "tab" || w == "cell") {
            out_.Append('\t');
        } else if (char32_t cp = SpecialCharacter(w)) {
            out_.AppendCodePoint(cp);
        }
    }

    std::string_view in_;
    size_t pos_ = 0;
    TextBuilder out_;
    GroupState cur_;
    std::vector<GroupState> stack_;
    size_t overflow_ = 0;
    bool group_start_ = false;  // the last token was "{"
    std::string pending_;  // "\'hh" and 8-bit bytes waiting for conversion
    int fallback_ = 0;     // characters still to skip after \uN
    char32_t high_surrogate_ = 0;
    std::string document_code_page_ = "CP1252";
    std::map<int, std::string> font_code_pages_;
    int table_font_ = -1;
};

// True when bytes without the "{\rtf" header are plainly an RTF fragment (a clipboard copy,
// a body cut out of a file): they open with "{" or a control word, and the first few
// kilobytes hold at least two of the control words every writer uses.
bool LooksLikeRtfFragment(std::string_view b) {
    if (b.empty() || (b[0] != '{' && b[0] != '\\')) return false;
    static const char* const kCommon[] = {
        "par", "pard", "plain", "f", "fs", "b", "i", "ul", "cf", "cb", "li", "ri", "fi", "qc",
        "ql", "qr", "qj", "sb", "sa", "sl", "tab", "line", "cell", "row", "intbl", "trowd",
        "lang", "u", "uc", "ansi", "ansicpg", "deff", "fonttbl", "colortbl", "sectd", "ltrpar",
        "rtlch", "ltrch", "loch", "hich", "dbch", "afs", "insrsid", "charrsid", "viewkind"};
    std::string_view head = b.substr(0, 4096);
    int known = 0;
    for (size_t at = head.find('\\'); at != std::string_view::npos && known < 2;
         at = head.find('\\', at + 1)) {
        size_t start = at + 1, end = start;
        while (end < head.size() && end - start < 32 && isalpha(static_cast<unsigned char>(head[end]))) ++end;
        if (end == start) continue;
        // The word must end the control word: a parameter, a space or another token.
        if (end < head.size() && !isdigit(static_cast<unsigned char>(head[end])) && head[end] != '-' &&
            head[end] != ' ' && head[end] != '\\' && head[end] != '{' && head[end] != '}' &&
            head[end] != '\r' && head[end] != '\n' && head[end] != ';')
            continue;
        std::string_view word = head.substr(start, end - start);
        for (const char* k : kCommon)
            if (word == k) {
                ++known;
                break;
            }
    }
    return known >= 2;
}

}  // namespace

ExtractResult ExtractRtf(std::string_view bytes) {
    ExtractResult r;
    size_t i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\r' || bytes[i] == '\n' ||
                                bytes[i] == '\t'))
        ++i;
    if (bytes.substr(i, 5) != "{\\rtf" && !LooksLikeRtfFragment(bytes.substr(i))) {
        r.error = "RTF ではありません";
        return r;
    }
    r.text = RtfReader(bytes.substr(i)).Read();
    r.ok = true;
    return r;
}
