// The search: asks the full-text index for candidate documents and verifies every candidate
// against the folded catalogue (category, every term group), building one hit record each.
#pragma once

#include <string>
#include <vector>

#include "state/viewer_state.h"

// Replaces Results with the hit records of Keyword in the ticked categories ("score;;" +
// document line + ";;" + first occurrence offset), at most MaxHits, in candidate order
// (file order). Returns at once, keeping Results, when Keyword is blank or MatchHead or
// MatchBody is missing. Without a usable index every line of the information file is a
// candidate. Throws AppError when the information file is not UTF-8.
void RunSearch(ViewerState& state);

// The index query for groups: each term a double-quoted phrase (a double quote or backslash
// in it escaped with a backslash), the terms of a group joined by " OR ", each group in
// parentheses when there are two or more, groups joined by " ".
std::string BuildQueryText(const std::vector<TermGroup>& groups);
