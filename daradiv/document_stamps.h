// The indexer's own record of every document's size and full-resolution times as the last
// run found them ("daradivt.dat" in the program folder). The information file keeps the
// modification time in whole seconds only, so a rewrite of the same size within that second
// would go unseen; this record tells such changes apart. One line per document: path, size,
// modification time and status-change time in nanoseconds, and "1" when the document must be
// read again because it was modified too close to the run that read it, then what reading it
// left out, for the log (separated by tabs).
#pragma once

#include <cstdint>
#include <unordered_map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "daradiv/file_walker.h"

namespace daradiv {

inline constexpr const char* kDocumentStampsFile = "daradivt.dat";

struct DocumentStamp {
    int64_t size = 0;
    int64_t mtime_ns = 0;
    int64_t ctime_ns = 0;
    bool read_again = false;
    std::vector<std::string> notes;  // what its extraction left out; listed while it is kept
    bool operator==(const DocumentStamp&) const = default;
};

// Looked up once or twice per document of a run, so hashed.
using DocumentStamps = std::unordered_map<std::string, DocumentStamp>;

// The records in the file; nothing when it is missing (an index of an earlier version), and
// none when it is damaged (every document is then read again).
std::optional<DocumentStamps> ReadDocumentStamps(const std::string& file);

// Writes a record one document at a time to a temporary file beside it, so that a million
// documents' records are never all held; Publish puts it in place in one rename. Dropped
// unpublished, the temporary file goes. Throws AppError when it cannot be written.
class DocumentStampsWriter {
  public:
    explicit DocumentStampsWriter(std::string file);
    ~DocumentStampsWriter();
    DocumentStampsWriter(const DocumentStampsWriter&) = delete;
    DocumentStampsWriter& operator=(const DocumentStampsWriter&) = delete;

    void Add(std::string_view path, const DocumentStamp& stamp);
    void Publish();

  private:
    void WriteOut();

    std::string file_, temp_;
    int fd_ = -1;
    std::string pending_;
};

// Replaces the file whole. Throws AppError when it cannot be written.
void WriteDocumentStamps(const std::string& file, const DocumentStamps& stamps);

// True when a change made after the run that started at run_start_ns (nanoseconds since the
// epoch, taken before the file was looked at) could leave the file's size and both times as
// they are: both times lie within one timestamp tick of the start or after it. The tick is
// taken as 2 s on a file system that keeps whole seconds, else as 100 ms.
bool ChangeCouldGoUnseen(const FoundFile& file, int64_t run_start_ns);

// The record a run that started at run_start_ns leaves for a file it found, without notes.
DocumentStamp StampOf(const FoundFile& file, int64_t run_start_ns);

// The record a run that started at run_start_ns leaves for the files it found.
DocumentStamps StampsOf(const std::vector<FoundFile>& found, int64_t run_start_ns);

// True when file is as stamp records it and need not be read again.
bool MatchesStamp(const FoundFile& file, const DocumentStamp& stamp);

}  // namespace daradiv
