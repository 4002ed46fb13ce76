#include "LinePacer.h"

namespace veltra::sim {

namespace {

constexpr std::uint64_t kTenBitsNs = 10'000'000'000ull;  // ten bits at 1 bit/s

}  // namespace

void LinePacer::StartBurst(SteadyTime at)
{
    end_ = at;
    remainder_ = 0;
}

SteadyTime LinePacer::Schedule(SteadyTime ready, std::uint32_t rate)
{
    if (rate == 0) {
        return ready;
    }
    if (rate != rate_) {
        // A new rate starts a new burst where the old one ended.
        StartBurst(rate_ == 0 ? ready : end_);
        rate_ = rate;
        stepNs_ = kTenBitsNs / rate;
        stepRemainder_ = kTenBitsNs % rate;
    }
    if (ready > end_) {
        StartBurst(ready);
    }
    end_ += std::chrono::nanoseconds(static_cast<std::int64_t>(stepNs_));
    remainder_ += stepRemainder_;
    if (remainder_ >= rate_) {
        remainder_ -= rate_;
        end_ += std::chrono::nanoseconds(1);
    }
    return end_;
}

}  // namespace veltra::sim
