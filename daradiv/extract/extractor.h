// Document text extraction for the indexer: one entry point that picks the format module
// by extension and returns the document's display text as valid UTF-8, or a reason why not.
// Every module works in-process on the file's bytes and fails cleanly on corrupt input.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct ExtractResult {
    bool ok = false;
    std::string text;   // valid UTF-8 when ok; may be empty (an empty document)
    std::string error;  // a short Japanese reason for the log when !ok
    // Pages read by OCR (failed ones included), the time they took, and why some page
    // failed or was cut short while the document as a whole was read.
    int ocr_pages = 0;
    double ocr_seconds = 0;
    std::string ocr_note;
    std::vector<std::string> notes;  // when ok: what was left out and why, for the log
};

struct ExtractOptions {
    bool ocr_pdf_pages = false;  // read PDF pages that have no text by OCR
    // Told how many pages OCR is about to read, before it starts.
    std::function<void(int pages)> before_ocr;
};

// Largest file ExtractText reads. Container formats (zip, compound file, PDF, mail) past it
// fail with a reason; RTF past it is read up to it.
inline constexpr size_t kMaxDocumentBytes = 256u << 20;
// Plain text and HTML are read up to this much: far more text than the index keeps.
inline constexpr size_t kMaxTextDocumentBytes = 32u << 20;

// Extracts the text of the file at path. lower_extension is the file's lower-cased extension,
// with or without the leading dot ("docx" or ".docx"); an extension without a format module
// is read as plain text. Never throws.
ExtractResult ExtractText(const std::string& path, const std::string& lower_extension,
                          const ExtractOptions& options = {});

// The same over bytes already in memory (the worker and the fuzz targets use it).
ExtractResult ExtractFromBytes(std::string_view bytes, const std::string& lower_extension,
                               const ExtractOptions& options = {});

// True when the extension (as above) has a format module of its own, false when it would be
// read as plain text.
bool HasFormatModule(const std::string& lower_extension);
