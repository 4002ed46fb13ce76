#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltra::bench {

// Firmware bytes of the given size with no run of equal bytes, so that a block
// programmed at the wrong address cannot pass verification.
std::vector<uint8_t> FirmwareBytes(size_t size);

// The Intel HEX text of `bytes` placed from address 0, 16 bytes a record.
std::string HexFileText(const std::vector<uint8_t>& bytes);

}  // namespace veltra::bench
