#include "daradiv/extract/legacy_office.h"

#include "daradiv/extract/binary_reader.h"
#include "daradiv/extract/charset.h"
#include "text/utf8.h"

namespace {

// The code page a language id implies for text written in its Windows ANSI code page.
int CodePageOfLanguage(uint16_t lid) {
    switch (lid & 0x3FF) {
        case 0x11: return 932;
        case 0x12: return 949;
        case 0x04: return (lid == 0x0804 || lid == 0x1004) ? 936 : 950;
        case 0x02: case 0x19: case 0x22: case 0x23: case 0x2F: return 1251;
        case 0x08: return 1253;
        case 0x1F: return 1254;
        case 0x0D: return 1255;
        case 0x01: case 0x29: return 1256;
        case 0x25: case 0x26: case 0x27: return 1257;
        case 0x05: case 0x0E: case 0x15: case 0x18: case 0x1A: case 0x1B: case 0x1C: case 0x24:
            return 1250;
        case 0x1E: return 874;
        case 0x2A: return 1258;
        default: return 1252;
    }
}

// PID_CODEPAGE of the summary information property set, or 0 when it names none.
int SummaryCodePage(const CompoundFile& file) {
    std::string s;
    if (!file.ReadStream("\005SummaryInformation", &s) || U16At(s, 0) != 0xFFFE) return 0;
    size_t section = U32At(s, 44);
    size_t count = U32At(s, section + 4);
    for (size_t i = 0; i < count && i < 1024 && InBounds(s, section + 8 + 8 * i, 8); ++i) {
        if (U32At(s, section + 8 + 8 * i) != 1) continue;
        size_t at = section + U32At(s, section + 12 + 8 * i);
        if (U16At(s, at) != 2 || !InBounds(s, at, 6)) return 0;  // VT_I2
        return U16At(s, at + 4);
    }
    return 0;
}

}  // namespace

std::string CodePageName(int code_page) {
    if (code_page <= 0 || code_page == 1200 || code_page == 1201 || code_page == 65001)
        return "";
    if (code_page == 10000 || code_page == 32768) return "MACINTOSH";
    if (code_page == 367 || code_page == 20127) return "CP1252";  // ASCII
    return CanonicalCharset(std::to_string(code_page));
}

std::string EightBitCodePage(const CompoundFile& file, uint16_t language_id) {
    std::string named = CodePageName(SummaryCodePage(file));
    return named.empty() ? CodePageName(CodePageOfLanguage(language_id)) : named;
}

std::u16string DecodeCodePage(std::string_view bytes, const std::string& code_page) {
    return Utf8ToUtf16(ConvertToUtf8(bytes, code_page));
}

ExtractResult ExtractLegacyOffice(std::string_view bytes) {
    ExtractResult r;
    // Word 2.0 wrote its own file, not a compound file.
    if (bytes.substr(0, 2) == "\xDB\xA5") {
        r.error = "Word 2.0 形式の文書には対応していません";
        return r;
    }
    CompoundFile file;
    if (!file.Open(bytes, &r.error)) return r;
    TextBuilder out;
    bool ok;
    if (file.HasStream("WordDocument")) {
        ok = ReadWordText(file, &out, &r.error);
    } else if (file.HasStream("Workbook") || file.HasStream("Book")) {
        ok = ReadExcelText(file, &out, &r.error);
    } else if (file.HasStream("PowerPoint Document")) {
        ok = ReadPowerPointText(file, &out, &r.error);
    } else {
        r.error = "Word、Excel、PowerPoint のいずれの文書でもありません";
        return r;
    }
    if (!ok) return r;
    r.text = out.Take();
    r.ok = true;
    return r;
}
