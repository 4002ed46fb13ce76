#include "CommandRecord.h"

namespace veltra {

namespace {

// Every program record carries 128 of these, on every port: a table lookup
// instead of a formatted print keeps building a record cheap.
void AppendHex(std::string& text, uint32_t value, int digits)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        text.push_back(kDigits[(value >> shift) & 0xFu]);
}

// What makes a record's bytes add up to zero, modulo 256.
uint8_t ChecksumOf(uint32_t sum)
{
    return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

std::string HexByte(uint32_t value)
{
    std::string text;
    AppendHex(text, value, 2);
    return text;
}

std::string HexWord(uint32_t value)
{
    std::string text;
    AppendHex(text, value, 4);
    return text;
}

std::string WithChecksum(std::string record)
{
    record += HexByte(HexRecordChecksum(record, record.size()));
    return record;
}

std::string Frame(char first, char second, const std::string& operand)
{
    std::string frame{'\x1B', first, second};
    frame += operand;
    uint8_t check = 0;
    for (size_t i = 1; i < frame.size(); ++i)
        check ^= static_cast<uint8_t>(frame[i]);
    frame.push_back(static_cast<char>(check));
    frame.push_back('\r');
    return frame;
}

std::string BigEndian32(uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

}  // namespace

CommandRecord CommandRecord::Make(char recordCode, std::string recordBytes, uint32_t expected)
{
    CommandRecord record;
    record.code = recordCode;
    record.length = static_cast<uint16_t>(recordBytes.size());
    record.bytes = std::move(recordBytes);
    record.expectedLength = expected;
    return record;
}

CommandRecord CommandRecord::Make(char recordCode, std::string recordBytes)
{
    const auto expected = static_cast<uint32_t>(recordBytes.size());
    return Make(recordCode, std::move(recordBytes), expected);
}

uint8_t HexRecordChecksum(std::string_view record, size_t count)
{
    uint32_t sum = 0;
    for (size_t i = 1; i < count && i < record.size(); i += 2)
        sum += HexField(record.substr(i, 2));
    return ChecksumOf(sum);
}

std::string BuildProgramRecord(const RomImage& image, uint32_t start, uint32_t count)
{
    std::string record;
    record.reserve(11 + 2 * size_t{count});
    record += ':';
    AppendHex(record, count, 2);
    AppendHex(record, start, 4);
    record += "00";
    // Summed from the bytes as they go in, not read back from the digits.
    uint32_t sum = (count & 0xFF) + ((start >> 8) & 0xFF) + (start & 0xFF);
    for (uint32_t k = 0; k < count; ++k) {
        const uint8_t byte = image.bytes[(start + k) & 0xFFFF];
        sum += byte;
        AppendHex(record, byte, 2);
    }
    AppendHex(record, ChecksumOf(sum), 2);
    return record;
}

std::string BuildReadBackRecord(uint32_t start, uint32_t end)
{
    return WithChecksum(":05000004" + HexWord(start) + HexWord(end) + "00");
}

std::string_view FinalisationRecord(int index)
{
    switch (index) {
    case 0:
        return ":03000003060000F4";
    case 1:
    case 2:
        return ":030000030A0400EC";
    default:
        return ":030000030A0800E8";
    }
}

std::string BuildEepromRead(uint32_t address)
{
    return Frame('E', 'R', BigEndian32(address));
}

std::string BuildEepromWrite(uint32_t address, uint8_t value)
{
    return Frame('E', 'W', BigEndian32(address) + std::string{'\0', '\0', '\0', static_cast<char>(value)});
}

std::string BuildInitialEraseRequest()
{
    return Frame('D', 'R', std::string{'\0', '\0', '\0', '\x64'});
}

std::string BuildTestRequest(uint32_t item)
{
    return Frame('T', 'R', BigEndian32(item));
}

uint32_t ReadBackReplyLength(uint32_t hexChars)
{
    return 23 + hexChars + 7 * ((hexChars + 31) / 32);
}

}  // namespace veltra
