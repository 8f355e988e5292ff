// What one run read by OCR, for the update log: the pages and the time they took over all
// documents, and each document whose OCR failed in part or whole, with the reason.
#pragma once

#include <string>
#include <vector>

#include "daradiv/worker_protocol.h"

namespace daradiv {

class OcrTally {
public:
    // Counts one document's result; path names it in the log.
    void Add(const std::string& path, const WorkerResult& result);
    // Appends the run's OCR line ("文字認識: N ページ、S 秒") and a line for each document
    // whose pages failed, when any page was read by OCR this run.
    void AppendDetails(std::vector<std::string>& details) const;

private:
    unsigned long long pages_ = 0;
    unsigned long long milliseconds_ = 0;
    std::vector<std::string> notes_;
};

}  // namespace daradiv
