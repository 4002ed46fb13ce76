#pragma once

#include <chrono>
#include <cstdint>

#include "BoardMemory.h"
#include "Faults.h"
#include "Personality.h"

namespace veltra::sim {

// How a virtual module starts.
struct ModuleOptions {
    Personality start = Personality::Application;
    // Every byte takes ten bit times at the rate the tool set, both ways.
    bool lineRateEmulation = false;
    // How long the chip erase keeps the boot loader busy before its ".".
    std::chrono::milliseconds eraseTime{0};
    EepromImage eeprom = BlankEeprom();
    Faults faults;
    // Seeds the cutting of chunked replies, so a failing run can be repeated.
    std::uint32_t seed = 1;
};

}  // namespace veltra::sim
