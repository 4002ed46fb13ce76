#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "NorFlash.h"

namespace veltra::sim {

constexpr std::size_t kEepromSize = 512;
constexpr int kTestItems = 8;

using EepromImage = std::array<std::uint8_t, kEepromSize>;

EepromImage BlankEeprom();

// What survives a restart: the chips and the results the self-checks will report.
struct BoardMemory {
    NorFlash flash;
    EepromImage eeprom = BlankEeprom();
    std::array<std::int32_t, kTestItems> testResults{};
};

}  // namespace veltra::sim
