#include "ValueText.h"

#include "RomImage.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

namespace veltra {

uint32_t ParseDecimalModulo32(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    return negative ? 0u - value : value;
}

namespace {

bool IsNegativeText(const std::string& text)
{
    const size_t i = text.find_first_not_of(" \t\n\v\f\r");
    return i != std::string::npos && text[i] == '-';
}

}  // namespace

std::string BytesToValueText(const std::string& typeCell, const std::vector<uint8_t>& bytes)
{
    const char type = typeCell.empty() ? '\0' : typeCell.front();
    const size_t size = bytes.size();
    if (type == 'U' || type == 'S') {
        if (size != 1 && size != 2 && size != 4)
            return {};
        uint32_t raw = 0;
        for (const uint8_t b : bytes)
            raw = (raw << 8) | b;
        if (type == 'U')
            return std::to_string(raw);
        const unsigned bits = static_cast<unsigned>(size * 8);
        int64_t value = raw;
        if (bits < 32 && (raw >> (bits - 1)) != 0)
            value -= int64_t{1} << bits;
        else if (bits == 32 && raw >= 0x80000000u)
            value -= int64_t{1} << 32;
        return std::to_string(value);
    }
    if (type == 'C') {
        std::string text;
        for (const uint8_t b : bytes) {
            if (b != 0x00 && b != 0xFF)
                text.push_back(static_cast<char>(b));
        }
        return text;
    }
    if (type == 'H') {
        std::string text = "0x";
        for (const uint8_t b : bytes) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02x", b);
            text += pair;
        }
        return text;
    }
    return {};
}

bool HasHexPrefix(const std::string& value)
{
    return value.size() >= 2 && value[0] == '0' && value[1] == 'x';
}

uint8_t ValueTextByte(const std::string& typeCell, int size, const std::string& value, int k)
{
    const size_t index = static_cast<size_t>(k);
    if (typeCell == "C")
        return index < value.size() ? static_cast<uint8_t>(value[index]) : 0xFF;
    if (typeCell == "H") {
        const size_t at = 2 + 2 * index;
        if (at >= value.size())
            return 0xFF;
        return static_cast<uint8_t>(HexField(std::string_view(value).substr(at, 2)));
    }
    if (!typeCell.empty() && (typeCell.front() == 'C' || typeCell.front() == 'H'))
        return 0x00;
    const uint32_t number = ParseDecimalModulo32(value);
    const int fromEnd = size - 1 - k;  // 0 for the least significant byte
    if (fromEnd >= 4)
        return IsNegativeText(value) ? 0xFF : 0x00;
    return static_cast<uint8_t>(number >> (8 * fromEnd));
}

namespace {

bool IsHexDigitChar(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string Bytes(int size)
{
    return std::to_string(size) + (size == 1 ? " byte" : " bytes");
}

// The whole number a text holds, blanks around it allowed; nothing when the
// text holds anything else. Digits past what 64 bits carry saturate, which is
// out of every range anyway.
std::optional<int64_t> WholeNumber(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const size_t last = text.find_last_not_of(" \t");
    size_t i = first;
    const bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+')
        ++i;
    if (i > last)
        return std::nullopt;
    int64_t value = 0;
    for (; i <= last; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
        value = value > (int64_t{1} << 40) ? value : value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

}  // namespace

std::string ValueTextProblem(const std::string& typeCell, int size, const std::string& value)
{
    if (typeCell == "U" || typeCell == "S") {
        const std::optional<int64_t> number = WholeNumber(value);
        if (!number)
            return Quoted(value) + " is not a whole number";
        const int bits = size > 4 ? 32 : 8 * size;
        int64_t low = 0;
        int64_t high = (int64_t{1} << bits) - 1;
        if (typeCell == "S")
            low = size > 4 ? -high : -(int64_t{1} << (bits - 1));
        if (typeCell == "S" && size <= 4)
            high = (int64_t{1} << (bits - 1)) - 1;
        if (*number < low || *number > high)
            return std::to_string(*number) + " does not fit " + Bytes(size) + " (" + std::to_string(low) + " to " +
                   std::to_string(high) + ")";
        return {};
    }
    if (typeCell == "H") {
        const bool digits = std::all_of(value.begin() + std::min<size_t>(2, value.size()), value.end(), IsHexDigitChar);
        if (!HasHexPrefix(value) || !digits || value.size() % 2 != 0)
            return Quoted(value) + " is not \"0x\" followed by pairs of hexadecimal digits";
        const int pairs = static_cast<int>((value.size() - 2) / 2);
        if (pairs > size)
            return value + " holds " + Bytes(pairs) + ", more than " + std::to_string(size);
        return {};
    }
    if (typeCell == "C" && static_cast<int>(value.size()) > size)
        return Quoted(value) + " has " + std::to_string(value.size()) + " characters, more than " + std::to_string(size);
    return {};
}

std::vector<uint8_t> ValueTextToBytes(const std::string& typeCell, int size, const std::string& value)
{
    std::vector<uint8_t> bytes;
    for (int k = 0; k < size; ++k)
        bytes.push_back(ValueTextByte(typeCell, size, value, k));
    return bytes;
}

}  // namespace veltra
