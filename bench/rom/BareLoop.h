#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltra::bench {

// The same ROM download as the tool's (handshake, erase, blank check, program
// records, finalisation, read-back) driven by the plainest client there is:
// one epoll loop over every port that counts each reply's bytes and sends the
// next request, with no window, engine or check. Reading every reply as its
// bytes come, its time against the line's minimum is what the virtual
// modules, the pseudo terminals and this machine cost by themselves: the
// floor no client can go below on this bench. Sleeping through the part of a
// long reply still on the line, as the tool's ports do, its CPU is the least
// a client that spares the CPU that way needs (its time is then a little
// longer at 921,600 bit/s: a wake-up is not to the microsecond).
struct BareRunResult {
    bool ok = false;
    std::string failure;
    double wallSeconds = 0;
    double cpuSeconds = 0;  // this process's, while it drove the ports
};

BareRunResult RunBareDownload(int ports, uint32_t baud, int eraseMs, const std::vector<uint8_t>& firmware,
                              bool sleepThroughReplies);

}  // namespace veltra::bench
