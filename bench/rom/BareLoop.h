#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltra::bench {

// The same ROM download as the tool's (handshake, erase, blank check, program
// records, finalisation, read-back) driven by the plainest client there is:
// one epoll loop over every port that counts each reply's bytes and sends the
// next request, with no window, engine or check, and that sleeps through the
// part of a long reply still on the line as the tool's ports do. Its time
// against the line's minimum is what the virtual modules, the pseudo
// terminals and this machine cost by themselves: the floor no client can go
// below on this bench; its CPU is what a client that spares the CPU as the
// tool does needs at the least.
struct BareRunResult {
    bool ok = false;
    std::string failure;
    double wallSeconds = 0;
    double cpuSeconds = 0;  // this process's, while it drove the ports
};

BareRunResult RunBareDownload(int ports, uint32_t baud, int eraseMs, const std::vector<uint8_t>& firmware);

}  // namespace veltra::bench
