// The benchmark corpus: documents of six formats (text, HTML, DOCX, XLSX, PDF, ODT) in equal
// shares with 2 KB to 20 KB of text each (1 KB to 4 KB for the largest corpora), a fifth of the text and HTML files in Shift_JIS or
// EUC-JP, made from a fixed seed so every run indexes the same bytes.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace bench {

inline const std::vector<std::string> kFormats = {".txt", ".html", ".docx", ".xlsx", ".pdf",
                                                  ".odt"};

struct CorpusFile {
    std::string path;
    std::string format;  // one of kFormats
};

// Writes count documents under folder (which must exist), spread over subfolders; version
// changes the text, so rewriting a file with another version changes it.
// short_docs: 1 to 4 KB of text each.
std::vector<CorpusFile> WriteCorpus(const std::string& folder, int count, uint32_t seed,
                                    bool short_docs = false);

// Rewrites one document with new text of the same format.
void RewriteDocument(const CorpusFile& file, uint32_t seed, bool short_docs = false);

}  // namespace bench
