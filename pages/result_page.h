// The result page main.html in the body frame: one page of hits, each with a numbered link
// that opens the document, links that save a copy, show its preview and open its folder,
// the score, the marked snippet, the marked path, the size and the date.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "state/viewer_state.h"

// The size text: s / 1,000,000 + "MB" above 1,000,000; s / 1,000 + "kB" from 1,001;
// otherwise s + "B" (negative sizes too).
std::string SizeText(int32_t size);

// The lines of main.html as a result page for the rows of PageIndex, numbered across pages;
// SortKey 0, 2 and 4 show Results from its end. A record shown for the first time gets its
// name, path and snippet HTML (fields 10 to 12) built from its catalogue pair and appended.
// A catalogue pair that cannot be opened ends the rows there.
std::vector<std::string> ResultPageLines(ViewerState& state);

// Writes main.html as the result page. Throws AppError when it cannot be written.
void WriteResultPage(ViewerState& state);
