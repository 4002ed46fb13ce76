#pragma once

#include "RomImage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace veltra {

// One-character names of the requests; they travel with a request inside the
// tool and select its reply rule, and are never sent to the module.
namespace code {
constexpr char kHandshake = '?';
constexpr char kErase = '@';
constexpr char kBlankCheck = 'A';
constexpr char kProgram = 'B';
constexpr char kReadBack = 'C';
constexpr char kFinalise = 'F';
constexpr char kInitialErase = 'G';
constexpr char kTest = 'H';
constexpr char kStampWrite = 'I';
constexpr char kRecordRead = 'J';
constexpr char kModeMark = 'K';
constexpr char kParamRead = 'P';
constexpr char kParamWrite = 'Q';
}  // namespace code

// One request to a module, fixed once built.
struct CommandRecord {
    char code = 0;
    std::string bytes;  // exactly what goes on the line; binary frames too
    uint16_t length = 0;
    uint32_t expectedLength = 0;  // what the reply rule is computed from

    static CommandRecord Make(char code, std::string bytes, uint32_t expectedLength);
    static CommandRecord Make(char code, std::string bytes);  // expected length = request length
};

// The boot loader's fixed records.
inline constexpr std::string_view kHandshakeByte = "U";
inline constexpr std::string_view kEraseRecord = ":0100000307F5";
inline constexpr std::string_view kBlankCheckRecord = ":0500000400007FFF0178";
inline constexpr std::string_view kFirstReadBackRecord = ":05000004000003FF00F5";

constexpr uint32_t kProgramBlockBytes = 128;
constexpr uint32_t kReadBackRangeBytes = 1024;

// Two's complement of the sum of the hexadecimal byte pairs at offsets 1, 3, ...
// below `count` (the record's length without its checksum).
uint8_t HexRecordChecksum(std::string_view record, size_t count);

// ":LLAAAA00<data>CC" for `count` image bytes from `start` (count at most 255,
// start + count within the image).
std::string BuildProgramRecord(const RomImage& image, uint32_t start, uint32_t count);

// ":05000004SSSSEEEE00CC", read back `start` to `end` inclusive. An empty range
// is asked for with `end` = `start` - 1.
std::string BuildReadBackRecord(uint32_t start, uint32_t end);

// The finalisation record sent in position `index` (0 to 3) after the last block.
std::string_view FinalisationRecord(int index);

// Application-firmware frames: ESC, two letters, a 32-bit big-endian operand,
// the exclusive OR of the bytes after ESC, CR.
std::string BuildEepromRead(uint32_t address);
std::string BuildEepromWrite(uint32_t address, uint8_t value);
std::string BuildInitialEraseRequest();
std::string BuildTestRequest(uint32_t item);

// Length of the reply to a read-back of `hexChars` hexadecimal characters
// (two per byte): the echo and its CR LF, then a 7-character frame per line
// of 32 characters.
uint32_t ReadBackReplyLength(uint32_t hexChars);

}  // namespace veltra
