// The indexer's own record of the documents that could not be extracted ("daradivf.dat" in
// the program folder), so an update does not try an unchanged broken document again. One
// line per document: path, size, modification time and reason joined by ";;".
#pragma once

#include <string>
#include <vector>

#include "daradiv/run_plan.h"

namespace daradiv {

inline constexpr const char* kFailedDocumentsFile = "daradivf.dat";

// The records in the file; none when it is missing or unreadable.
std::vector<FailedDocument> ReadFailedDocuments(const std::string& file);

// Replaces the file whole. Throws AppError when it cannot be written.
void WriteFailedDocuments(const std::string& file, const std::vector<FailedDocument>& docs);

}  // namespace daradiv
