#pragma once

#include "PortResult.h"
#include "PortTarget.h"

#include <cstdint>
#include <string>

namespace veltra::cli {

// How a port's run goes, as far as the output shows it.
struct PortView {
    int port = -1;  // the engine's index
    const PortTarget* target = nullptr;
    int attempt = 1;
    std::string phase;  // "erase", as the port's result names its phases
    std::string row;    // what the status window's row shows
    int done = 0;
    int total = 0;
};

struct RunSummary {
    std::string operation;
    int ports = 0;
    int passed = 0;
    int failed = 0;
    bool interrupted = false;
    int exitStatus = 0;
    int64_t ms = 0;
};

// Where a run's story goes: for people, or JSON Lines for scripts.
class RunOutput {
public:
    virtual ~RunOutput() = default;
    virtual void PhaseStarted(const PortView& view) = 0;
    virtual void Progress(const PortView& view) = 0;
    // A port's last word, once: it passed, or failed with no attempt left.
    virtual void Result(const PortView& view, const PortResult& result, int attempts) = 0;
    virtual void Summary(const RunSummary& summary) = 0;
};

}  // namespace veltra::cli
