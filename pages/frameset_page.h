// The frameset page index.html: the search form frame FrTop, FrameHeight pixels high, over
// the body frame FrBody.
#pragma once

#include <string>
#include <vector>

#include "state/viewer_state.h"

// The ten lines of index.html: the page head, the frameset with rows FrameHeight + ",*",
// its two frames, and the closing tags.
std::vector<std::string> FramesetPageLines(const ViewerState& state);

// Writes index.html into the page folder. Throws AppError when it cannot be written.
void WriteFramesetPage(const ViewerState& state);
