#pragma once

#include <cstdint>

namespace veltra::sim {

// The bit rate the program on the other end of a pseudo-terminal has set, read
// through the master: the master shares the slave's line settings. Any rate,
// including ones set with BOTHER; 0 when it cannot be read.
std::uint32_t LineRateOf(int masterFd);

}  // namespace veltra::sim
