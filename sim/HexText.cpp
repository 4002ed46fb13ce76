#include "HexText.h"

#include <algorithm>

namespace veltra::sim {
namespace {

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

bool IsHexDigit(char c) { return DigitValue(c) >= 0; }

std::optional<std::uint8_t> HexByte(char high, char low)
{
    const int h = DigitValue(high);
    const int l = DigitValue(low);
    if (h < 0 || l < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(h * 16 + l);
}

void AppendHexByte(std::string& out, std::uint8_t value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += kDigits[value >> 4];
    out += kDigits[value & 0x0F];
}

void AppendHexWord(std::string& out, std::uint16_t value)
{
    AppendHexByte(out, static_cast<std::uint8_t>(value >> 8));
    AppendHexByte(out, static_cast<std::uint8_t>(value & 0xFF));
}

std::string HexFileText(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        const std::size_t count = std::min<std::size_t>(16, bytes.size() - at);
        const auto address = static_cast<std::uint16_t>(at);
        unsigned sum = static_cast<unsigned>(count) + (address >> 8) + (address & 0xFFu);
        text += ':';
        AppendHexByte(text, static_cast<std::uint8_t>(count));
        AppendHexWord(text, address);
        AppendHexByte(text, 0x00);
        for (std::size_t k = 0; k < count; ++k) {
            AppendHexByte(text, bytes[at + k]);
            sum += bytes[at + k];
        }
        AppendHexByte(text, static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
        text += "\r\n";
    }
    return text + ":00000001FF\r\n";
}

}  // namespace veltra::sim
