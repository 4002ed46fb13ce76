#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "BoardMemory.h"
#include "Faults.h"
#include "Reaction.h"

namespace veltra::sim {

// The application firmware's side of the line: binary frames ESC, two letters,
// a 32-bit big-endian argument, XOR checksum, CR. Its UART runs at 9,600 bit/s
// only. Framing is recovered by searching for the next ESC.
class ApplicationFirmware {
public:
    static constexpr std::uint32_t kRate = 9600;

    ApplicationFirmware(BoardMemory& memory, const Faults& faults);

    void Reset() { pending_.clear(); }
    bool Hears(std::uint32_t rate) const { return rate == kRate; }
    void Disturb() { pending_.clear(); }
    Reaction Receive(std::string_view bytes);

private:
    // Takes the first complete frame out of `pending_`, dropping what cannot
    // start one; false while a frame is still incomplete.
    bool TakeFrame(std::string& frame);
    void Execute(const std::string& frame, Reaction& reaction);

    BoardMemory& memory_;
    const Faults& faults_;
    std::string pending_;
    std::string discarded_;
};

}  // namespace veltra::sim
