#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltra::sim {

bool IsHexDigit(char c);
// Two hexadecimal digits, either case, as one byte.
std::optional<std::uint8_t> HexByte(char high, char low);
// Appends two upper-case hexadecimal digits.
void AppendHexByte(std::string& out, std::uint8_t value);
void AppendHexWord(std::string& out, std::uint16_t value);

// An Intel HEX file of `bytes` placed from address 0, 16 bytes a record, as
// the firmware files the tool is given: for tests and benchmarks to program.
std::string HexFileText(const std::vector<std::uint8_t>& bytes);

}  // namespace veltra::sim
