// Excel 97-2003 (BIFF8) and Excel 5.0/95 (BIFF5) cell text from the workbook stream's
// records. The two differ in their strings: BIFF8 strings carry a flags byte and are
// Latin-1 or UTF-16, BIFF5 strings are bytes in the workbook's code page.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "daradiv/extract/binary_reader.h"
#include "daradiv/extract/legacy_office.h"

namespace {

enum : uint16_t {
    kBof = 0x0809, kBoundSheet = 0x0085, kContinue = 0x003C, kFilePass = 0x002F,
    kSst = 0x00FC, kLabelSst = 0x00FD, kLabel = 0x0204, kString = 0x0207, kNumber = 0x0203,
    kRk = 0x027E, kMulRk = 0x00BD, kRString = 0x00D6, kCodePage = 0x0042,
};
constexpr uint16_t kBiff5 = 0x0500;

// A record's data followed by its CONTINUE records, read as one sequence. A string's
// characters that run into a CONTINUE record resume after a new flags byte there.
class ContinuedData {
public:
    void AddSegment(std::string_view s) { segments_.push_back(s); }
    bool AtEnd() {
        Settle();
        return seg_ >= segments_.size();
    }
    uint8_t U8() {
        Settle();
        if (seg_ >= segments_.size()) return 0;
        return static_cast<uint8_t>(segments_[seg_][off_++]);
    }
    uint16_t U16() { return static_cast<uint16_t>(U8() | (U8() << 8)); }
    uint32_t U32() { return static_cast<uint32_t>(U16()) | (static_cast<uint32_t>(U16()) << 16); }
    void Skip(size_t n) {
        while (n > 0 && !AtEnd()) {
            size_t take = std::min(n, segments_[seg_].size() - off_);
            off_ += take;
            n -= take;
        }
    }
    // Reads cch characters of a string whose flags byte said high_byte.
    std::u16string Chars(size_t cch, bool high_byte) {
        std::u16string s;
        bool first = true;
        while (cch > 0) {
            if (!first || off_ >= Current().size()) {
                // The segment ended inside the characters: the next one opens with flags.
                if (!NextSegment()) break;
                high_byte = (U8() & 1) != 0;
            }
            first = false;
            std::string_view seg = Current();
            size_t width = high_byte ? 2 : 1;
            size_t avail = (seg.size() - off_) / width;
            size_t take = std::min(cch, avail);
            for (size_t i = 0; i < take; ++i) {
                s.push_back(high_byte ? static_cast<char16_t>(U16At(seg, off_) ) :
                                        static_cast<char16_t>(U8At(seg, off_)));
                off_ += width;
            }
            cch -= take;
            if (take == 0 && off_ < seg.size()) off_ = seg.size();  // half a character left
        }
        return s;
    }

private:
    std::string_view Current() const {
        return seg_ < segments_.size() ? segments_[seg_] : std::string_view();
    }
    void Settle() {
        while (seg_ < segments_.size() && off_ >= segments_[seg_].size()) {
            ++seg_;
            off_ = 0;
        }
    }
    bool NextSegment() {
        if (seg_ >= segments_.size()) return false;
        if (off_ < segments_[seg_].size()) return true;  // still inside the current one
        ++seg_;
        off_ = 0;
        while (seg_ < segments_.size() && segments_[seg_].empty()) ++seg_;
        return seg_ < segments_.size();
    }

