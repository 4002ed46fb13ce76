#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace veltra::sim {

// One flash cell bit that no longer follows erase and program: it always reads
// as `level`. Stuck at 1 makes programming fail verification there; stuck at 0
// makes the blank check fail.
struct StuckBit {
    std::uint16_t address = 0;
    int bit = 0;  // 0 to 7
    int level = 1;
};

// The ways a board misbehaves, each off by default. "After N requests" counts
// from the last restart or change of faults, "block K" from the last handshake.
struct Faults {
    // The transmitter is dead: requests are received and carried out, nothing is sent.
    bool silent = false;
    // Answers the first N requests, then behaves as `silent`.
    std::optional<std::size_t> silentAfterRequests;
    // Program record number K after the last handshake (0 is the first) gets "X"
    // and is not programmed.
    std::optional<std::size_t> nakBlock;
    std::optional<StuckBit> stuckBit;
    // 'X' or 'L' in place of the CR that follows a read-back's echo.
    char readBackMark = 0;
    // Sent just before the "U" of every handshake reply.
    std::string handshakeNoise;
    // Every transmission is cut into pieces of 1 to chunkMax bytes, chunkGap apart.
    std::size_t chunkMax = 0;
    std::chrono::microseconds chunkGap{300};
    // Every transmission is handed to the line in two pieces, the first
    // splitAt bytes and then the rest, chunkGap apart.
    std::optional<std::size_t> splitAt;
    // Reply number N (0 is the first answered request) is preceded by these
    // bytes, as a line that picked up noise would deliver it.
    std::optional<std::size_t> strayBeforeReply;
    std::string strayBytes = std::string(1, '\0');
    // Reply number N goes out with its last byte but one inverted: for an
    // application reply that is its checksum.
    std::optional<std::size_t> garbledReply;
    // Time between a complete request and the start of its reply.
    std::chrono::milliseconds replyDelay{0};
    // The pseudo-terminal is closed once this many bytes have been received.
    std::optional<std::size_t> hangUpAfterBytes;
    // Writes to this EEPROM address are acknowledged but do not store.
    std::optional<std::uint32_t> deadEepromAddress;
};

}  // namespace veltra::sim
