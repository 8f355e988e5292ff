#include "config/indexer_config.h"

#include <algorithm>

#include "config/extension_field.h"
#include "text/app_error.h"
#include "text/record_field.h"
#include "text/text_file.h"

namespace ic = indexer_config;

namespace {

// The entries of one pass: inside from the line on up to any line of the off set.
std::vector<std::string> PassEntries(const std::vector<std::string>& lines, const char* on,
                                     std::initializer_list<const char*> off) {
    std::vector<std::string> entries;
    bool inside = false;
    for (const std::string& line : lines) {
        if (line == on) {
            inside = true;
            continue;
        }
        if (std::any_of(off.begin(), off.end(), [&](const char* h) { return line == h; })) {
            inside = false;
            continue;
        }
        // Another header inside the list is taken as an entry, like any other line.
        if (inside && !line.empty()) entries.push_back(line);
    }
    return entries;
}

// The file as lines; each gets CR LF when written.
std::vector<std::string> IndexerConfigLines(const IndexerConfig& config) {
    std::vector<std::string> lines = {"[Common]", config.Rebuild ? ic::kReindexFull
                                                                 : ic::kReindexUpdate};
    if (config.PdfOcr) lines.push_back(ic::kPdfOcrOn);
    lines.push_back("");
    lines.push_back(ic::kFileTypeHeader);
    for (int box = 0; box < kFileTypeBoxCount; ++box) {
        if (!config.FileTypes[box]) continue;
        for (const std::string& ext : FileTypeBoxExtensions(box)) lines.push_back(ext);
    }
    for (std::string& ext : ExtensionPieces(config.ExtraExtensions)) lines.push_back(std::move(ext));
    lines.push_back("");
    lines.push_back(ic::kSearchDirHeader);
    for (const FolderRow& row : config.Folders) lines.push_back(row.folder + ";;" + row.category);
    lines.push_back("");
    lines.push_back(ic::kExtraDirHeader);
    for (const std::string& path : config.Exclusions) lines.push_back(path);
    return lines;
}

}  // namespace

const std::vector<std::string>& FileTypeBoxExtensions(int box_index) {
    static const std::vector<std::string> kBoxes[kFileTypeBoxCount] = {
        {".doc", ".docx", ".docm"}, {".xls", ".xlsx", ".xlsm"}, {".ppt", ".pptx", ".pptm"},
        {".pdf"}, {".html", ".htm"}, {".txt"}, {".rtf"}, {".eml"},
        {".odt", ".ods", ".odp", ".odg", ".fodt", ".fods", ".fodp"}, {".epub"},
        {".png", ".jpg", ".jpeg", ".tif", ".tiff"},
    };
    static const std::vector<std::string> kNone;
    return box_index >= 0 && box_index < kFileTypeBoxCount ? kBoxes[box_index] : kNone;
}

std::string FormatIndexerConfig(const IndexerConfig& config) {
    std::string out;
    for (const std::string& line : IndexerConfigLines(config)) out += line + "\r\n";
    return out;
}

bool WriteIndexerConfig(const std::string& path, const IndexerConfig& config) {
    try {
        WriteTextFile(path, IndexerConfigLines(config), ByteOrderMark::kWithout);
    } catch (const AppError&) {
        return false;
    }
    return true;
}

std::optional<std::vector<std::string>> ReadIndexerConfig(const std::string& path) {
    return ReadTextLines(path);
}

std::vector<std::string> FileTypeEntries(const std::vector<std::string>& lines) {
    return PassEntries(lines, ic::kFileTypeHeader, {ic::kSearchDirHeader, ic::kExtraDirHeader});
}

FileTypeSelection FileTypePass(const std::vector<std::string>& lines) {
    FileTypeSelection selection;
    for (const std::string& entry : FileTypeEntries(lines)) {
        bool known = false;
        for (int box = 0; box < kFileTypeBoxCount && !known; ++box) {
            const std::vector<std::string>& exts = FileTypeBoxExtensions(box);
            if (std::find(exts.begin(), exts.end(), entry) != exts.end()) {
                selection.FileTypes[box] = true;
                known = true;
            }
        }
        if (known) continue;
        if (!selection.ExtraExtensions.empty()) selection.ExtraExtensions += " : ";
        selection.ExtraExtensions += entry;
    }
    return selection;
}

std::vector<std::string> SearchDirLines(const std::vector<std::string>& lines) {
    return PassEntries(lines, ic::kSearchDirHeader, {ic::kExtraDirHeader});
}

std::vector<FolderRow> FolderPass(const std::vector<std::string>& lines) {
    std::vector<FolderRow> rows;
    for (const std::string& line : SearchDirLines(lines))
        rows.push_back({std::string(RecordField(line, 0)), std::string(RecordField(line, 1))});
    return rows;
}

std::vector<std::string> ExclusionPass(const std::vector<std::string>& lines) {
    return PassEntries(lines, ic::kExtraDirHeader, {});
}

bool ReindexFull(const std::vector<std::string>& lines) {
    return std::find(lines.begin(), lines.end(), ic::kReindexFull) != lines.end();
}

bool PdfOcrOn(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        if (line == ic::kPdfOcrOn) return true;
        if (line == ic::kFileTypeHeader || line == ic::kSearchDirHeader || line == ic::kExtraDirHeader)
            return false;
    }
    return false;
}

std::vector<std::string> DeriveCategories(const std::vector<std::string>& search_dirs) {
    std::vector<std::string> categories;
    for (const std::string& line : search_dirs) {
        std::string category(RecordField(line, 1));
        if (std::find(categories.begin(), categories.end(), category) == categories.end())
            categories.push_back(std::move(category));
    }
    return categories;
}
