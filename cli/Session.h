#pragma once

#include "CliOptions.h"
#include "Engine.h"
#include "ParameterTable.h"
#include "PortTarget.h"
#include "RomImage.h"
#include "StderrPrompts.h"

#include <vector>

namespace veltra::cli {

// What one run of the program works with: its options, the ports, the files'
// contents and the engine, with the texts and time-outs the sheet would use.
// The engine has one port per target, in command-line order.
struct Session {
    Session(const CliOptions& options, std::vector<PortTarget> targets);

    // A result for a port that could not be opened, as the engine words it.
    PortResult NotOpened(int port, const std::string& operation);
    // The engine's words for a port whose last open failed, with the system's
    // reason.
    std::string CannotOpen(int port);

    const CliOptions& options;
    std::vector<PortTarget> targets;
    std::string country;
    RomImage image;
    ParameterTable table;
    StderrPrompts prompts;
    Engine engine;
};

}  // namespace veltra::cli
