#include "HexFileReader.h"

#include "RomImage.h"

#include <cerrno>
#include <cstdio>
#include <string_view>

namespace veltra {

namespace {

// The longest record carries 255 data bytes: 11 + 510 characters. Anything much
// longer is not a HEX file, and reading it whole could exhaust memory.
constexpr size_t kMaxLineLength = 1024;

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::string Hex2(uint32_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
}

std::string Hex4(uint32_t value)
{
    char text[12];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

std::string Shown(char c)
{
    if (c >= 0x21 && c <= 0x7E)
        return std::string("'") + c + "'";
    return "byte 0x" + Hex2(static_cast<unsigned char>(c));
}

class LineSource {
public:
    LineSource(std::FILE* file, uint32_t length) : file_(file), remaining_(length) {}

    enum class Result { Line, End, TooLong, ReadError };

    // Next line without its line feed; the last line may lack one.
    Result Next(std::string& line)
    {
        line.clear();
        if (remaining_ == 0)
            return Result::End;
        while (remaining_ > 0) {
            const int c = std::fgetc(file_);
            if (c == EOF)
                return std::ferror(file_) ? Result::ReadError : Result::Line;
            --remaining_;
            if (c == '\n')
                return Result::Line;
            if (line.size() == kMaxLineLength)
                return Result::TooLong;
            line.push_back(static_cast<char>(c));
        }
        return Result::Line;
    }

private:
    std::FILE* file_;
    uint32_t remaining_;
};

std::string_view TrimLineEnd(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    return line;
}

void Raise(uint32_t& lastAddress, uint32_t end)
{
    if (end > lastAddress)
        lastAddress = end;
}

// Checks one record and applies it; returns the problem, or empty when fine.
std::string ApplyRecord(std::string_view record, std::array<uint8_t, 0x10000>& bytes, uint32_t& lastAddress)
{
    if (record[0] != ':')
        return "does not start with the record mark ':'";
    for (size_t i = 1; i < record.size(); ++i) {
        if (!IsHexDigit(record[i]))
            return "holds " + Shown(record[i]) + " at column " + std::to_string(i + 1) +
                   ", which is not a hexadecimal digit";
    }
    if (record.size() < 11)
        return "is too short for a record";
    const uint32_t count = HexField(record.substr(1, 2));
    const size_t needed = 11 + 2 * size_t{count};
    if (record.size() < needed)
        return "is too short for its count of " + std::to_string(count) + " data bytes";
    if (record.size() > needed)
        return "has characters after its checksum";

    uint32_t sum = 0;
    for (size_t i = 1; i + 1 < needed - 2; i += 2)
        sum += HexField(record.substr(i, 2));
    const uint32_t wanted = (0x100 - (sum & 0xFF)) & 0xFF;
    const uint32_t given = HexField(record.substr(needed - 2, 2));
    if (given != wanted)
        return "has the checksum " + Hex2(given) + " where the record needs " + Hex2(wanted);

    const uint32_t address = HexField(record.substr(3, 4));
    const uint32_t type = HexField(record.substr(7, 2));
    switch (type) {
    case 0x00:
    case 0x01: {
        if (count > 0 && address + count - 1 > 0xFFFF)
            return "puts data from " + Hex4(address) + " to " + Hex4(address + count - 1) +
                   ", beyond the 64 KiB image";
        if (count > 0)
            Raise(lastAddress, address + count - 1);
        else if (address != 0)
            Raise(lastAddress, address - 1);
        for (uint32_t k = 0; k < count; ++k)
            bytes[address + k] = static_cast<uint8_t>(HexField(record.substr(9 + 2 * k, 2)));
        return {};
    }
    case 0x02:
    case 0x04: {
        if (count != 2)
            return "is an extended-address record that does not hold 2 bytes";
        const uint32_t base = HexField(record.substr(9, 4));
        if (base != 0)
            return "sets the extended address " + Hex4(base) + ", which puts data beyond the 64 KiB image";
        return {};
    }
    case 0x03:
    case 0x05:
        return {};
    default:
        return "has the unknown record type " + Hex2(type);
    }
}

}  // namespace

HexParseOutcome ReadHexRecords(std::FILE* file, uint32_t length, std::array<uint8_t, 0x10000>& bytes)
{
    HexParseOutcome outcome;
    LineSource source(file, length);
    std::string line;
    bool anyRecord = false;
    for (size_t number = 1;; ++number) {
        switch (source.Next(line)) {
        case LineSource::Result::End:
            // An empty file is a copy that went wrong, not a firmware of all
            // 0xFF; a file of only the end record stays a deliberate choice.
            if (!anyRecord) {
                outcome.problem = "holds no HEX records";
                return outcome;
            }
            outcome.ok = true;
            return outcome;
        case LineSource::Result::ReadError:
            outcome.errorCode = errno ? errno : EIO;
            outcome.problem = "line " + std::to_string(number) + " could not be read";
            return outcome;
        case LineSource::Result::TooLong:
            outcome.problem = "line " + std::to_string(number) + " is longer than any HEX record can be";
            return outcome;
        case LineSource::Result::Line:
            break;
        }
        const std::string_view record = TrimLineEnd(line);
        if (record.empty())
            continue;
        anyRecord = true;
        const std::string problem = ApplyRecord(record, bytes, outcome.lastAddress);
        if (!problem.empty()) {
            outcome.problem = "line " + std::to_string(number) + " " + problem;
            return outcome;
        }
    }
}

}  // namespace veltra