    std::vector<std::string_view> segments_;
    size_t seg_ = 0, off_ = 0;
};

// XLUnicodeRichExtendedString, as the shared string table holds it.
std::u16string ReadSharedString(ContinuedData* d) {
    uint16_t cch = d->U16();
    uint8_t flags = d->U8();
    uint16_t runs = (flags & 0x08) ? d->U16() : 0;
    uint32_t ext = (flags & 0x04) ? d->U32() : 0;
    std::u16string s = d->Chars(cch, flags & 0x01);
    d->Skip(4u * runs);
    d->Skip(ext);
    return s;
}

// XLUnicodeString inside one record: 16-bit count (8-bit when short_count), flags, chars.
std::u16string ReadRecordString(std::string_view data, size_t at, bool short_count) {
    size_t cch = short_count ? U8At(data, at) : U16At(data, at);
    at += short_count ? 1 : 2;
    uint8_t flags = U8At(data, at++);
    if (flags & 0x08) at += 2;
    if (flags & 0x04) at += 4;
    std::u16string s;
    size_t width = (flags & 1) ? 2 : 1;
    for (size_t i = 0; i < cch && InBounds(data, at, width); ++i, at += width)
        s.push_back(width == 2 ? static_cast<char16_t>(U16At(data, at))
                               : static_cast<char16_t>(U8At(data, at)));
    return s;
}

// A BIFF5 string inside one record: an 8-bit (short_count) or 16-bit count, then bytes.
std::u16string ReadByteString(std::string_view data, size_t at, bool short_count,
                              const std::string& code_page) {
    size_t cch = short_count ? U8At(data, at) : U16At(data, at);
    at += short_count ? 1 : 2;
    if (at > data.size()) return {};
    return DecodeCodePage(data.substr(at, std::min(cch, data.size() - at)), code_page);
}

std::string FormatNumber(double v) {
    if (!std::isfinite(v)) return "";
    char buf[64];
    if (v == std::floor(v) && std::fabs(v) < 1e15) std::snprintf(buf, sizeof buf, "%.0f", v);
    else std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

double RkValue(uint32_t rk) {
    double v;
    if (rk & 0x02) {
        v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 0x01) ? v / 100 : v;
}

double DoubleAt(std::string_view b, size_t at) {
    uint64_t bits = static_cast<uint64_t>(U32At(b, at)) | (static_cast<uint64_t>(U32At(b, at + 4)) << 32);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Writes cells as the sheet's records give them: a tab between cells, a line per row.
class SheetWriter {
public:
    explicit SheetWriter(TextBuilder* out) : out_(out) {}
    void StartSheet(const std::u16string& name) {
        out_->EndLine();
        out_->AppendUtf16(name);
        out_->EndLine();
        row_ = -1;
    }
    void Cell(long row, std::u16string_view text) {
        if (text.empty()) return;
        if (row != row_) {
            out_->EndLine();
            row_ = row;
        } else {
            out_->Append('\t');
        }
        out_->AppendUtf16(text);
    }
    void Cell(long row, const std::string& ascii) {
        Cell(row, std::u16string(ascii.begin(), ascii.end()));
    }
    long row() const { return row_; }

private:
    TextBuilder* out_;
    long row_ = -1;
};

}  // namespace

bool ReadExcelText(const CompoundFile& file, TextBuilder* out, std::string* error) {
    std::string stream;
    if (!file.ReadStream("Workbook", &stream) && !file.ReadStream("Book", &stream)) {
        *error = "Excel ブックを読めません";
        return false;
    }
    bool biff5 = false;
    bool globals_seen = false;
    std::string code_page = "CP1252";
    // A string record's text in the workbook's own kind of string.
    auto record_string = [&](std::string_view data, size_t at, bool short_count) {
        return biff5 ? ReadByteString(data, at, short_count, code_page)
                     : ReadRecordString(data, at, short_count);
    };
    std::string_view s = stream;
    std::vector<std::u16string> sheet_names, shared;
    size_t shared_units = 0, next_sheet = 0;
    SheetWriter writer(out);
    size_t pos = 0;
    while (pos + 4 <= s.size() && !out->full()) {
        uint16_t type = U16At(s, pos), len = U16At(s, pos + 2);
        std::string_view data = s.substr(pos + 4, std::min<size_t>(len, s.size() - pos - 4));
        pos += 4 + data.size();
        switch (type) {
            case kFilePass:
                *error = "暗号化されたブックです";
                return false;
            case kBof:
                if (!globals_seen) {
                    globals_seen = true;
                    biff5 = U16At(data, 0) == kBiff5;
                }
                // Worksheets follow the globals in the order of their BOUNDSHEET records;
                // charts (nested or on sheets of their own) carry no cell text.
                if (U16At(data, 2) == 0x0010) {
                    std::u16string name = next_sheet < sheet_names.size() ? sheet_names[next_sheet] : u"";
                    ++next_sheet;
                    writer.StartSheet(name);
                }
                break;
            case kBoundSheet:
                if (U8At(data, 5) == 0) sheet_names.push_back(record_string(data, 6, true));
                break;
            case kCodePage: {
                std::string named = CodePageName(U16At(data, 0));
                if (!named.empty()) code_page = named;
                break;
            }
            case kSst: {
                ContinuedData d;
                d.AddSegment(data);
                while (pos + 4 <= s.size() && U16At(s, pos) == kContinue) {
                    uint16_t clen = U16At(s, pos + 2);
                    std::string_view c = s.substr(pos + 4, std::min<size_t>(clen, s.size() - pos - 4));
                    d.AddSegment(c);
                    pos += 4 + c.size();
                }
                d.Skip(8);  // total and unique counts
                while (!d.AtEnd() && shared_units < kMaxExtractedTextBytes) {
                    shared.push_back(ReadSharedString(&d));
                    shared_units += shared.back().size() + 1;
                }
                break;
            }
            case kLabelSst: {
                uint32_t index = U32At(data, 6);
                if (index < shared.size()) writer.Cell(U16At(data, 0), shared[index]);
                break;
            }
            case kLabel:
            case kRString:  // a label with formatting runs after its text
                writer.Cell(U16At(data, 0), record_string(data, 6, false));
                break;
            case kString:  // the text result of the formula just before
                writer.Cell(writer.row() < 0 ? 0 : writer.row(), record_string(data, 0, false));
                break;
            case kNumber:
                if (data.size() >= 14) writer.Cell(U16At(data, 0), FormatNumber(DoubleAt(data, 6)));
                break;
            case kRk:
                if (data.size() >= 10) writer.Cell(U16At(data, 0), FormatNumber(RkValue(U32At(data, 6))));
                break;
            case kMulRk:
                for (size_t at = 4; at + 6 <= data.size() - std::min<size_t>(2, data.size()); at += 6)
                    writer.Cell(U16At(data, 0), FormatNumber(RkValue(U32At(data, at + 2))));
                break;
            default:
                break;
        }
    }
    return true;
}
