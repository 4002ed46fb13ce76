#include "FirmwareImage.h"

#include <algorithm>
#include <cstdio>

namespace veltra::bench {

std::vector<uint8_t> FirmwareBytes(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 37 + 11) ^ (i >> 8));
    return bytes;
}

std::string HexFileText(const std::vector<uint8_t>& bytes)
{
    std::string text;
    char piece[24];
    for (size_t at = 0; at < bytes.size(); at += 16) {
        const size_t count = std::min<size_t>(16, bytes.size() - at);
        unsigned sum = static_cast<unsigned>(count + (at >> 8) + (at & 0xFF));
        std::snprintf(piece, sizeof piece, ":%02X%04X00", static_cast<unsigned>(count), static_cast<unsigned>(at));
        text += piece;
        for (size_t k = 0; k < count; ++k) {
            std::snprintf(piece, sizeof piece, "%02X", bytes[at + k]);
            text += piece;
            sum += bytes[at + k];
        }
        std::snprintf(piece, sizeof piece, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        text += piece;
    }
    return text + ":00000001FF\r\n";
}

}  // namespace veltra::bench
