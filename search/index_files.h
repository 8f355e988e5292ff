// The indexer's output as the viewer reads it and the indexer writes it: the document lines
// of the information file "sindexi.dat", the catalogue pairs "sindex"+N+".dat" (display) and
// "sindexc"+N+".dat" (folded), their records, and a parsed copy of the information file.
// This is the one module that knows these formats; the search, the result page and the
// indexer all go through it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "senna/senna.h"

namespace index_files {

// Limits of one record: the viewer's buffers hold a path block of at most kMaxPathBlock
// bytes and a text block of at most kMaxTextBlock bytes. The writer cuts longer blocks at a
// character boundary; the reader never reads more than the buffer it is given.
inline constexpr size_t kMaxPathBlock = 100'009;
inline constexpr size_t kMaxTextBlock = 5'000'000;

// ---- Names (all files lie in AppDir) ----

std::string InformationFileName();            // "sindexi.dat"
std::string DisplayCatalogueName(int32_t n);  // "sindex" + n + ".dat"
std::string FoldedCatalogueName(int32_t n);   // "sindexc" + n + ".dat"

// ---- Document lines ----

// One line of the information file: eight fields joined by ";;".
struct DocumentLine {
    std::string path;         // 0: full path of the document
    std::string date;         // 1: modification date, yyyymmdd
    std::string extra;        // 2: carried by the viewer, used by the indexer
    int64_t size = 0;         // 3: size in bytes (a value beyond 32 bits reads as 0)
    int32_t catalogue = 0;    // 4: catalogue number N, from 1
    int32_t path_length = 0;  // 5: bytes of the path block
    int32_t text_length = 0;  // 6: bytes of the text block
    int32_t offset = -1;      // 7: record offset in the catalogue pair; -1 for a dead line
};

// True when text can stand as a field that another follows: valid UTF-8, no ";;", no CR
// or LF, and no ";" at its end (it would join the separator and shift every later field).
bool IsStorableField(std::string_view text);

// The line for doc, or nothing when path, date or extra is not storable (the indexer then
// leaves the document out).
std::optional<std::string> FormatDocumentLine(const DocumentLine& doc);

// Reads the eight fields of a line the way the viewer does: RecordField, numbers as signed
// 32-bit decimals with 0 for anything else (so a size of 2^31 or more reads as 0).
DocumentLine ParseDocumentLine(std::string_view line);

// ---- Identity of the information file ----

// What tells one version of the information file from another.
struct FileIdentity {
    int64_t size = 0;
    int64_t mtime_ns = 0;
    uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOfFile(const std::string& path);
inline sen_file_identity ToSenna(const FileIdentity& id) {
    return {id.size, id.mtime_ns, static_cast<unsigned long long>(id.inode)};
}
inline FileIdentity FromSenna(const sen_file_identity& id) {
    return {id.size, id.mtime_ns, static_cast<uint64_t>(id.inode)};
}

// ---- The parsed information file ----

// The information file as one search sees it: the raw lines (without BOM and line ends) and
// the numeric fields the search needs, parsed once.
class InformationFile {
  public:
    struct Entry {
        size_t start = 0;  // the line's bytes in the file's text
        size_t length = 0;
        size_t path_length_in_line = 0;  // field 0 is the line's first bytes
        int32_t catalogue = 0;           // fields 4 to 7, read as by ParseDocumentLine
        int32_t path_length = 0;
        int32_t text_length = 0;
        int32_t offset = 0;
    };

    size_t size() const { return entries_.size(); }
    const Entry& entry(size_t i) const { return entries_[i]; }
    std::string_view line(size_t i) const;
    std::string_view path(size_t i) const;
    // The identity of the file read; absent when there was no file.
    const std::optional<FileIdentity>& identity() const { return identity_; }

    // Parses bytes (a leading byte-order mark skipped, lines at CR LF, CR or LF). Throws
    // AppError(kUtf8MappingError) when they are not UTF-8.
    static std::shared_ptr<const InformationFile> Parse(std::string bytes,
                                                        std::optional<FileIdentity> id);

