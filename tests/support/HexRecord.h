#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace veltra::testing {

// An Intel HEX record ":LLAAAATT<data>CC", written here rather than by the
// code under test.
inline std::string HexRecord(std::uint16_t address, std::uint8_t type, const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> fields = {static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8),
                                        static_cast<std::uint8_t>(address & 0xFF), type};
    fields.insert(fields.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (const std::uint8_t b : fields)
        sum += b;
    fields.push_back(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
    std::string text = ":";
    for (const std::uint8_t b : fields) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", b);
        text += pair;
    }
    return text;
}

// `count` bytes counting up from `first`, round past 0xFF.
inline std::vector<std::uint8_t> Ramp(std::size_t count, unsigned first = 0)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t k = 0; k < count; ++k)
        bytes.push_back(static_cast<std::uint8_t>(first + k));
    return bytes;
}

}  // namespace veltra::testing
