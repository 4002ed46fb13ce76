#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace veltra::testing {

// Just enough of the application firmware to answer EEPROM and test frames.
struct ApplicationModel {
    std::array<uint8_t, 512> eeprom{};
    std::array<int32_t, 9> results{};  // result code per test item 1..8

    ApplicationModel() { eeprom.fill(0x5A); }

    static std::string Close(std::string frame)
    {
        uint8_t check = 0;
        for (size_t i = 1; i < 11; ++i)
            check ^= static_cast<uint8_t>(frame[i]);
        frame[11] = static_cast<char>(check);
        frame[12] = '\r';
        return frame;
    }

    std::string Answer(const std::string& request)
    {
        const auto at = [&](size_t i) { return static_cast<uint8_t>(request[i]); };
        const uint32_t operand = (uint32_t{at(3)} << 24) | (uint32_t{at(4)} << 16) | (uint32_t{at(5)} << 8) | at(6);
        std::string reply(13, '\0');
        reply[0] = '\x1B';
        reply[1] = request[1];
        reply[2] = request[2];
        for (size_t i = 3; i < 7; ++i)
            reply[i] = request[i];
        if (request[1] == 'E' && request[2] == 'W') {
            eeprom[operand % 512] = at(10);
            return request;
        }
        if (request[1] == 'E' && request[2] == 'R') {
            reply[10] = static_cast<char>(eeprom[operand % 512]);
            return Close(reply);
        }
        const auto result = static_cast<uint32_t>(results[operand % 9]);
        reply[7] = static_cast<char>(result >> 24);
        reply[8] = static_cast<char>(result >> 16);
        reply[9] = static_cast<char>(result >> 8);
        reply[10] = static_cast<char>(result);
        return Close(reply);
    }
};

}  // namespace veltra::testing
