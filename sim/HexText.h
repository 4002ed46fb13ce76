#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace veltra::sim {

bool IsHexDigit(char c);
// Two hexadecimal digits, either case, as one byte.
std::optional<std::uint8_t> HexByte(char high, char low);
// Appends two upper-case hexadecimal digits.
void AppendHexByte(std::string& out, std::uint8_t value);
void AppendHexWord(std::string& out, std::uint16_t value);

}  // namespace veltra::sim
