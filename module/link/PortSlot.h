#pragma once

#include "UtcClock.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veltra {

constexpr size_t kReplyBufferSize = 8193;

// Codes of the notices a run sends to its operation window.
namespace notice {
constexpr int kPhaseStarts = 100;
constexpr int kPhaseDone = 101;
constexpr int kProgress = 102;
constexpr int kRunFinished = 206;
}  // namespace notice

struct StatusNotice {
    int active = 0;
    int code = 0;
    int value = 0;
    int port = 0;
};

// Everything one port's sequence keeps between two replies.
struct PortSlot {
    uint32_t total = 0;       // ROM: hexadecimal characters of addresses 0..lastAddress
    uint32_t remaining = 0;   // ROM programming: characters not yet sent
    uint32_t done = 0;        // characters programmed or verified so far
    uint32_t expectedLength = 0;   // length figure of the current request's reply rule
    uint32_t readBackExpected = 0;  // whole length of the current read-back reply
    uint32_t rangeStart = 0;  // first address of the current read-back range
    uint32_t rangeBytes = 0;  // bytes the current read-back range asks for
    int finalIndex = 0;
    std::array<char, kReplyBufferSize> replyBuffer{};
    size_t replyCount = 0;
    int step = 0;
    char code = 0;            // command code of the request in flight
    std::string request;      // its bytes: an application reply must echo them
    int eraseProgress = 0;    // progress shown for the erase so far, kept below 100

    // A port ends once, done or failed: after that no chunk or time-out can
    // count it again, move it on or overwrite what stopped it.
    bool finished = false;
    bool failed = false;
    bool running = false;

    int address = 0;
    int listIndex = 0;
    int size = 0;
    uint16_t byteIndex = 0;
    std::vector<uint8_t> values;  // bytes of the parameter read so far
    int testItem = 0;      // module test: the item running, 9 once all have passed
    int stampWrites = 0;   // module test: date bytes sent, 0 to 3
    CalendarDate stampDate;  // module test: read once, so a test across midnight stamps one date
    int resultWritten = 0;
    int itemPassed = 0;
    uint8_t resultBits = 0xFF;

    bool Ended() const { return finished || failed; }
    void ClearReply() { replyCount = 0; }
    std::string_view Reply() const { return {replyBuffer.data(), replyCount}; }
};

}  // namespace veltra
