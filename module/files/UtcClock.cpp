#include "UtcClock.h"

#include <chrono>
#include <mutex>

namespace veltra {

namespace {

std::mutex clockMutex;
std::function<CalendarDate()> testClock;

CalendarDate SystemToday()
{
    const auto days = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    const std::chrono::year_month_day ymd{days};
    return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

}  // namespace

CalendarDate TodayUtc()
{
    std::lock_guard lock(clockMutex);
    return testClock ? testClock() : SystemToday();
}

void SetUtcClockForTesting(std::function<CalendarDate()> clock)
{
    std::lock_guard lock(clockMutex);
    testClock = std::move(clock);
}

}  // namespace veltra
