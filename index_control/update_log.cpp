#include "index_control/update_log.h"

#include <algorithm>
#include <cstdio>

#include "platform/program_files.h"
#include "text/text_file.h"
#include "text/text_rules.h"
#include "text/utf8.h"

namespace {

// A log line is one line: line breaks inside a text would move the status elsewhere.
std::string OneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    return line;
}

bool IsLogHeader(const std::string& line) {
    std::string_view t = Trim(line);
    return t == program_files::kLogHeader || t == program_files::kLogHeaderEnglish;
}

}  // namespace

std::string UpdateLogPath(const std::string& app_dir) {
    return app_dir + program_files::kUpdateLog;
}

std::optional<std::vector<std::string>> ReadUpdateLog(const std::string& app_dir) {
    std::optional<std::string> bytes = ReadFileBytes(UpdateLogPath(app_dir));
    if (!bytes) return std::nullopt;
    std::string_view text = *bytes;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (IsValidUtf8(text)) return SplitLines(text);
    return SplitLines(RepairUtf8(text));
}

UpdateLogReading UpdateLogStatus(const std::optional<std::vector<std::string>>& lines) {
    if (!lines || lines->empty()) return {std::string(kLogNotCreated), false};
    const std::vector<std::string>& l = *lines;
    if (!l[0].empty()) return {l[0], false, true};
    for (size_t i = 0; i < l.size(); ++i) {
        if (!IsLogHeader(l[i])) continue;
        return {i + 1 < l.size() ? l[i + 1] : std::string(), true};
    }
    return {std::nullopt, false};
}

std::optional<UpdateCounts> ProgressCounts(std::string_view status) {
    const size_t slash = status.rfind(" / ");
    if (slash == std::string_view::npos) return std::nullopt;
    // At most 15 digits each side, so the numbers stay far from overflow.
    auto digits = [](std::string_view s, size_t from, size_t to) -> std::optional<int64_t> {
        if (to <= from || to - from > 15) return std::nullopt;
        int64_t n = 0;
        for (size_t i = from; i < to; ++i) n = n * 10 + (s[i] - '0');
        return n;
    };
    size_t left = slash;
    while (left > 0 && status[left - 1] >= '0' && status[left - 1] <= '9') --left;
    size_t right = slash + 3;
    while (right < status.size() && status[right] >= '0' && status[right] <= '9') ++right;
    std::optional<int64_t> done = digits(status, left, slash);
    std::optional<int64_t> total = digits(status, slash + 3, right);
    if (!done || !total || *total == 0) return std::nullopt;
    return UpdateCounts{std::min(*done, *total), *total};
}

std::string LogTimeStamp(const LocalTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

std::vector<std::string> AbortEntryLines(const LocalTime& now) {
    return {"", program_files::kLogHeader, LogTimeStamp(now) + kAbortMessage, "", kAbortAdvice};
}

void WriteAbortEntry(const std::string& app_dir, const LocalTime& now) {
    WriteTextFile(UpdateLogPath(app_dir), AbortEntryLines(now), ByteOrderMark::kWith);
}

std::vector<std::string> InterruptedEntryLines(const LocalTime& now) {
    return {"", program_files::kLogHeader, LogTimeStamp(now) + kInterruptedMessage, "",
            kAbortAdvice};
}

void WriteInterruptedEntry(const std::string& app_dir, const LocalTime& now) {
    WriteTextFile(UpdateLogPath(app_dir), InterruptedEntryLines(now), ByteOrderMark::kWith);
}

void WriteProgressLog(const std::string& log_path, const std::string& text) {
    std::string line = OneLine(text);
    if (line.empty()) line = "...";
    WriteTextFile(log_path, {line}, ByteOrderMark::kWith);
}

void WriteEndedLog(const std::string& log_path, const std::string& summary,
                   const std::vector<std::string>& details) {
    std::vector<std::string> lines = {"", program_files::kLogHeader, OneLine(summary)};
    lines.insert(lines.end(), details.begin(), details.end());
    WriteTextFile(log_path, lines, ByteOrderMark::kWith);
}
