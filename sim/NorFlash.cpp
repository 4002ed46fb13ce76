#include "NorFlash.h"

#include <algorithm>

namespace veltra::sim {

NorFlash::NorFlash() : cells_(kSize, 0xFF) {}

void NorFlash::Erase() { std::fill(cells_.begin(), cells_.end(), std::uint8_t{0xFF}); }

void NorFlash::Program(std::uint32_t address, std::span<const std::uint8_t> bytes)
{
    for (std::size_t i = 0; i < bytes.size() && address + i < kSize; ++i) {
        cells_[address + i] &= bytes[i];
    }
}

std::uint8_t NorFlash::Read(std::uint32_t address) const
{
    std::uint8_t value = cells_[address];
    if (stuck_ && stuck_->address == address) {
        const auto mask = static_cast<std::uint8_t>(1u << stuck_->bit);
        value = stuck_->level ? static_cast<std::uint8_t>(value | mask) : static_cast<std::uint8_t>(value & ~mask);
    }
    return value;
}

bool NorFlash::IsBlank(std::uint32_t first, std::uint32_t last) const
{
    for (std::uint32_t a = first; a <= last && a < kSize; ++a) {
        if (Read(a) != 0xFF) {
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> NorFlash::Contents() const
{
    std::vector<std::uint8_t> out(kSize);
    for (std::uint32_t a = 0; a < kSize; ++a) {
        out[a] = Read(a);
    }
    return out;
}

}  // namespace veltra::sim
