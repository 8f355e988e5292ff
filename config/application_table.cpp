#include "config/application_table.h"

#include "text/app_error.h"
#include "text/record_field.h"
#include "text/text_file.h"
#include "text/text_rules.h"

namespace {

std::vector<std::string> TableLines(const std::vector<ApplicationRow>& rows) {
    std::vector<std::string> lines;
    for (const ApplicationRow& row : rows) lines.push_back(row.extension + ";;" + row.application);
    return lines;
}

}  // namespace

std::string FormatApplicationTable(const std::vector<ApplicationRow>& rows) {
    std::string out;
    for (const std::string& line : TableLines(rows)) out += line + "\r\n";
    return out;
}

bool WriteApplicationTable(const std::string& path, const std::vector<ApplicationRow>& rows) {
    try {
        WriteTextFile(path, TableLines(rows), ByteOrderMark::kWithout);
    } catch (const AppError&) {
        return false;
    }
    return true;
}

std::vector<ApplicationRow> ReadApplicationTable(const std::string& path) {
    std::vector<ApplicationRow> rows;
    std::optional<std::vector<std::string>> lines = ReadTextLines(path);
    if (!lines) return rows;
    for (const std::string& line : *lines) {
        if (Trim(line).empty()) continue;
        rows.push_back({std::string(RecordField(line, 0)), std::string(RecordField(line, 1))});
    }
    return rows;
}

std::optional<std::string> FindApplication(const std::vector<ApplicationRow>& rows,
                                           std::string_view extension) {
    for (const ApplicationRow& row : rows)
        if (row.extension == extension) return row.application;
    return std::nullopt;
}
