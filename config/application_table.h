// appset.ini: the application that opens documents of an extension, one
// "extension;;application" line per entry, no sections.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ApplicationRow {
    std::string extension;    // as entered, normally lower case with its dot (".docx")
    std::string application;  // the application's full path or command
    bool operator==(const ApplicationRow&) const = default;
};

// The file's bytes: "extension;;application" and CR LF per row, no byte-order mark.
std::string FormatApplicationTable(const std::vector<ApplicationRow>& rows);

// Rewrites the file at path whole. False (and nothing reported) when it cannot be written.
bool WriteApplicationTable(const std::string& path, const std::vector<ApplicationRow>& rows);

// Every line whose trimmed text is not empty, split into field 0 and field 1 of the
// untrimmed line. Empty when the file is missing; throws AppError(kUtf8MappingError) when it
// is not valid UTF-8.
std::vector<ApplicationRow> ReadApplicationTable(const std::string& path);

// The application of the first row whose extension equals extension exactly (the caller
// passes it lower-cased, dot included); nothing when no row matches.
std::optional<std::string> FindApplication(const std::vector<ApplicationRow>& rows,
                                           std::string_view extension);
