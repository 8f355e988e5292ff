// Words of a text for the word lexicon: the runs of ASCII letters and digits. A run longer
// than kPieceBytes is kept as pieces of that length starting every kPieceStep bytes, so any
// part of it up to kPieceStep bytes long lies wholly inside one piece. A term made only of
// such characters occurs in a text exactly when it lies inside one of its words, which lets
// the lexicon answer for it without reading any document's positions.
#pragma once

#include <string_view>
#include <vector>

namespace senna {

constexpr size_t kPieceBytes = 64;
constexpr size_t kPieceStep = 32;

// True for the bytes words are made of.
bool IsWordByte(char c);

// Appends the words of text to out (views into text), repeats included.
void AppendWords(std::string_view text, std::vector<std::string_view>& out);

// True when the documents holding term are those holding a word that holds term: at least
// two bytes, all word bytes, and no longer than kPieceStep.
bool IsWordTerm(std::string_view term);

}  // namespace senna
