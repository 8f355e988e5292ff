// Reading the settings into the main window state: the five values of ruvudar.ini and the
// target folders of daradiv.ini with the categories derived from them.
#pragma once

#include "state/viewer_state.h"

// Sets ScheduleType, ScheduleDelay, ScheduleHour, ScheduleMinute and FrameHeight from
// ruvudar.ini (defaults 3, 0, 0, 0, 120), SearchDirs from the [SearchDir] lines of
// daradiv.ini and Categories from those. Nothing else changes. A daradiv.ini that is not
// valid UTF-8 throws AppError(kUtf8MappingError) with SearchDirs emptied and Categories as
// they were.
void LoadSettings(ViewerState& state);
