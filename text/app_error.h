// The one error type of the viewer. Thrown where an error ends the current operation
// (a page write, the settings write, a strict decode) and caught where an event handler or
// a navigation command is entered, which shows its text in a message box.
#pragma once

#include <stdexcept>
#include <string>

class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& message) : std::runtime_error(message) {}
};

// The message of a strict UTF-8 decode that meets bytes that are not UTF-8.
inline constexpr const char* kUtf8MappingError =
    "Unicode 文字のマッピングがターゲットのマルチバイト コード ページに存在しません";

// A text file that could not be read whole because a byte in it is not UTF-8. The message
// names the file (its full path) and the line, counted from 1, that holds the first such byte.
class UnreadableFileError : public AppError {
public:
    UnreadableFileError(const std::string& path, size_t line)
        : AppError(path + " の " + std::to_string(line) +
                   " 行目を読み込めません（UTF-8 ではない文字があります）"),
          path_(path),
          line_(line) {}
    const std::string& path() const { return path_; }
    size_t line() const { return line_; }

private:
    std::string path_;
    size_t line_;
};
