#pragma once

#include <functional>

namespace veltra {

struct CalendarDate {
    int year = 0;   // four digits
    int month = 0;  // 1 to 12
    int day = 0;    // 1 to 31
};

// Today's date in UTC. Dates written into files and modules come from here so
// that tests can pin them; every call reads the clock anew.
CalendarDate TodayUtc();

// Replaces the clock for tests; an empty function restores the system clock.
void SetUtcClockForTesting(std::function<CalendarDate()> clock);

}  // namespace veltra
