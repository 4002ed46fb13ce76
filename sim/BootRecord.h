#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace veltra::sim {

// One text record as the boot loader takes it: ":LLAAAATT<data>CC".
struct BootRecord {
    std::uint16_t address = 0;
    std::uint8_t type = 0;
    std::vector<std::uint8_t> data;
};

// Total characters of a record whose first three characters are ":LL".
std::optional<std::size_t> BootRecordLength(std::string_view start);

// A complete record, or nothing when a digit is not hexadecimal or the checksum
// (two's complement of the byte sum) does not hold.
std::optional<BootRecord> DecodeBootRecord(std::string_view text);

}  // namespace veltra::sim
