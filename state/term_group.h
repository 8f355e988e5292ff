// One group of alternative search terms, in folded form; a document must hold one term of
// every group of a query. Shared by the query reader, the search and the page writers.
#pragma once

#include <string>
#include <vector>

using TermGroup = std::vector<std::string>;
