// What one run has to do, decided from the information file of the last run, the documents
// found now and the documents that failed last time: which lines stay as they are, which
// documents must be extracted, which lines die, and whether the run rebuilds from scratch.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "daradiv/document_stamps.h"
#include "daradiv/file_walker.h"
#include "search/index_files.h"
#include "text/record_field.h"

namespace daradiv {

// A document that could not be extracted, remembered so an unchanged one is not tried again
// on every update.
struct FailedDocument {
    std::string path;
    int64_t size = 0;
    int64_t mtime = 0;
    std::string reason;
    bool operator==(const FailedDocument&) const = default;
};

// One line of the current information file. The run keeps one for every document, so it
// holds the line as stored and only the numeric fields parsed (as the viewer parses them);
// the text fields are read from the line when asked for.
struct OldLine {
    OldLine() = default;
    explicit OldLine(std::string line);

    std::string_view path() const { return RecordField(text, 0); }
    std::string_view date() const { return RecordField(text, 1); }
    std::string_view extra() const { return RecordField(text, 2); }
    // The record's place in its catalogue pair: a document line of the numeric fields only.
    index_files::DocumentLine Place() const;

    std::string text;
    int64_t size = 0;
    int32_t catalogue = 0;
    int32_t path_length = 0;
    int32_t text_length = 0;
    int32_t offset = -1;  // -1 for a dead line
};

enum class RunKind {
    kIncremental,  // keep the lines, kill changed ones, append new ones
    kCompact,      // rewrite every kept text into new catalogues, renumber, index anew
    kFull,         // extract everything again
};

struct RunPlan {
    RunKind kind = RunKind::kIncremental;
    std::vector<size_t> kept;           // indexes into the old lines, ascending
    std::vector<size_t> dying;          // live old lines that are changed or gone
    std::vector<FoundFile> extract;     // documents to extract, in walk order
    std::vector<FailedDocument> still_failed;  // unchanged documents that failed before
    bool nothing_changed = false;       // incremental, nothing to extract and nothing dies
};

struct PlanInputs {
    bool full = false;                 // "Reindex=full"
    bool index_matches = true;         // the index was built with this information file
    size_t added_since_fresh = 0;      // documents the index took one by one since its last
                                       // fresh build (changed ones included)
    std::vector<OldLine> old_lines;
    std::vector<bool> record_readable; // per old line: its catalogue record can be read
    std::vector<FoundFile> found;
    std::vector<FailedDocument> known_failures;
    // The size and full-resolution times each document had when last read; null for an index
    // of an earlier version, which the size and whole-second time alone decide.
    const DocumentStamps* stamps = nullptr;
};

// The field-2 text of a document line: the modification time in seconds.
std::string MtimeField(int64_t mtime);

// Decides the run. A document is kept when a live line has its path, its size and its
// modification time, its stamp has its size and both its times and does not ask for it to be
// read again, and its record can be read. A failed document is tried again on the same terms. The run compacts when the dead lines would
// pass a tenth of all lines, or the documents added to the index one by one since its last
// fresh build would (they take more room than the rest), or the index does not match the
// information file.
RunPlan PlanRun(const PlanInputs& in);
// The same, but a full run's plan takes the found files instead of a copy of them (at a
// million documents the copy is large); only in.found is taken.
RunPlan PlanRun(PlanInputs&& in);

}  // namespace daradiv
