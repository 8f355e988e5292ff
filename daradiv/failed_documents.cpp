#include "daradiv/failed_documents.h"

#include <exception>

#include "text/record_field.h"
#include "text/text_file.h"

namespace daradiv {
namespace {

// The reason is free text from an extractor: it must not break the line.
std::string OneField(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    size_t at;
    while ((at = text.find(";;")) != std::string::npos) text.replace(at, 2, "; ");
    return text;
}

}  // namespace

std::vector<FailedDocument> ReadFailedDocuments(const std::string& file) {
    std::vector<FailedDocument> docs;
    std::optional<std::vector<std::string>> lines;
    try {
        lines = ReadTextLines(file);
    } catch (const std::exception&) {
        return docs;  // damaged: every document is simply tried again
    }
    if (!lines) return docs;
    for (const std::string& line : *lines) {
        FailedDocument d;
        d.path = std::string(RecordField(line, 0));
        if (d.path.empty()) continue;
        try {
            d.size = std::stoll(std::string(RecordField(line, 1)));
            d.mtime = std::stoll(std::string(RecordField(line, 2)));
        } catch (const std::exception&) {
            continue;
        }
        d.reason = std::string(RecordField(line, 3));
        docs.push_back(std::move(d));
    }
    return docs;
}

void WriteFailedDocuments(const std::string& file, const std::vector<FailedDocument>& docs) {
    std::vector<std::string> lines;
    lines.reserve(docs.size());
    for (const FailedDocument& d : docs) {
        lines.push_back(d.path + ";;" + std::to_string(d.size) + ";;" + std::to_string(d.mtime) +
                        ";;" + OneField(d.reason));
    }
    WriteTextFile(file, lines, ByteOrderMark::kWithout);
}

}  // namespace daradiv
