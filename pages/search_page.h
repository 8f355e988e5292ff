// The search form page search.html in the top frame: the keyword field, one check box per
// category, and after a search the hit count, the sort choices and the page links.
#pragma once

#include <string>
#include <vector>

#include "state/viewer_state.h"

// The lines of search.html for the state: Keyword, Categories, CheckedCategories, the
// number of Results, SortKey, PageIndex and PageSize. The keyword is a quoted attribute
// value with "&", "<", ">" and '"' written as references.
std::vector<std::string> SearchPageLines(const ViewerState& state);

// Writes search.html into the page folder. Throws AppError when it cannot be written.
void WriteSearchPage(const ViewerState& state);
