#pragma once

#include "LineTap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veltra::bench {

struct RomRunSetup {
    int ports = 1;
    uint32_t baud = 115200;
    bool lineRate = true;
    int eraseMs = 0;
    std::vector<uint8_t> firmware;
};

struct RomRunResult {
    bool ok = false;
    std::string failure;  // why it is not ok
    double wallSeconds = 0;
    double toolCpuSeconds = 0;
    double simCpuSeconds = 0;
    // Thread-seconds spent ready but waiting for a CPU: the machine's share.
    double toolWaitSeconds = 0;
    double simWaitSeconds = 0;
    // Resident memory of this process with the sheet open and idle, and its
    // peak from there to the end of the run.
    double idleMiB = 0;
    double peakMiB = 0;
    // From a reply's last chunk to the next request, all ports together.
    Turnarounds turnarounds;
};

// One ROM download with Erase, Blank Check, ROM Down and Verify ticked, from
// the click on Start Download until the status window has closed itself.
// Fresh modules, program folder and sheet each time; afterwards every
// module's flash is compared with the firmware.
RomRunResult RunRomDownload(const RomRunSetup& setup);

}  // namespace veltra::bench
