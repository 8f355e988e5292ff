// PowerPoint 97-2003 text from the records of the document stream.
#include <algorithm>
#include <string>
#include <vector>

#include "daradiv/extract/binary_reader.h"
#include "daradiv/extract/legacy_office.h"

namespace {

enum : uint16_t {
    kMainMaster = 0x03F8, kSlideListWithText = 0x0FF0, kHeadersFooters = 0x0FD9,
    kTextCharsAtom = 0x0FA0, kTextBytesAtom = 0x0FA8, kCString = 0x0FBA,
    kPlaceholderAtom = 0x0BC3, kShapeContainer = 0xF004,
};
constexpr uint16_t kMasterListInstance = 1;
// Placeholder kinds 1 to 10 belong to masters (title and body styles, notes page, dates,
// numbers, headers and footers): their text is a prompt such as "Click to edit Master
// title style", never the author's.
constexpr uint8_t kFirstMasterPlaceholder = 1, kLastMasterPlaceholder = 10;
// Containers nest at most this deep; deeper ones are stepped over whole.
constexpr size_t kMaxDepth = 256;

std::u16string AtomUnits(std::string_view s, size_t body, size_t end, bool wide) {
    std::u16string units;
    if (wide) {
        for (size_t at = body; at + 2 <= end; at += 2) units.push_back(static_cast<char16_t>(U16At(s, at)));
    } else {
        for (size_t at = body; at < end; ++at) units.push_back(static_cast<char16_t>(U8At(s, at)));
    }
    return units;
}

void AppendAtomText(std::u16string units, TextBuilder* out) {
    for (char16_t& c : units)
        if (c == 0x0D || c == 0x0B) c = u'\n';
    out->EndLine();
    out->AppendUtf16(units);
    out->EndLine();
}

// Walks the record tree: containers are entered in place, atoms and skipped containers
// stepped over whole, and a record is cut at the end of its container, so a corrupt length
// cannot swallow the records after its container. The text of one shape is held until the
// shape ends, since its placeholder atom decides whether the text is a master's prompt.
class PowerPointWalk {
public:
    PowerPointWalk(std::string_view s, TextBuilder* out) : s_(s), out_(out) {}

    void Run() {
        size_t pos = 0;
        while (!out_->full()) {
            while (!stack_.empty() && (pos + 8 > stack_.back().end)) {
                pos = stack_.back().end;
                Leave(stack_.back());
                stack_.pop_back();
            }
            if (pos + 8 > s_.size()) break;
            size_t parent_end = stack_.empty() ? s_.size() : stack_.back().end;
            uint16_t ver_instance = U16At(s_, pos);
            uint16_t type = U16At(s_, pos + 2);
            size_t len = U32At(s_, pos + 4);
            size_t body = pos + 8;
            size_t end = body + std::min(len, parent_end - body);
            bool container = (ver_instance & 0x0F) == 0x0F;
            uint16_t instance = ver_instance >> 4;
            bool skipped = type == kMainMaster ||
                           (type == kSlideListWithText && instance == kMasterListInstance) ||
                           stack_.size() >= kMaxDepth;
            if (container && !skipped) {
                stack_.push_back({end, type});
                if (type == kShapeContainer) {
                    shape_text_.clear();
                    shape_units_ = 0;
                    master_prompt_ = false;
                }
                pos = body;
                continue;
            }
            Atom(type, body, end);
            pos = end;
        }
        while (!stack_.empty()) {
            Leave(stack_.back());
            stack_.pop_back();
        }
    }

private:
    struct Frame {
        size_t end;
        uint16_t type;
    };

    bool InShape() const {
        for (const Frame& f : stack_)
            if (f.type == kShapeContainer) return true;
        return false;
    }

    void Atom(uint16_t type, size_t body, size_t end) {
        uint16_t parent = stack_.empty() ? 0 : stack_.back().type;
        if (type == kPlaceholderAtom) {
            uint8_t kind = U8At(s_, body + 4);
            if (kind >= kFirstMasterPlaceholder && kind <= kLastMasterPlaceholder) master_prompt_ = true;
            return;
        }
        bool text = type == kTextCharsAtom || type == kTextBytesAtom ||
                    (type == kCString && parent == kHeadersFooters);
        if (!text) return;
        std::u16string units = AtomUnits(s_, body, end, type != kTextBytesAtom);
        if (!InShape()) {
            AppendAtomText(std::move(units), out_);
        } else if (shape_units_ < kMaxExtractedTextBytes) {
            shape_units_ += units.size();
            shape_text_.push_back(std::move(units));
        }
    }

    void Leave(const Frame& f) {
        if (f.type != kShapeContainer) return;
        if (!master_prompt_)
            for (std::u16string& units : shape_text_) AppendAtomText(std::move(units), out_);
        shape_text_.clear();
        shape_units_ = 0;
        master_prompt_ = false;
    }

    std::string_view s_;
    TextBuilder* out_;
    std::vector<Frame> stack_;
    std::vector<std::u16string> shape_text_;  // text atoms of the shape being walked
    size_t shape_units_ = 0;
    bool master_prompt_ = false;              // that shape is a master's placeholder
};

}  // namespace

bool ReadPowerPointText(const CompoundFile& file, TextBuilder* out, std::string* error) {
    std::string stream;
    if (!file.ReadStream("PowerPoint Document", &stream)) {
        *error = "PowerPoint 文書を読めません";
        return false;
    }
    PowerPointWalk(stream, out).Run();
    return true;
}
