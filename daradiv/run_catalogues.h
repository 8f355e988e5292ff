// The catalogue files of one run: the old pairs read back when a run compacts the index
// from the texts it holds, and the new pairs the run appends its documents' records to.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "search/index_files.h"

namespace daradiv {

// The catalogues of the current information file, read back when the run compacts.
class OldCatalogues {
public:
    explicit OldCatalogues(std::string app_dir) : app_dir_(std::move(app_dir)) {}

    // True when both files of the record's pair hold the whole record.
    bool Readable(const index_files::DocumentLine& f);

    // The path and text blocks of the record from the display catalogue; false when the
    // record cannot be read whole.
    bool Read(const index_files::DocumentLine& f, std::string& head, std::string& body);

private:
    int64_t FileSize(const std::string& name) const;

    std::string app_dir_;
    std::map<int32_t, int64_t> sizes_;
    index_files::CatalogueReader reader_;
    int32_t open_number_ = 0;
};

// The new catalogue pairs of this run, numbered from first; a full pair gives way to the next.
class CatalogueOutput {
public:
    CatalogueOutput(std::string app_dir, int32_t first)
        : app_dir_(std::move(app_dir)), number_(first - 1) {}

    struct Placed {
        int32_t catalogue = 0;
        index_files::RecordPlacement at;
    };

    // Appends one record; throws AppError when no catalogue takes it.
    Placed Append(const std::string& path_block, const std::string& text_block);
    void Close() { writer_.Close(); }

private:
    std::string app_dir_;
    int32_t number_;
    index_files::CatalogueWriter writer_;
};

}  // namespace daradiv
