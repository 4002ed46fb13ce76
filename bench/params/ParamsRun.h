#pragma once

#include "LineTap.h"

#include <cstdint>
#include <string>

namespace veltra::bench {

enum class Transfer { Upload, Download };

struct ParamsRunResult {
    bool ok = false;
    std::string failure;  // why it is not ok
    double wallSeconds = 0;
    double toolCpuSeconds = 0;
    double simCpuSeconds = 0;
    // Thread-seconds spent ready but waiting for a CPU: the machine's share.
    double toolWaitSeconds = 0;
    double simWaitSeconds = 0;
    // Request and reply bytes of one port's transfer, worked out from the
    // ticked rows: an EEPROM read is 9 bytes answered by 13, a write 13 by 13.
    uint64_t lineBytes = 0;
    // From a reply's last chunk to the next request, all ports together.
    Turnarounds turnarounds;
    uint64_t exchanges = 0;
};

// One transfer of the shipped default parameter file with every row ticked
// that a download writes, at 9,600 bit/s with line-rate emulation, from the
// call of the operation until its window has closed itself. Fresh modules,
// program folder and sheet each time; afterwards the values are checked: an
// upload's against the modules' EEPROM, a download's in every module's EEPROM.
ParamsRunResult RunParameterTransfer(Transfer transfer, int ports);

}  // namespace veltra::bench
