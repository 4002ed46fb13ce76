#pragma once

#include <cstddef>
#include <cstdint>

// What the tool knows of the Veltra module and its line, in one place.
namespace veltra::module_facts {

// The application firmware listens at this rate only; the boot loader takes
// whatever rate its handshake finds.
constexpr uint32_t kApplicationBaud = 9600;

// The module's EEPROM and what the tool keeps in it.
constexpr int kEepromSize = 512;
constexpr uint32_t kTestRecordFirst = 464;  // year, month, day, result byte
constexpr uint32_t kTestRecordLast = 467;
constexpr uint32_t kModeMarkAddress = 509;  // written before the initial erase when the option says so
constexpr uint8_t kModeMarkValue = 0xAA;
constexpr int kTestItems = 8;

// Longest reply or request a channel carries, and so the reply buffer of a
// port: a read-back of 1,024 bytes is 2,519 characters.
constexpr size_t kBufferSize = 8193;

// Reply time-outs, in milliseconds.
constexpr uint32_t kBootLoaderTimeoutMs = 60000;
constexpr uint32_t kApplicationTimeoutMs = 60000;
constexpr uint32_t kTestRecordTimeoutMs = 2000;

}  // namespace veltra::module_facts

namespace veltra {

// What a channel raises when it stops waiting for a reply.
enum ChannelEventCode : int16_t {
    kEventRetryOver = 8,  // "Retry Over": no reply after the retry limit's resends
    kEventTimeOut = 11,   // "Time out!": no reply, or the line is gone
};

}  // namespace veltra
