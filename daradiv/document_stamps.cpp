#include "daradiv/document_stamps.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <exception>

#include "text/app_error.h"
#include "text/record_field.h"
#include "text/text_file.h"

namespace daradiv {
namespace {

constexpr int64_t kSecond = 1'000'000'000;
constexpr int64_t kFineTick = kSecond / 10;
constexpr int64_t kCoarseTick = 2 * kSecond;
// The record is written a megabyte at a time.
constexpr size_t kChunkBytes = 1u << 20;

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
    DocumentStamps stamps;
    auto read_line = [&](std::string_view line) {
        std::string_view path = RecordField(line, 0);
        if (path.empty()) return;
        DocumentStamp s;
        try {
            s.size = std::stoll(std::string(RecordField(line, 1)));
            s.mtime_ns = std::stoll(std::string(RecordField(line, 2)));
            s.ctime_ns = std::stoll(std::string(RecordField(line, 3)));
        } catch (const std::exception&) {
            return;  // no record: the document is read again
        }
        s.read_again = RecordField(line, 4) != "0";
        std::string_view notes = RecordField(line, 5);
        while (!notes.empty()) {
            size_t tab = notes.find('\t');
            s.notes.emplace_back(notes.substr(0, tab));
            notes = tab == std::string_view::npos ? std::string_view() : notes.substr(tab + 1);
        }
        stamps[std::string(path)] = std::move(s);
    };
    try {
        if (!VisitTextLines(file, read_line)) return std::nullopt;
    } catch (const std::exception&) {
        return DocumentStamps();
    }
    return stamps;
}

DocumentStampsWriter::DocumentStampsWriter(std::string file)
    : file_(std::move(file)), temp_(file_ + ".tmp" + std::to_string(::getpid())) {
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) throw AppError(CannotWriteMessage(file_));
}

DocumentStampsWriter::~DocumentStampsWriter() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(temp_.c_str());
}

void DocumentStampsWriter::Add(std::string_view path, const DocumentStamp& s) {
    pending_ += path;
    pending_ += ";;" + std::to_string(s.size) + ";;" + std::to_string(s.mtime_ns) + ";;" +
                std::to_string(s.ctime_ns) + ";;" + (s.read_again ? "1" : "0");
    for (size_t i = 0; i < s.notes.size(); ++i) {
        pending_ += i == 0 ? ";;" : "\t";
        pending_ += OneNote(s.notes[i]);
    }
    pending_ += "\r\n";
    if (pending_.size() >= kChunkBytes) WriteOut();
}

void DocumentStampsWriter::WriteOut() {
    if (!WriteAll(fd_, pending_)) throw AppError(CannotWriteMessage(file_));
    pending_.clear();
}

void DocumentStampsWriter::Publish() {
    WriteOut();
    bool ok = ::close(fd_) == 0;
    fd_ = -1;
    if (!ok || ::rename(temp_.c_str(), file_.c_str()) != 0) {
        ::unlink(temp_.c_str());
        throw AppError(CannotWriteMessage(file_));
    }
}

void WriteDocumentStamps(const std::string& file, const DocumentStamps& stamps) {
    DocumentStampsWriter writer(file);
    for (const auto& [path, s] : stamps) writer.Add(path, s);
    writer.Publish();
}

bool ChangeCouldGoUnseen(const FoundFile& file, int64_t run_start_ns) {
    const bool whole_seconds = file.mtime_ns % kSecond == 0 && file.ctime_ns % kSecond == 0;
    const int64_t tick = whole_seconds ? kCoarseTick : kFineTick;
    // A later change sets both times anew; it can only repeat them if both are that recent.
    return std::min(file.mtime_ns, file.ctime_ns) > run_start_ns - tick;
}

DocumentStamp StampOf(const FoundFile& file, int64_t run_start_ns) {
    return {file.size, file.mtime_ns, file.ctime_ns, ChangeCouldGoUnseen(file, run_start_ns), {}};
}

DocumentStamps StampsOf(const std::vector<FoundFile>& found, int64_t run_start_ns) {
    DocumentStamps stamps;
    for (const FoundFile& f : found) stamps[f.path] = StampOf(f, run_start_ns);
    return stamps;
}

bool MatchesStamp(const FoundFile& file, const DocumentStamp& stamp) {
    return !stamp.read_again && stamp.size == file.size && stamp.mtime_ns == file.mtime_ns &&
           stamp.ctime_ns == file.ctime_ns;
}

}  // namespace daradiv
