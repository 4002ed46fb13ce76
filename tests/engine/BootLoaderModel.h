#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace veltra::testing {

// Just enough of a boot loader to answer the engine's requests from a flash
// array, so that a whole sequence can be driven without a line.
struct BootLoaderModel {
    std::array<uint8_t, 0x10000> flash{};

    BootLoaderModel() { flash.fill(0x00); }

    static unsigned Hex(const std::string& text, size_t at, size_t n)
    {
        return static_cast<unsigned>(std::stoul(text.substr(at, n), nullptr, 16));
    }

    std::string Answer(const std::string& request)
    {
        if (request == "U")
            return "U";
        const unsigned count = Hex(request, 1, 2);
        const unsigned address = Hex(request, 3, 4);
        const unsigned type = Hex(request, 7, 2);
        if (type == 0x00) {
            for (unsigned k = 0; k < count; ++k)
                flash[(address + k) & 0xFFFF] &= static_cast<uint8_t>(Hex(request, 9 + 2 * k, 2));
        } else if (type == 0x03 && Hex(request, 9, 2) == 0x07) {
            flash.fill(0xFF);
        } else if (type == 0x04 && Hex(request, 17, 2) == 0x00) {
            return request + "\r\n" + Display(Hex(request, 9, 4), Hex(request, 13, 4));
        }
        return request + ".\r\n";
    }

    std::string Display(unsigned start, unsigned end) const
    {
        std::string text;
        char piece[8];
        for (unsigned line = start; line <= end; line += 16) {
            std::snprintf(piece, sizeof piece, "%04X=", line);
            text += piece;
            for (unsigned a = line; a <= end && a < line + 16; ++a) {
                std::snprintf(piece, sizeof piece, "%02X", flash[a & 0xFFFF]);
                text += piece;
            }
            text += "\r\n";
            if (line + 16 > 0xFFFF)
                break;
        }
        return text;
    }
};

}  // namespace veltra::testing
