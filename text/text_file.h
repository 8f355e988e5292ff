// Reading text files as lines and writing them whole: the one place that knows the
// byte-order mark, the line ends and how a file is replaced.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Splits text at CR LF, CR or LF; a final line end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// The line, counted from 1, that holds the byte at offset of text (lines as SplitLines).
size_t LineAt(std::string_view text, size_t offset);

// The whole content of a file as bytes, or nothing when it does not exist or cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);

// Reads a UTF-8 text file as lines: a leading byte-order mark is skipped, the rest must be
// valid UTF-8 (UnreadableFileError otherwise, naming the file and the line of the first
// byte that is not). Nothing when the file is missing or cannot be opened.
std::optional<std::vector<std::string>> ReadTextLines(const std::string& path);
// The same lines handed to visit one by one, none kept: for files of a million lines. False
// when the file is missing or cannot be opened; UnreadableFileError before any line is handed
// over when it is not valid UTF-8.
bool VisitTextLines(const std::string& path, const std::function<void(std::string_view)>& visit);

bool FileExists(const std::string& path);

enum class ByteOrderMark { kWithout, kWith };

// Writes lines as UTF-8, each followed by CR LF (the last one too), after a byte-order mark
// when asked. The file is replaced whole and atomically: the text goes to a temporary file
// beside it that is then renamed over it, so a reader sees the old file or the new one.
// Throws AppError("<path> に書き込めません") when it cannot be written.
void WriteTextFile(const std::string& path, const std::vector<std::string>& lines,
                   ByteOrderMark bom);

// A page file: byte-order mark, CR LF after every line, replaced whole.
inline void WritePageFile(const std::string& path, const std::vector<std::string>& lines) {
    WriteTextFile(path, lines, ByteOrderMark::kWith);
}

// Writes all of data to fd, going on after interruptions; false on a write error.
bool WriteAll(int fd, std::string_view data);

// The message of a file that cannot be written, with its full path.
std::string CannotWriteMessage(const std::string& path);
