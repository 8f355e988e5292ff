// The text block of a document as it is stored: the extracted text with the search's
// spacing and width rules applied, cut to the record limit at a character boundary, and its
// folded copy for the index and the folded catalogue.
#pragma once

#include <string>

namespace daradiv {

struct TextBlocks {
    std::string display;  // normalised, at most index_files::kMaxTextBlock bytes
    std::string folded;   // FoldLetters of display, the same length
};

// text must be valid UTF-8 (the extractor's promise); it is consumed.
TextBlocks MakeTextBlocks(std::string text);

// The path block: the real path, cut to index_files::kMaxPathBlock at a character boundary.
std::string MakePathBlock(const std::string& path);

}  // namespace daradiv
