#include "LinePacer.h"

namespace veltra::sim {

SteadyTime LinePacer::Offset(std::uint64_t bytes) const
{
    const std::uint64_t nanoseconds = bytes * 10'000'000'000ull / rate_;
    return start_ + std::chrono::nanoseconds(static_cast<std::int64_t>(nanoseconds));
}

SteadyTime LinePacer::Schedule(SteadyTime ready, std::uint32_t rate)
{
    if (rate == 0) {
        return ready;
    }
    if (rate != rate_) {
        // A new rate starts a new burst where the old one ended.
        start_ = rate_ == 0 ? ready : Offset(count_);
        count_ = 0;
        rate_ = rate;
    }
    if (ready > Offset(count_)) {
        start_ = ready;
        count_ = 0;
    }
    ++count_;
    return Offset(count_);
}

}  // namespace veltra::sim
