#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "HexText.h"

namespace veltra::bench {

// Firmware bytes of the given size with no run of equal bytes, so that a block
// programmed at the wrong address cannot pass verification.
std::vector<uint8_t> FirmwareBytes(size_t size);

// Where the first of `modules` virtual modules' flash dumps in `dumpFolder`
// differs from `firmware`; empty when every module holds it.
std::string FirstFlashMismatch(const std::string& dumpFolder, int modules, const std::vector<uint8_t>& firmware);

using sim::HexFileText;

}  // namespace veltra::bench
