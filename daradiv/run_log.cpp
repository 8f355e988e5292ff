#include "daradiv/run_log.h"

#include <cstdio>
#include <exception>

#include "index_control/update_log.h"
#include "text/html_escape.h"

namespace daradiv {

namespace {

// Text on one line of the log: a line break or other control character in a file name is
// shown as an escape ("\n", "\r", "\t", "\x1B").
std::string OneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (u < 0x20 || u == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string ProgressText(size_t done, size_t total) {
    return "インデックス更新中 " + std::to_string(done) + " / " + std::to_string(total) + " 件";
}

ProgressLog::ProgressLog(std::string log_path, std::chrono::milliseconds interval)
    : log_path_(std::move(log_path)), interval_(interval) {}

void ProgressLog::Show(const std::string& text, bool force) {
    auto now = std::chrono::steady_clock::now();
    if (shown_ && !force && now - last_ < interval_) return;
    try {
        WriteProgressLog(log_path_, text);
    } catch (const std::exception&) {
        // The viewer may hold the log for a moment; the next update writes it again.
        return;
    }
    last_ = now;
    shown_ = true;
}

std::string SummaryLine(const LocalTime& end, const RunCounts& c) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", c.seconds);
    return LogTimeStamp(end) + "  インデックス更新が完了しました (索引 " + std::to_string(c.indexed) +
           " 件、再利用 " + std::to_string(c.reused) + " 件、失敗 " + std::to_string(c.failed) +
           " 件、" + seconds + " 秒)";
}

std::string ErrorSummaryLine(const LocalTime& end, const std::string& reason) {
    // The reason may name a file: the welcome page shows the log as mark-up.
    return LogTimeStamp(end) + "  インデックス更新に失敗しました: " + EscapeHtml(OneLine(reason));
}


std::string DetailLine(const std::string& path, const std::string& reason) {
    return EscapeHtml(OneLine(path)) + " : " + EscapeHtml(OneLine(reason));
}

std::vector<std::string> NoTextLines(const std::vector<std::string>& paths) {
    std::vector<std::string> lines;
    if (paths.empty()) return lines;
    lines.push_back("テキストのない文書: " + std::to_string(paths.size()) + " 件");
    for (const std::string& path : paths) lines.push_back(DetailLine(path, kNoTextReason));
    return lines;
}

bool IsBlankText(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace daradiv
