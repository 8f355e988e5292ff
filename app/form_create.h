// The GUI-free start-up of the main window: the program folder, the page folder, the
// state, the settings and the frameset page.
#pragma once

#include <string>

#include "state/viewer_state.h"

// Prepares state for the program folder app_dir (ending in "/"): PathSeparator "/", the
// page folder created when missing, the counters reset, the four buffers allocated,
// LoadSettings run, every category ticked and index.html written. When LoadSettings fails,
// the remaining steps still run and its error is thrown at the end; an error of the page
// write is thrown at once. The caller shows the error and start-up goes on.
void FormCreate(ViewerState& state, const std::string& app_dir);
