#include "text/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "text/app_error.h"
#include "text/utf8.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

}  // namespace

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

namespace {

// Hands each line of text to visit, split as SplitLines splits it.
template <typename Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n') continue;
        visit(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) visit(text.substr(start));
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

size_t LineAt(std::string_view text, size_t offset) {
    size_t line = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
            ++line;
    }
    return line;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    // Read in large pieces: the information file of a large index runs to a hundred megabytes.
    std::string bytes;
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
    char piece[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, piece, sizeof piece);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.append(piece, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

bool VisitTextLines(const std::string& path, const std::function<void(std::string_view)>& visit) {
    std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) return false;
    std::string_view text = *bytes;
    if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
    size_t valid = ValidUtf8Length(text);
    if (valid != text.size()) throw UnreadableFileError(path, LineAt(text, valid));
    ForEachLine(text, visit);
    return true;
}

std::optional<std::vector<std::string>> ReadTextLines(const std::string& path) {
    std::vector<std::string> lines;
    if (!VisitTextLines(path, [&](std::string_view line) { lines.emplace_back(line); }))
        return std::nullopt;
    return lines;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string CannotWriteMessage(const std::string& path) { return path + " に書き込めません"; }

void WriteTextFile(const std::string& path, const std::vector<std::string>& lines,
                   ByteOrderMark bom) {
    std::string data;
    if (bom == ByteOrderMark::kWith) data += kBom;
    for (const std::string& line : lines) {
        data += line;
        data += "\r\n";
    }
    std::string temp = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw AppError(CannotWriteMessage(path));
    bool ok = WriteAll(fd, data);
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw AppError(CannotWriteMessage(path));
    }
}
