#pragma once

#include <cstdint>

namespace veltra::bench {

// This process's resident memory in bytes, now and at its peak, as the kernel
// counts it; 0 when it cannot be read.
std::uint64_t ResidentBytes();
std::uint64_t PeakResidentBytes();

// Starts the peak over from the present size, so that one run's peak is not
// hidden by an earlier, larger one.
void ResetPeakResident();

}  // namespace veltra::bench
