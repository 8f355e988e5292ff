// Word 97-2003 text through the piece table; Word 6.0/95 text in its 8-bit code page.
#include <algorithm>
#include <string>
#include <vector>

#include "daradiv/extract/binary_reader.h"
#include "daradiv/extract/legacy_office.h"

namespace {

constexpr uint16_t kWord97Ident = 0xA5EC;
constexpr size_t kFcClx = 0x01A2;
constexpr size_t kLcbClx = 0x01A6;
// Word 6.0 and 95 share one file information block: text from fcMin to fcMac unless the
// file was fast-saved, when a piece table in the document stream orders it.
constexpr uint16_t kWord6Ident = 0xA5DC;
constexpr size_t kWord6FcMin = 0x18, kWord6FcMac = 0x1C;
constexpr size_t kWord6FcClx = 0x0160, kWord6LcbClx = 0x0164;
constexpr uint16_t kComplexFlag = 0x0004, kEncryptedFlag = 0x0100;

// Code points of the bytes 0x80-0x9F of an 8-bit ("compressed") piece, which holds CP1252.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// Turns Word's marks into text: paragraph and line marks into line ends, cell marks into
// tabs, field codes (between 0x13 and 0x14) dropped, object anchors dropped.
class WordText {
public:
    explicit WordText(TextBuilder* out) : out_(out) {}

    void Add(char16_t c) {
        if (c == 0x13) {
            fields_.push_back(true);
            ++in_code_;
            return;
        }
        if (c == 0x14 || c == 0x15) {
            if (!fields_.empty()) {
                if (fields_.back()) --in_code_;
                if (c == 0x14) fields_.back() = false;
                else fields_.pop_back();
            }
            return;
        }
        if (in_code_ > 0) return;
        switch (c) {
            case 0x0D: case 0x0B: case 0x0C: case 0x0E: units_.push_back(u'\n'); break;
            case 0x07: case 0x09: units_.push_back(u'\t'); break;
            case 0x1E: units_.push_back(u'-'); break;
            default:
                if (c >= 0x20) units_.push_back(c);
        }
        if (units_.size() >= 4096) Flush();
    }

    void Flush() {
        out_->AppendUtf16(units_);
        units_.clear();
    }

private:
    TextBuilder* out_;
    std::u16string units_;
    std::vector<bool> fields_;  // per open field: still in its code part
    int in_code_ = 0;
};

// The piece table (PlcPcd) inside a CLX: property modifiers (clxt 1) come first.
std::string_view PieceTable(std::string_view clx) {
    size_t at = 0;
    while (at < clx.size()) {
        uint8_t clxt = U8At(clx, at);
        if (clxt == 1) {
            at += 3 + U16At(clx, at + 1);
        } else if (clxt == 2) {
            size_t lcb = U32At(clx, at + 1);
            if (!InBounds(clx, at + 5, lcb)) break;
            return clx.substr(at + 5, lcb);
        } else {
            break;
        }
    }
    return {};
}

bool ReadWord6Text(const CompoundFile& file, std::string_view doc, TextBuilder* out,
                   std::string* error) {
    uint16_t flags = U16At(doc, 0x0A);
    if (flags & kEncryptedFlag) {
        *error = "暗号化された文書です";
        return false;
    }
    // The character set field says Macintosh (256) or Windows; Windows text is in the
    // ANSI code page of the document's language.
    std::string code_page = U16At(doc, 0x14) == 256 ? "MACINTOSH" : EightBitCodePage(file, U16At(doc, 0x06));
    std::string bytes;
    if (flags & kComplexFlag) {
        size_t fc_clx = U32At(doc, kWord6FcClx), lcb_clx = U32At(doc, kWord6LcbClx);
        std::string_view plc = InBounds(doc, fc_clx, lcb_clx) ? PieceTable(doc.substr(fc_clx, lcb_clx))
                                                              : std::string_view();
        if (plc.size() < 4 + 12) {
            *error = "Word 文書のピース テーブルが壊れています";
            return false;
        }
        size_t pieces = (plc.size() - 4) / 12;
        for (size_t k = 0; k < pieces && bytes.size() < kMaxExtractedTextBytes; ++k) {
            uint32_t cp_start = U32At(plc, 4 * k), cp_end = U32At(plc, 4 * (k + 1));
            size_t fc = U32At(plc, 4 * (pieces + 1) + 8 * k + 2);
            if (cp_end <= cp_start || fc >= doc.size()) continue;
            size_t count = std::min<size_t>(cp_end - cp_start, kMaxExtractedTextBytes - bytes.size());
            bytes.append(doc.substr(fc, count));
        }
    } else {
        size_t fc_min = U32At(doc, kWord6FcMin), fc_mac = U32At(doc, kWord6FcMac);
        if (fc_min >= doc.size() || fc_mac <= fc_min) {
            *error = "Word 文書の本文の位置が壊れています";
            return false;
        }
        bytes = doc.substr(fc_min, std::min<size_t>(fc_mac - fc_min, kMaxExtractedTextBytes));
    }
    // Word's marks are ASCII control codes, which no trail byte of a double-byte set is,
    // so they survive the conversion.
    WordText text(out);
    for (char16_t c : DecodeCodePage(bytes, code_page)) {
        if (out->full()) break;
        text.Add(c);
    }
    text.Flush();
    return true;
}

}  // namespace

