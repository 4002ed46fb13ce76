#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "BoardMemory.h"
#include "Faults.h"
#include "Reaction.h"

namespace veltra::sim {

// The boot loader's side of the line. It sleeps until a "U" teaches it the line
// rate (auto-baud), answers "U", and from then on takes text records at that rate,
// echoing each character. Every later "U" is a new handshake and may bring a
// new rate.
class BootLoader {
public:
    BootLoader(BoardMemory& memory, const Faults& faults, std::chrono::milliseconds eraseTime);

    void Reset();
    // Whether a byte arriving at `rate` is understood at all; others are line noise.
    bool Hears(char byte, std::uint32_t rate) const;
    // Noise on the line spoils a record in progress.
    void Disturb() { record_.clear(); }
    Reaction Receive(std::string_view bytes, std::uint32_t rate);

private:
    std::string Execute(const std::string& text, std::chrono::milliseconds& wait);
    std::string ExecuteRange(const std::vector<std::uint8_t>& data);

    BoardMemory& memory_;
    const Faults& faults_;
    std::chrono::milliseconds eraseTime_;
    bool synced_ = false;
    std::uint32_t rate_ = 0;
    std::string record_;
    std::size_t recordLength_ = 0;
    std::size_t blocksSinceHandshake_ = 0;
};

}  // namespace veltra::sim
