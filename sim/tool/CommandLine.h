#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ModuleOptions.h"

namespace veltra::sim {

// What veltra-sim was asked for. Fault options apply to every module, or to one
// after "--on N" (until the next "--on").
struct ProgramOptions {
    std::size_t modules = 1;
    std::vector<ModuleOptions> perModule;  // one per module once parsed
    struct FailingItem {
        std::size_t module = 0;
        int item = 0;
        std::int32_t code = 0;
    };
    std::vector<FailingItem> failingItems;
    std::string eepromFile;
    std::string linkDir;
    std::string dumpDir;
    bool help = false;
};

// Parses the arguments after the program name; false with `error` set when they
// cannot be used.
bool ParseCommandLine(const std::vector<std::string>& args, ProgramOptions& options, std::string& error);

extern const char* const kUsage;

}  // namespace veltra::sim
