#include "index_control/schedule.h"

#include <gtest/gtest.h>

namespace {

// A clock the test moves by hand.
class FakeClock : public Clock {
  public:
    LocalTime now{2024, 1, 5, 0, 0, 0};
    LocalTime Now() override { return now; }
    void At(int hour, int minute, int second = 0) {
        now.hour = hour;
        now.minute = minute;
        now.second = second;
    }
    // One minute later, wrapping at midnight.
    void NextMinute() {
        if (++now.minute == 60) {
            now.minute = 0;
            now.hour = (now.hour + 1) % 24;
        }
    }
};

struct Schedule : ::testing::Test {
    ViewerState state;
    FakeClock clock;
    int starts = 0;
    std::vector<int> fired_at;  // ElapsedMinutes at each start

    void Tick() {
        ScheduleTick(state, clock, [this] {
            ++starts;
            fired_at.push_back(state.ElapsedMinutes);
        });
    }
    // n ticks, one per clock minute.
    void TickMinutes(int n) {
        for (int i = 0; i < n; ++i) {
            clock.NextMinute();
            Tick();
        }
    }
};

TEST(ScheduleFormat, TwoDigitHourAndMinute) {
    EXPECT_EQ(FormatTickTime({2024, 1, 5, 7, 5, 9}), "07:05");
    EXPECT_EQ(FormatTickTime({2024, 1, 5, 23, 59, 0}), "23:59");
    EXPECT_EQ(FormatTickTime({2024, 1, 5, 0, 0, 0}), "00:00");
}

TEST_F(Schedule, DailyTimeFiresOnceInItsMinute) {
    state.ScheduleType = 2;
    state.ScheduleHour = 7;
    state.ScheduleMinute = 5;
    clock.At(7, 4, 30);
    Tick();
    EXPECT_EQ(starts, 0);
    clock.At(7, 5, 1);
    Tick();
    EXPECT_EQ(starts, 1);
    clock.At(7, 5, 59);  // a second tick within the same minute counts for nothing
    Tick();
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(state.ElapsedMinutes, 2);
    EXPECT_EQ(state.LastTickTime, "07:05");
    // The next day's pass through 07:05 fires again.
    TickMinutes(24 * 60);
    EXPECT_EQ(starts, 2);
}

TEST_F(Schedule, DailyTimeOutOfRangeOrDefaultZero) {
    struct Case {
        int hour, minute, expected_starts;
    } cases[] = {{24, 0, 0}, {7, 60, 0}, {0, 0, 2}};  // 0:00 fires every day
    for (const Case& c : cases) {
        ViewerState fresh;
        state = std::move(fresh);
        starts = 0;
        state.ScheduleType = 2;
        state.ScheduleHour = c.hour;
        state.ScheduleMinute = c.minute;
        clock.At(12, 0);
        TickMinutes(2 * 24 * 60);
        EXPECT_EQ(starts, c.expected_starts) << c.hour << ":" << c.minute;
    }
}

TEST_F(Schedule, DelayFiresOnTheCountedTickOnly) {
    state.ScheduleType = 1;
    state.ScheduleDelay = 3;
    clock.At(9, 0);
    Tick();          // 1
    Tick();          // same minute: not counted
    TickMinutes(1);  // 2
    EXPECT_EQ(starts, 0);
    TickMinutes(1);  // 3
    EXPECT_EQ(starts, 1);
    TickMinutes(5000);  // the counter wraps to 1440, never back to 3
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(fired_at, std::vector<int>{3});
}

TEST_F(Schedule, DelayAboveOneDayRepeatsEvery1441Ticks) {
    state.ScheduleType = 1;
    state.ScheduleDelay = 1441;
    TickMinutes(1441);
    EXPECT_EQ(starts, 1);
    TickMinutes(1440);
    EXPECT_EQ(starts, 1);
    TickMinutes(1);
    EXPECT_EQ(starts, 2);
    TickMinutes(1441);
    EXPECT_EQ(starts, 3);
}

TEST_F(Schedule, CounterWrapsTo1440After2880) {
    state.ScheduleType = 3;
    TickMinutes(2880);
    EXPECT_EQ(state.ElapsedMinutes, 2880);
    TickMinutes(1);
    EXPECT_EQ(state.ElapsedMinutes, 1440);
    EXPECT_EQ(starts, 0);
}

TEST_F(Schedule, DelaysThatNeverFire) {
    for (int delay : {0, -1, 2882}) {
        ViewerState fresh;
        state = std::move(fresh);
        starts = 0;
        state.ScheduleType = 1;
        state.ScheduleDelay = delay;
        TickMinutes(6000);
        EXPECT_EQ(starts, 0) << delay;
    }
}

TEST_F(Schedule, OtherTypesNeverFire) {
    for (int type : {3, 0, 7}) {
        ViewerState fresh;
        state = std::move(fresh);
        state.ScheduleType = type;
        state.ScheduleDelay = 1;  // would fire for type 1
        TickMinutes(3000);
    }
    EXPECT_EQ(starts, 0);
}

}  // namespace
