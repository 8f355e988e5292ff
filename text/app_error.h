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
