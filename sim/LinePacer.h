#pragma once

#include <chrono>
#include <cstdint>

namespace veltra::sim {

using SteadyTime = std::chrono::steady_clock::time_point;

// When each byte of one direction of a serial line has been fully sent: ten bit
// times after the previous one, or after it became ready when the line was idle.
// Times are reckoned from the start of the current burst (start + n x 10 / rate)
// so that rounding never adds up over a long reply.
class LinePacer {
public:
    // The moment the next byte, ready at `ready`, has crossed the line.
    SteadyTime Schedule(SteadyTime ready, std::uint32_t rate);

private:
    SteadyTime Offset(std::uint64_t bytes) const;

    SteadyTime start_{};
    std::uint64_t count_ = 0;
    std::uint32_t rate_ = 0;
};

}  // namespace veltra::sim
