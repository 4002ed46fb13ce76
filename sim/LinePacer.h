#pragma once

#include <chrono>
#include <cstdint>

namespace veltra::sim {

using SteadyTime = std::chrono::steady_clock::time_point;

// When each byte of one direction of a serial line has been fully sent: ten bit
// times after the previous one, or after it became ready when the line was idle.
// Times are reckoned from the start of the current burst (start + n x 10 / rate)
// so that rounding never adds up over a long reply. Every byte of every line
// passes through here, so the quotient is carried from one byte to the next
// instead of divided anew: a division per byte was a third of the modules'
// own CPU on a 64-port bench.
class LinePacer {
public:
    // The moment the next byte, ready at `ready`, has crossed the line.
    SteadyTime Schedule(SteadyTime ready, std::uint32_t rate);

private:
    void StartBurst(SteadyTime at);

    SteadyTime end_{};               // start of the burst + count x 10 / rate
    std::uint64_t remainder_ = 0;    // of count x 10 s / rate, in ns x rate
    std::uint32_t rate_ = 0;
    std::uint64_t stepNs_ = 0;       // 10 s / rate, whole ns
    std::uint64_t stepRemainder_ = 0;
};

}  // namespace veltra::sim
