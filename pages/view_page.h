// The preview page view.html in the body frame: one hit's whole display text from its
// catalogue record, every term marked as on the result page, each occurrence an anchor with
// links to the first, previous and next one, a table of the first occurrences at the top,
// and links back to the results and to open, save and the folder as the result page has.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "state/viewer_state.h"

// Text beyond this many bytes is left out of the page, with a line saying so.
inline constexpr size_t kViewTextLimit = 2'000'000;
// The table at the top lists at most this many occurrences.
inline constexpr size_t kViewTableRows = 100;

// The anchor name of occurrence k (from 1): "h" + k.
std::string OccurrenceAnchor(size_t k);

// The lines of view.html for record x of Results (x must name one). When the catalogue
// pair cannot be read the page holds the header and a line saying so.
std::vector<std::string> ViewPageLines(const ViewerState& state, size_t x);

// Writes view.html for record x; false, and nothing written, when x names no record.
// Throws AppError when the page cannot be written.
bool WriteViewPage(const ViewerState& state, size_t x);
