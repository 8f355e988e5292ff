#include "index_control/schedule.h"

#include <cstdio>

#include "text/text_rules.h"

std::string FormatTickTime(const LocalTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", time.hour, time.minute);
    return text;
}

void ScheduleTick(ViewerState& state, Clock& clock, const std::function<void()>& start_indexer) {
    std::string now = FormatTickTime(clock.Now());
    // Two ticks in one clock minute count once, so a daily time fires once per pass.
    if (now == state.LastTickTime) return;
    state.LastTickTime = now;
    state.ElapsedMinutes += 1;

    int32_t hour = ReadDecimal(std::string_view(now).substr(0, 2), 0);
    int32_t minute = now.size() >= 5 ? ReadDecimal(std::string_view(now).substr(3, 2), 0) : 0;
    switch (state.ScheduleType) {
        case 2:
            if (hour == state.ScheduleHour && minute == state.ScheduleMinute) start_indexer();
            break;
        case 1:
            if (state.ElapsedMinutes == state.ScheduleDelay) start_indexer();
            break;
        default:
            break;
    }
    // The counter wraps to 1440, not 0, so a delay of one day or less fires once per run.
    if (state.ElapsedMinutes >= 2881) state.ElapsedMinutes = 1440;
}
