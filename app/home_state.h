// The main window's home state: no search, first sort column, every category ticked.
#pragma once

#include "state/viewer_state.h"

// Clears Results and Keyword, sets SortKey and PageIndex to 0 and ticks every category.
void ResetHomeState(ViewerState& state);
