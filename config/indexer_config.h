// daradiv.ini: the indexer's configuration (rebuild or update, file types, target folders
// with categories, exclusions). Its writer and the reading passes of the viewer, the
// settings dialog and the indexer all live here.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace indexer_config {
inline constexpr const char* kFileTypeHeader = "[FileType]";
inline constexpr const char* kSearchDirHeader = "[SearchDir]";
inline constexpr const char* kExtraDirHeader = "[ExtraDir]";
inline constexpr const char* kReindexFull = "Reindex=full";
inline constexpr const char* kReindexUpdate = "Reindex=update";
// [Common] line that turns on OCR of scanned PDF pages; without it they are not read.
inline constexpr const char* kPdfOcrOn = "PdfOcr=on";
}  // namespace indexer_config

// The document-type boxes of the settings dialog: CheckBox1 (index 0) to CheckBox8, then
// OpenDocument, EPUB and images read by OCR (CheckBox10 to CheckBox12).
inline constexpr int kFileTypeBoxCount = 11;
using FileTypeBoxes = std::array<bool, kFileTypeBoxCount>;

// The extensions each box stands for, in the order they are written.
const std::vector<std::string>& FileTypeBoxExtensions(int box_index);

// One row of the folder list: a target folder and its category.
struct FolderRow {
    std::string folder;
    std::string category;
    bool operator==(const FolderRow&) const = default;
};

// What the writer takes: the dialog's values in the lists' displayed order.
struct IndexerConfig {
    bool Rebuild = false;                // CheckBox9: "Reindex=full" instead of "=update"
    bool PdfOcr = false;                 // CheckBox13: OCR of scanned PDF pages
    FileTypeBoxes FileTypes{};           // CheckBox1..CheckBox8, CheckBox10..CheckBox12
    std::string ExtraExtensions;         // text of Edit1, taken by ExtensionPieces
    std::vector<FolderRow> Folders;      // ListView1 rows
    std::vector<std::string> Exclusions; // ListView2 rows
};

// The file's bytes: UTF-8 without byte-order mark, CR LF after every line, sections always
// present (69 bytes for an empty configuration).
std::string FormatIndexerConfig(const IndexerConfig& config);

// Rewrites the file at path whole. False (and nothing reported) when it cannot be written.
bool WriteIndexerConfig(const std::string& path, const IndexerConfig& config);

// The file's lines (byte-order mark skipped; CR LF, CR or LF end a line); nothing when the
// file is missing. Throws AppError(kUtf8MappingError) when it is not valid UTF-8.
std::optional<std::vector<std::string>> ReadIndexerConfig(const std::string& path);

// --- Reading passes. Each walks all lines with its own inside flag; the header lines and
// the empty line "" are never entries; headers match exactly and case-sensitively.

// The file-types pass result: the boxes ticked and the text for Edit1.
struct FileTypeSelection {
    FileTypeBoxes FileTypes{};
    std::string ExtraExtensions;  // unrecognised entries joined with " : ", as read
};

// Entries from "[FileType]" up to "[SearchDir]" or "[ExtraDir]", unchanged.
std::vector<std::string> FileTypeEntries(const std::vector<std::string>& lines);
// The entries matched exactly against the fixed extensions of the boxes; others go to
// ExtraExtensions.
FileTypeSelection FileTypePass(const std::vector<std::string>& lines);

// Entries from "[SearchDir]" up to "[ExtraDir]" ("[FileType]" ends nothing), kept whole:
// the "folder;;category" lines the viewer keeps as SearchDirs.
std::vector<std::string> SearchDirLines(const std::vector<std::string>& lines);
// The same entries split into folder (field 0) and category (field 1).
std::vector<FolderRow> FolderPass(const std::vector<std::string>& lines);

// Entries after "[ExtraDir]" to the end of the file. Paths keep their case.
std::vector<std::string> ExclusionPass(const std::vector<std::string>& lines);

// True when the file asks for a rebuild (a line "Reindex=full"); for the indexer.
bool ReindexFull(const std::vector<std::string>& lines);

// True when the file turns on OCR of scanned PDF pages (a line "PdfOcr=on" before any
// other section); false for a file without the line.
bool PdfOcrOn(const std::vector<std::string>& lines);

// The distinct categories (field 1) of search-dir lines, in order of first appearance;
// compared exactly.
std::vector<std::string> DeriveCategories(const std::vector<std::string>& search_dirs);
