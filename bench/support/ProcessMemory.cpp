#include "ProcessMemory.h"

#include <fstream>
#include <string>

namespace veltra::bench {

namespace {

std::uint64_t StatusKibibytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stoull(line.substr(field.size() + 1)) * 1024;
    }
    return 0;
}

}  // namespace

std::uint64_t ResidentBytes()
{
    return StatusKibibytes("VmRSS");
}

std::uint64_t PeakResidentBytes()
{
    return StatusKibibytes("VmHWM");
}

void ResetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace veltra::bench
