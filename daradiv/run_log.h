// The indexer's lines in the update log: the progress line while it runs (rewritten at most
// a few times a second) and, at the end, the summary and the details of the run.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"

namespace daradiv {

// "インデックス更新中 done / total 件".
std::string ProgressText(size_t done, size_t total);

// Writes the progress line, skipping updates that come sooner than interval after the last
// one written (the last one of a run is forced).
class ProgressLog {
public:
    ProgressLog(std::string log_path, std::chrono::milliseconds interval);
    void Show(const std::string& text, bool force = false);

private:
    std::string log_path_;
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point last_{};
    bool shown_ = false;
};

// The counts of one run.
struct RunCounts {
    size_t indexed = 0;  // extracted and stored this run
    size_t reused = 0;   // kept from the last run without extracting
    size_t failed = 0;   // could not be extracted (this run or unchanged since)
    size_t removed = 0;  // lines of documents changed or gone
    double seconds = 0;
};

// "yyyy-mm-dd hh:nn:ss  インデックス更新が完了しました (索引 N 件、再利用 N 件、失敗 N 件、S 秒)".
std::string SummaryLine(const LocalTime& end, const RunCounts& counts);
// The summary of a run that ended on an error; the index in use is unchanged.
std::string ErrorSummaryLine(const LocalTime& end, const std::string& reason);

// A detail line naming a file and why: the file name as mark-up with HTML references, on one
// line (a line break or other control character in it shown as an escape such as "\n").
std::string DetailLine(const std::string& path, const std::string& reason);

// Documents that were read without a fault but gave no text (a scanned PDF, an empty
// file) are indexed, not failed; the log lists them apart, after the failures: a heading
// with their number, then a detail line for each. No lines when there are none.
inline constexpr const char* kNoTextReason = "テキストがありません";
std::vector<std::string> NoTextLines(const std::vector<std::string>& paths);

// True when a stored text block holds nothing but white space.
bool IsBlankText(std::string_view text);

}  // namespace daradiv
