#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace veltra::soak {

struct SoakOptions {
    int modules = 16;
    int operations = 200;
    uint64_t seed = 0;
    // The chance of each port that takes part in an operation to get a fault.
    double faultRate = 0.25;
};

// Reads --modules N, --operations N, --seed N and --fault-rate P; a seed not
// given is drawn at random. Nothing when an option or its value is wrong.
std::optional<SoakOptions> ParseSoakOptions(int argc, char** argv);

std::string SoakUsage();

}  // namespace veltra::soak
