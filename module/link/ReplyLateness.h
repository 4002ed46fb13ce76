#pragma once

#include <chrono>

namespace veltra {

// How long after its line time the end of a reply has lately come. A reply
// awaited until it can be whole is looked at once its line time is over; on
// a real line its end comes a little later (the adapter's latency, the other
// side's own delay), and each look that finds it short costs a second
// wake-up, while each look that comes after the end costs the run time.
// Each late end raises the estimate by what it missed, by a tenth of a
// millisecond at most, so that one stall does not keep later replies waiting;
// each reply found whole lowers it by a fifth of that. The estimate settles
// where about one reply in six still comes late: most of the wake-ups saved,
// little time lost, also when a busy event loop sees every end late.
class ReplyLateness {
public:
    using Micros = std::chrono::microseconds;

    // A reply was whole when looked at.
    void OnTime();
    // It was not: its end came `missedBy` after the look.
    void Late(Micros missedBy);
    // What to wait beyond a reply's line time of `lineTime`.
    Micros Extra(Micros lineTime) const;
    void Forget() { lateBy_ = Micros{0}; }

private:
    Micros lateBy_{0};
};

}  // namespace veltra
