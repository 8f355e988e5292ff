// The local date and time, behind an interface so the schedule and the log can be tested
// with an injected clock.
#pragma once

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
};

// The system's local time.
Clock& SystemClock();
