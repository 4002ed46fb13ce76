#include "ReadBackDisplay.h"

#include "HexText.h"

namespace veltra::sim {

std::string ReadBackDisplay(const NorFlash& flash, std::uint32_t first, std::uint32_t last)
{
    std::string out = "\r\n";
    // 32-bit addresses so that a range ending at 0xFFFF stops instead of wrapping.
    for (std::uint32_t line = first; line <= last && line < NorFlash::kSize; line += 16) {
        AppendHexWord(out, static_cast<std::uint16_t>(line));
        out += '=';
        for (std::uint32_t a = line; a < line + 16 && a <= last; ++a) {
            AppendHexByte(out, flash.Read(a));
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace veltra::sim
