#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltra::bench {

struct CliRunSetup {
    int ports = 32;
    uint32_t baud = 115200;
    int eraseMs = 0;
    std::vector<uint8_t> firmware;
};

struct CliRunResult {
    bool ok = false;
    std::string failure;  // why it is not ok
    double wallSeconds = 0;  // from the start of the process to its end
    double cliCpuSeconds = 0;  // the whole process: start-up, files, the run
    double simCpuSeconds = 0;
};

// One `veltra-cli rom --verify` on fresh modules with line-rate emulation,
// with its results read back and every module's flash compared with the
// firmware afterwards.
CliRunResult RunCliRomDownload(const CliRunSetup& setup);

// CPU seconds of a veltra-cli process that only starts and prints its help.
double CliStartUpCpuSeconds();

}  // namespace veltra::bench
