#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "Faults.h"

namespace veltra::sim {

// 64 KiB of NOR program flash: erase sets every bit, programming can only clear
// bits, so writing over unerased cells leaves the AND of old and new.
class NorFlash {
public:
    static constexpr std::size_t kSize = 0x10000;

    NorFlash();

    void Erase();
    // Bytes past the end of the chip are not programmed.
    void Program(std::uint32_t address, std::span<const std::uint8_t> bytes);
    std::uint8_t Read(std::uint32_t address) const;
    bool IsBlank(std::uint32_t first, std::uint32_t last) const;

    // What the chip holds, as read.
    std::vector<std::uint8_t> Contents() const;

    void SetStuckBit(std::optional<StuckBit> stuck) { stuck_ = stuck; }

private:
    std::vector<std::uint8_t> cells_;
    std::optional<StuckBit> stuck_;
};

}  // namespace veltra::sim
