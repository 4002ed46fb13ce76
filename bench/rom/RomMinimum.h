#pragma once

#include <cstdint>

namespace veltra::bench {

// What the line must carry for one port's ROM download with every phase
// ticked, and the least time that takes.
struct RomLineLoad {
    uint64_t exchanges = 0;
    // Request bytes plus the reply bytes that cannot overlap the request: an
    // echoed record's echo runs alongside it, so only what follows the echo
    // counts.
    uint64_t bytes = 0;
};

// Worked out here from the records themselves (not by asking the tool), for
// an image filled from 0 to `lastAddress`: handshake, erase, blank check,
// program blocks of 128 bytes, four finalisation records, read-back ranges of
// 1,024 bytes and the closing shorter (possibly empty) range.
RomLineLoad RomDownloadLoad(uint32_t lastAddress);

// Ten bits a byte at `baud`, plus the module's erase time.
double PhysicalMinimumSeconds(const RomLineLoad& load, uint32_t baud, double eraseSeconds);

}  // namespace veltra::bench
