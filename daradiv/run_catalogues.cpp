#include "daradiv/run_catalogues.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>

#include "text/app_error.h"

namespace daradiv {

using index_files::DocumentLine;
using index_files::RecordPlacement;

bool OldCatalogues::Readable(const DocumentLine& f) {
    if (f.offset < 0 || f.catalogue < 1 || f.path_length < 0 || f.text_length < 0) return false;
    auto it = sizes_.find(f.catalogue);
    if (it == sizes_.end()) {
        int64_t display = FileSize(index_files::DisplayCatalogueName(f.catalogue));
        int64_t folded = FileSize(index_files::FoldedCatalogueName(f.catalogue));
        it = sizes_.emplace(f.catalogue, std::min(display, folded)).first;
    }
    return static_cast<int64_t>(f.offset) + f.path_length + f.text_length <= it->second;
}

bool OldCatalogues::Read(const DocumentLine& f, std::string& head, std::string& body) {
    if (!Readable(f)) return false;
    if (open_number_ != f.catalogue) {
        open_number_ = 0;
        if (!reader_.Open(app_dir_ + index_files::DisplayCatalogueName(f.catalogue))) return false;
        open_number_ = f.catalogue;
    }
    head.resize(static_cast<size_t>(f.path_length));
    body.resize(static_cast<size_t>(f.text_length));
    index_files::RecordSizes got = reader_.Read(f.offset, f.path_length, f.text_length,
                                                head.data(), head.size(), body.data(), body.size());
    return got.head == head.size() && got.body == body.size();
}

int64_t OldCatalogues::FileSize(const std::string& name) const {
    struct stat st;
    return stat((app_dir_ + name).c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

CatalogueOutput::Placed CatalogueOutput::Append(const std::string& path_block,
                                                const std::string& text_block) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!writer_.is_open()) {
            ++number_;
            writer_.Open(app_dir_ + index_files::DisplayCatalogueName(number_),
                         app_dir_ + index_files::FoldedCatalogueName(number_), true);
        }
        if (std::optional<RecordPlacement> at = writer_.Append(path_block, text_block))
            return {number_, *at};
        writer_.Close();
    }
    throw AppError("カタログに書き込めません");
}

}  // namespace daradiv
