// Splits the keyword into term groups: terms inside a group (made with parentheses) are
// alternatives, groups are all required. Terms are in the folded form the catalogues use.
#pragma once

#include <string>
#include <vector>

#include "state/term_group.h"

// The keyword may take at most this many UTF-8 bytes; a longer one is cut at a character
// boundary.
inline constexpr size_t kMaxKeywordBytes = 4'093;

// Replaces groups with the groups of keyword (UTF-8), in order of appearance: the keyword
// goes through NormalizeSpacing and FoldLetters, then is split at SPACE, parentheses and
// double quotes (after the first quote only at quotes). A keyword is read up to its first
// zero byte; bytes that are not UTF-8 are first replaced by U+FFFD.
void BuildTermGroups(const std::string& keyword, std::vector<TermGroup>& groups);