  private:
    std::string text_;
    std::vector<Entry> entries_;
    std::optional<FileIdentity> identity_;
};

// The information file at path as it is now. The parsed copy of the last file read is kept
// and returned again while the file's identity (taken from the opened file) is unchanged.
// An empty file (identity absent) when it does not exist or cannot be read. Throws AppError
// when it is not UTF-8.
std::shared_ptr<const InformationFile> LoadInformationFile(const std::string& path);

// ---- Reading catalogue records ----

// Bytes that reading a record delivered into each buffer.
struct RecordSizes {
    size_t head = 0;
    size_t body = 0;
};

// One catalogue file opened for reading (the search keeps one open while consecutive
// candidates use the same catalogue number).
class CatalogueReader {
  public:
    CatalogueReader() = default;
    ~CatalogueReader();
    CatalogueReader(const CatalogueReader&) = delete;
    CatalogueReader& operator=(const CatalogueReader&) = delete;

    // Opens file (a full path); false when it cannot be opened (nothing is open then).
    bool Open(const std::string& file);
    void Close();
    bool is_open() const { return fd_ >= 0; }

    // Reads the record at offset: the path block (path_length bytes, at most head_capacity
    // of them) into head and the text block, which starts path_length bytes after offset,
    // (at most body_capacity of text_length bytes) into body. Short or failed reads give
    // fewer bytes (0 on an error); negative lengths or offset read nothing.
    RecordSizes Read(int64_t offset, int32_t path_length, int32_t text_length, char* head,
                     size_t head_capacity, char* body, size_t body_capacity) const;

  private:
    int fd_ = -1;
};

// ---- Writing (the indexer) ----

// Where an appended record landed and what the document line must say of it.
struct RecordPlacement {
    int32_t offset = 0;
    int32_t path_length = 0;
    int32_t text_length = 0;
};

// Appends records to one catalogue pair. The display file gets the blocks as given, the
// folded file their FoldLetters copies at the same offset with the same lengths.
class CatalogueWriter {
  public:
    CatalogueWriter() = default;
    ~CatalogueWriter();
    CatalogueWriter(const CatalogueWriter&) = delete;
    CatalogueWriter& operator=(const CatalogueWriter&) = delete;

    // Opens the pair at the two full paths, creating them; truncate starts them empty, else
    // records are appended after what they hold (both files must be of the same size).
    // Throws AppError when a file cannot be opened or the two sizes differ.
    void Open(const std::string& display_file, const std::string& folded_file, bool truncate);
    // Flushes and closes both files; throws AppError when the data cannot be written.
    void Close();
    bool is_open() const { return display_fd_ >= 0; }

    // Appends one record. Each block is first made valid UTF-8 (ill-formed bytes become
    // U+FFFD) so folding keeps every byte length, then cut at a character boundary to
    // kMaxPathBlock / kMaxTextBlock. The indexer normalises the text block beforehand
    // (NormalizedCopy); the path block is the real path. Nothing when the catalogue is full
    // (its size is past what a 32-bit offset can name): the caller starts catalogue N + 1.
    // Throws AppError on a write failure.
    std::optional<RecordPlacement> Append(std::string_view path_block, std::string_view text_block);

    // Bytes in each file so far.
    int64_t size() const { return size_; }

  private:
    int display_fd_ = -1;
    int folded_fd_ = -1;
    int64_t size_ = 0;
    std::string display_name_;
    std::string folded_name_;
};

// Writes the information file's lines (each followed by CR LF, no byte-order mark) to a
// staged file as they come, a megabyte at a time, so that a large index's lines are never
// all held in memory. Finish flushes it to disk and returns the identity of that file, which
// a rename keeps: record it with sen_index_set_info_identity, publish the index, then
// PublishInformationFile. A writer dropped unfinished removes its file. Throws AppError when
// the file cannot be written.
class InformationFileWriter {
  public:
    explicit InformationFileWriter(std::string staged_file);
    ~InformationFileWriter();
    InformationFileWriter(const InformationFileWriter&) = delete;
    InformationFileWriter& operator=(const InformationFileWriter&) = delete;

    void Append(std::string_view line);
    // Lines appended so far.
    size_t lines() const { return lines_; }
    FileIdentity Finish();

  private:
    void WriteOut();

    std::string file_;
    int fd_ = -1;
    std::string pending_;
    int64_t at_ = 0;
    size_t lines_ = 0;
};

// The lines written at once through an InformationFileWriter.
FileIdentity WriteStagedInformationFile(const std::string& staged_file,
                                        const std::vector<std::string>& lines);
// Puts the staged file in place of final_file in one rename. Throws AppError on failure.
void PublishInformationFile(const std::string& staged_file, const std::string& final_file);

}  // namespace index_files
