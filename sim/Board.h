#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ApplicationFirmware.h"
#include "BoardMemory.h"
#include "BootLoader.h"
#include "Faults.h"
#include "Personality.h"
#include "Reaction.h"
#include "Request.h"

namespace veltra::sim {

// The module's logic without any line: memory, the running personality, the
// faults and the request log. Not thread-safe; its owner serialises access.
class Board {
public:
    Board(Personality start, std::chrono::milliseconds eraseTime);

    void Restart(Personality personality);
    Personality Running() const { return personality_; }

    // Takes bytes that arrived together at one line rate; returns after the
    // first request that completes, with the fault switches applied.
    Reaction Receive(std::string_view bytes, std::uint32_t rate);

    BoardMemory& Memory() { return memory_; }
    const BoardMemory& Memory() const { return memory_; }
    const Faults& CurrentFaults() const { return faults_; }
    void SetFaults(const Faults& faults);
    const std::vector<Request>& Log() const { return log_; }
    // Forgets the entries so far; the fault switches go on counting.
    void ClearLog() { log_.clear(); }

private:
    bool Silent() const;
    void Note(std::string bytes, std::uint32_t rate, bool answered);

    BoardMemory memory_;
    Faults faults_;
    Personality personality_;
    ApplicationFirmware application_;
    BootLoader bootLoader_;
    std::vector<Request> log_;
    std::size_t requestsSinceRestart_ = 0;
    std::size_t repliesSinceRestart_ = 0;
};

}  // namespace veltra::sim
