#include "daradiv/document_stamps.h"

#include <algorithm>
#include <exception>

#include "text/record_field.h"
#include "text/text_file.h"

namespace daradiv {
namespace {

constexpr int64_t kSecond = 1'000'000'000;
constexpr int64_t kFineTick = kSecond / 10;
constexpr int64_t kCoarseTick = 2 * kSecond;

// A note must not break its line, its field or the list.
std::string OneNote(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    }
    size_t at;
    while ((at = text.find(";;")) != std::string::npos) text.replace(at, 2, "; ");
    return text.empty() ? " " : text;
}

}  // namespace

std::optional<DocumentStamps> ReadDocumentStamps(const std::string& file) {
    std::optional<std::vector<std::string>> lines;
    try {
        lines = ReadTextLines(file);
    } catch (const std::exception&) {
        return DocumentStamps();
    }
    if (!lines) return std::nullopt;
    DocumentStamps stamps;
    for (const std::string& line : *lines) {
        std::string path(RecordField(line, 0));
        if (path.empty()) continue;
        DocumentStamp s;
        try {
            s.size = std::stoll(std::string(RecordField(line, 1)));
            s.mtime_ns = std::stoll(std::string(RecordField(line, 2)));
            s.ctime_ns = std::stoll(std::string(RecordField(line, 3)));
        } catch (const std::exception&) {
            continue;  // no record: the document is read again
        }
        s.read_again = RecordField(line, 4) != "0";
        std::string_view notes = RecordField(line, 5);
        while (!notes.empty()) {
            size_t tab = notes.find('\t');
            s.notes.emplace_back(notes.substr(0, tab));
            notes = tab == std::string_view::npos ? std::string_view() : notes.substr(tab + 1);
        }
        stamps[path] = s;
    }
    return stamps;
}

void WriteDocumentStamps(const std::string& file, const DocumentStamps& stamps) {
    std::vector<std::string> lines;
    lines.reserve(stamps.size());
    for (const auto& [path, s] : stamps) {
        std::string line = path + ";;" + std::to_string(s.size) + ";;" + std::to_string(s.mtime_ns) +
                           ";;" + std::to_string(s.ctime_ns) + ";;" + (s.read_again ? "1" : "0");
        for (size_t i = 0; i < s.notes.size(); ++i) {
            line += i == 0 ? ";;" : "\t";
            line += OneNote(s.notes[i]);
        }
        lines.push_back(std::move(line));
    }
    WriteTextFile(file, lines, ByteOrderMark::kWithout);
}

bool ChangeCouldGoUnseen(const FoundFile& file, int64_t run_start_ns) {
    const bool whole_seconds = file.mtime_ns % kSecond == 0 && file.ctime_ns % kSecond == 0;
    const int64_t tick = whole_seconds ? kCoarseTick : kFineTick;
    // A later change sets both times anew; it can only repeat them if both are that recent.
    return std::min(file.mtime_ns, file.ctime_ns) > run_start_ns - tick;
}

DocumentStamps StampsOf(const std::vector<FoundFile>& found, int64_t run_start_ns) {
    DocumentStamps stamps;
    for (const FoundFile& f : found)
        stamps[f.path] = {f.size, f.mtime_ns, f.ctime_ns, ChangeCouldGoUnseen(f, run_start_ns), {}};
    return stamps;
}

bool MatchesStamp(const FoundFile& file, const DocumentStamp& stamp) {
    return !stamp.read_again && stamp.size == file.size && stamp.mtime_ns == file.mtime_ns &&
           stamp.ctime_ns == file.ctime_ns;
}

}  // namespace daradiv
