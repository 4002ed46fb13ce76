#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace veltra::sim::testing {

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (const int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

// A boot-loader text record built the way the tool's documentation describes
// it, kept apart from the simulator's own parser.
inline std::string HexRecord(std::uint16_t address, std::uint8_t type, const std::vector<std::uint8_t>& data)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::vector<std::uint8_t> fields = {static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8),
                                        static_cast<std::uint8_t>(address & 0xFF), type};
    fields.insert(fields.end(), data.begin(), data.end());
    unsigned sum = 0;
    std::string text = ":";
    for (const std::uint8_t b : fields) {
        sum += b;
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    const auto check = static_cast<std::uint8_t>(-sum & 0xFF);
    text += kDigits[check >> 4];
    text += kDigits[check & 0xF];
    return text;
}

inline std::string ReadBackRecord(std::uint16_t first, std::uint16_t last, std::uint8_t selector = 0)
{
    return HexRecord(0, 0x04, {static_cast<std::uint8_t>(first >> 8), static_cast<std::uint8_t>(first & 0xFF),
                               static_cast<std::uint8_t>(last >> 8), static_cast<std::uint8_t>(last & 0xFF), selector});
}

}  // namespace veltra::sim::testing
