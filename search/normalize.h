// The two byte-level normalisers of the search: spacing and width (NormalizeSpacing) and
// letter folding (FoldLetters). The keyword and the stored document texts go through the same
// code, so a term matches the folded catalogue byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Both normalisers look at no more than this many bytes of their input.
inline constexpr int32_t kNormalizeCap = 5'000'000;

// Rewrites buf in place and returns the number of bytes written (never more than read).
// Reads min(len, kNormalizeCap) + 1 bytes: for a zero-terminated text of length len the
// terminator is copied and counted. White space (TAB, LF, CR, SPACE) is dropped at the start
// and folded into one SPACE elsewhere; U+3000 becomes a SPACE; full-width digits and Latin
// letters become ASCII; bytes that are not lead bytes are dropped. A negative len returns 0.
// A sequence that would run past the last byte it may read is copied only up to that byte.
int32_t NormalizeSpacing(char* buf, int32_t len);

// Rewrites buf in place and returns the number of bytes written. Reads min(len,
// kNormalizeCap) bytes; folds a-z, Latin-1, Latin Extended-A pairs, Greek small letters to
// capitals and katakana to hiragana, keeping every character's byte length; bytes that are
// not lead bytes are dropped. A len of 0 or less returns 0.
int32_t FoldLetters(char* buf, int32_t len);

// The same rules over a whole std::string (no cap and no extra byte): what the indexer uses
// for the text blocks it stores. The string shrinks to what was written.
void NormalizeSpacingInPlace(std::string& text);
void FoldLettersInPlace(std::string& text);

// Copies of text after the rules above.
std::string NormalizedCopy(std::string_view text);
std::string FoldedCopy(std::string_view text);
