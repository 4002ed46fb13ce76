#pragma once

#include <cstdint>

namespace veltra::bench {

// The tool's own share of each exchange: for every write that follows a read
// on the same descriptor, the time from that read's return (the chunk that
// completed the reply) to the start of the write (the next request). It sees
// the serial channels' reads and writes because the benchmark links the link
// library in statically with read, write and close wrapped (-Wl,--wrap); Qt's own
// reads and writes, in its shared libraries, are not seen.
struct Turnarounds {
    uint64_t count = 0;
    double totalSeconds = 0;
    double longestSeconds = 0;
};

void StartLineTap();
Turnarounds StopLineTap();

}  // namespace veltra::bench
