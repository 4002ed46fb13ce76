#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HexText.h"
#include "SimProcess.h"

namespace veltra::bench {

// Firmware bytes of the given size with no run of equal bytes, so that a block
// programmed at the wrong address cannot pass verification.
std::vector<uint8_t> FirmwareBytes(size_t size);

// What a download's run ends with: the failure it already had, else the
// modules' process failing to quit cleanly, else a module whose flash is not
// `firmware`; empty when all is well.
std::string CheckAfterRun(std::string failure, SimProcess& sim, const std::string& dumpFolder, int modules,
                          const std::vector<uint8_t>& firmware);

using sim::HexFileText;

}  // namespace veltra::bench
