// The update log srep.txt in the program folder: the one place that knows its structure.
// The indexer writes a progress line while it runs and an ended log at the end; the viewer
// reads it for the settings dialog's status and the welcome page, and writes the abort entry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"

// AppDir + "srep.txt".
std::string UpdateLogPath(const std::string& app_dir);

// The log's lines (byte-order mark skipped; lines end at CR LF, CR or LF), with bytes that
// are not valid UTF-8 replaced by U+FFFD, so a damaged log is shown, never refused.
// Nothing when the file does not exist or cannot be opened (the indexer may hold it).
std::optional<std::vector<std::string>> ReadUpdateLog(const std::string& app_dir);

// What a poll learns from the log: a new status text (none: leave the status as it is)
// and whether the update has ended.
struct UpdateLogReading {
    std::optional<std::string> status;
    bool ended = false;
    bool under_way = false;  // line 1 is a progress text: an update has not ended
};

// The status of the log's lines (nothing: no file). No file or no lines: "Index is not
// created.". A non-empty line 1: that line, not ended. An empty line 1: the line after the
// first "[更新記録]" or "[Update Log]" line (trimmed, case counts) and ended; no such
// header: no change, not ended. A header that is the last line ends with an empty status.
UpdateLogReading UpdateLogStatus(const std::optional<std::vector<std::string>>& lines);

// The counts of a progress text such as "インデックス更新中 12 / 340 件": the whole numbers
// on each side of its last " / ". Nothing when there are none (a text that counts nothing
// yet) or the total is 0; done is at most total.
struct UpdateCounts {
    int64_t done = 0;
    int64_t total = 0;
};
std::optional<UpdateCounts> ProgressCounts(std::string_view status);

inline constexpr const char* kLogNotCreated = "Index is not created.";
inline constexpr const char* kAbortMessage = "  インデックス更新が中断されました";
inline constexpr const char* kAbortAdvice = "設定画面よりインデックスを更新してください";

// "yyyy-mm-dd hh:nn:ss".
std::string LogTimeStamp(const LocalTime& t);

// The five lines of the abort entry: "", "[更新記録]", time stamp + kAbortMessage, "",
// kAbortAdvice.
std::vector<std::string> AbortEntryLines(const LocalTime& now);

// Replaces the log with the abort entry (byte-order mark, CR LF after every line).
// Throws AppError when it cannot be written.
void WriteAbortEntry(const std::string& app_dir, const LocalTime& now);

// An update that ended without finishing its log (the indexer was killed or crashed): the
// abort entry's five lines with kInterruptedMessage as the summary, written the same way.
inline constexpr const char* kInterruptedMessage = "  前回のインデックス更新は完了しませんでした";
std::vector<std::string> InterruptedEntryLines(const LocalTime& now);
void WriteInterruptedEntry(const std::string& app_dir, const LocalTime& now);

// The indexer's side. Both replace the file at log_path whole and atomically (a reader sees
// the old log or the new one) and throw AppError when it cannot be written.
// A running update: line 1 is the progress text, made one non-empty line (line breaks
// become spaces, an empty text becomes "...").
void WriteProgressLog(const std::string& log_path, const std::string& text);
// An ended update: an empty line, "[更新記録]", the summary as one line (line breaks become
// spaces), then the detail lines as given. Details shown on the welcome page are mark-up:
// text from file names belongs there escaped (EscapeHtml in text/html_escape.h).
void WriteEndedLog(const std::string& log_path, const std::string& summary,
                   const std::vector<std::string>& details);
