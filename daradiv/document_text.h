// The text block of a document as it is stored: the extracted text with the search's
// spacing and width rules applied, cut to the record limit at a character boundary, and its
// folded copy for the index and the folded catalogue.
#pragma once

#include <string>

namespace daradiv {

struct TextBlocks {
    std::string display;  // normalised, at most index_files::kMaxTextBlock bytes
    std::string folded;   // FoldLetters of display, the same length
    size_t cut_bytes = 0; // bytes of the normalised text past the limit, left out
};

// text must be valid UTF-8 (the extractor's promise); it is consumed.
TextBlocks MakeTextBlocks(std::string text);

// The log's word on a text cut to the limit: how many bytes were left out ("at least" when
// the extractor had stopped at a cap of its own before).
std::string CutTextNote(size_t cut_bytes, bool at_least);

// The path block: the real path, cut to index_files::kMaxPathBlock at a character boundary.
std::string MakePathBlock(const std::string& path);

}  // namespace daradiv
