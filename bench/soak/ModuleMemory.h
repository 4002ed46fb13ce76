#pragma once

#include "BoardMemory.h"
#include "VirtualModule.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltra::soak {

// Everything a module keeps across a power cycle.
struct ModuleMemory {
    std::vector<uint8_t> flash;
    sim::EepromImage eeprom{};
};

ModuleMemory ReadMemory(const sim::VirtualModule& module);

// Bytes in which the two differ, flash and EEPROM together.
size_t DifferingBytes(const ModuleMemory& expected, const ModuleMemory& actual);

}  // namespace veltra::soak
