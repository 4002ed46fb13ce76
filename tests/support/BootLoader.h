#pragma once

#include "ModuleOptions.h"

#include <chrono>

namespace veltra::testing {

// A virtual module that starts in its boot loader, whose chip erase takes `erase`.
inline sim::ModuleOptions BootLoader(std::chrono::milliseconds erase = std::chrono::milliseconds(30))
{
    sim::ModuleOptions options;
    options.start = sim::Personality::BootLoader;
    options.eraseTime = erase;
    return options;
}

}  // namespace veltra::testing
