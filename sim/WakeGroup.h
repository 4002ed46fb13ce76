#pragma once

#include <chrono>

#include "LinePacer.h"

namespace veltra::sim {

// Paced bytes fall due one character time apart; waking for each would cost a
// thread wake-up per character on every port, which on a busy bench starves
// the tool itself. Wake instead when a millisecond's worth is due, or at the
// last byte of a shorter burst, so that the end of every burst, which is what
// the other side waits for, is still on time. Real adapters hand over their
// bytes in groups too.
inline constexpr std::chrono::microseconds kWakeGroup{4000};

// The moment to wake for the front of `queue` (not empty; items in due order).
template <class Queue>
SteadyTime GroupDue(const Queue& queue)
{
    const SteadyTime limit = queue.front().due + kWakeGroup;
    SteadyTime wake = queue.front().due;
    for (const auto& item : queue) {
        if (item.due > limit) {
            break;
        }
        wake = item.due;
    }
    return wake;
}

}  // namespace veltra::sim