bool ReadWordText(const CompoundFile& file, TextBuilder* out, std::string* error) {
    std::string doc;
    bool read = file.ReadStream("WordDocument", &doc);
    if (read && U16At(doc, 0) == kWord6Ident) return ReadWord6Text(file, doc, out, error);
    if (!read || doc.size() < kLcbClx + 4) {
        *error = "Word 文書の本体を読めません";
        return false;
    }
    if (U16At(doc, 0) != kWord97Ident) {
        *error = "Word 6.0 より古い形式の文書です";
        return false;
    }
    uint16_t flags = U16At(doc, 0x0A);
    if (flags & kEncryptedFlag) {
        *error = "暗号化された文書です";
        return false;
    }
    std::string table;
    if (!file.ReadStream((flags & 0x0200) ? "1Table" : "0Table", &table)) {
        *error = "Word 文書の表ストリームがありません";
        return false;
    }
    size_t fc_clx = U32At(doc, kFcClx), lcb_clx = U32At(doc, kLcbClx);
    if (!InBounds(table, fc_clx, lcb_clx)) {
        *error = "Word 文書のピース テーブルが壊れています";
        return false;
    }
    std::string_view plc = PieceTable(std::string_view(table).substr(fc_clx, lcb_clx));
    if (plc.size() < 4 + 12) {
        *error = "Word 文書のピース テーブルが壊れています";
        return false;
    }
    size_t pieces = (plc.size() - 4) / 12;
    WordText text(out);
    // Pieces may overlap in a damaged file: the characters read in all are bounded.
    size_t budget = kMaxExtractedTextBytes;
    for (size_t k = 0; k < pieces && !out->full() && budget > 0; ++k) {
        uint32_t cp_start = U32At(plc, 4 * k), cp_end = U32At(plc, 4 * (k + 1));
        if (cp_end <= cp_start) continue;
        size_t count = cp_end - cp_start;
        size_t pcd = 4 * (pieces + 1) + 8 * k;
        uint32_t fc = U32At(plc, pcd + 2);
        bool compressed = (fc & 0x40000000u) != 0;
        fc &= 0x3FFFFFFFu;
        count = std::min(count, budget);
        budget -= count;
        if (compressed) {
            size_t offset = fc / 2;
            if (offset >= doc.size()) continue;
            count = std::min(count, doc.size() - offset);
            for (size_t i = 0; i < count && !out->full(); ++i) {
                uint8_t b = U8At(doc, offset + i);
                text.Add(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
            }
        } else {
            if (fc >= doc.size()) continue;
            count = std::min(count, (doc.size() - fc) / 2);
            for (size_t i = 0; i < count && !out->full(); ++i) text.Add(static_cast<char16_t>(U16At(doc, fc + 2 * i)));
        }
    }
    text.Flush();
    return true;
}
