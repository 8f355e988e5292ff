// The automatic update schedule: the main window's one-minute timer starts an index update
// a number of minutes after start-up (type 1) or every day at a time (type 2).
#pragma once

#include <functional>
#include <string>

#include "state/viewer_state.h"
#include "platform/clock.h"

// The "hh:nn" text of a time: two-digit hour 00-23, ":", two-digit minute.
std::string FormatTickTime(const LocalTime& time);

// One tick of TForm1's timer (ScheduleTick). A tick whose clock minute equals LastTickTime
// counts for nothing; otherwise it is counted in ElapsedMinutes and calls start_indexer when
// the schedule in state is due. ElapsedMinutes runs from 1440 again after 2880.
void ScheduleTick(ViewerState& state, Clock& clock, const std::function<void()>& start_indexer);
