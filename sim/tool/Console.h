#pragma once

#include <string>

#include "DeviceLinks.h"
#include "VirtualBench.h"

namespace veltra::sim {

// The operator at the bench, typing on veltra-sim's standard input: restart a
// module into either program (the CAL MODE switch) and look at its state.
class Console {
public:
    Console(VirtualBench& bench, const DeviceLinks* links) : bench_(bench), links_(links) {}

    // Carries out one command line and returns what to print.
    std::string Run(const std::string& line);
    bool QuitRequested() const { return quit_; }

    std::string State(std::size_t index) const;

private:
    std::string Restart(std::size_t index, Personality personality);

    VirtualBench& bench_;
    const DeviceLinks* links_;
    bool quit_ = false;
};

}  // namespace veltra::sim
