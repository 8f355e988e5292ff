// PowerPoint 97-2003 text from the records of the document stream.
#include <algorithm>
#include <string>
#include <vector>

#include "daradiv/extract/binary_reader.h"
#include "daradiv/extract/legacy_office.h"

namespace {

enum : uint16_t {
    kMainMaster = 0x03F8, kSlideListWithText = 0x0FF0, kTextCharsAtom = 0x0FA0,
    kTextBytesAtom = 0x0FA8,
};
constexpr uint16_t kMasterListInstance = 1;

void AppendAtomText(std::u16string units, TextBuilder* out) {
    for (char16_t& c : units)
        if (c == 0x0D || c == 0x0B) c = u'\n';
    out->EndLine();
    out->AppendUtf16(units);
    out->EndLine();
}

}  // namespace

bool ReadPowerPointText(const CompoundFile& file, TextBuilder* out, std::string* error) {
    std::string stream;
    if (!file.ReadStream("PowerPoint Document", &stream)) {
        *error = "PowerPoint 文書を読めません";
        return false;
    }
    std::string_view s = stream;
    // Records nest: a container's body holds records. The walk enters containers in place
    // and steps over atoms and skipped containers whole, so each record is seen once.
    size_t pos = 0;
    while (pos + 8 <= s.size() && !out->full()) {
        uint16_t ver_instance = U16At(s, pos);
        uint16_t type = U16At(s, pos + 2);
        size_t len = U32At(s, pos + 4);
        size_t body = pos + 8;
        size_t end = body + std::min(len, s.size() - body);
        bool container = (ver_instance & 0x0F) == 0x0F;
        uint16_t instance = ver_instance >> 4;
        bool skipped = type == kMainMaster ||
                       (type == kSlideListWithText && instance == kMasterListInstance);
        if (container && !skipped) {
            pos = body;
            continue;
        }
        if (type == kTextCharsAtom) {
            std::u16string units;
            for (size_t at = body; at + 2 <= end; at += 2)
                units.push_back(static_cast<char16_t>(U16At(s, at)));
            AppendAtomText(std::move(units), out);
        } else if (type == kTextBytesAtom) {
            std::u16string units;
            for (size_t at = body; at < end; ++at) units.push_back(static_cast<char16_t>(U8At(s, at)));
            AppendAtomText(std::move(units), out);
        }
        pos = end;
    }
    return true;
}
