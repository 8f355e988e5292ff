#include "daradiv/ocr_tally.h"

#include <cstdio>

#include "daradiv/run_log.h"

namespace daradiv {

void OcrTally::Add(const std::string& path, const WorkerResult& result) {
    pages_ += result.ocr_pages;
    milliseconds_ += result.ocr_milliseconds;
    // A document that failed as a whole is named among the failures already.
    if (result.ok && !result.ocr_note.empty())
        notes_.push_back(DetailLine(path, "文字認識: " + result.ocr_note));
}

void OcrTally::AppendDetails(std::vector<std::string>& details) const {
    if (pages_ == 0 && notes_.empty()) return;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(milliseconds_) / 1000.0);
    details.push_back("文字認識 (OCR): " + std::to_string(pages_) + " ページ、" + seconds + " 秒");
    details.insert(details.end(), notes_.begin(), notes_.end());
}

}  // namespace daradiv
