#pragma once

#include "ModuleFacts.h"
#include "PortResult.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltra {

// What every run keeps per port: the request in flight and its reply so far,
// whether the port is still in the run, and how its part is going.
struct PortSlot {
    char code = 0;                  // command code of the request in flight
    std::string request;            // its bytes: an application reply must echo them
    uint32_t expectedLength = 0;    // length figure of the reply rule
    std::array<char, module_facts::kBufferSize> replyBuffer{};
    size_t replyCount = 0;

    // A port ends once, done or failed: after that no chunk or time-out can
    // count it again, move it on or overwrite what stopped it.
    bool running = false;
    bool finished = false;
    bool failed = false;

    PortResult result;
    std::chrono::steady_clock::time_point phaseStart;

    bool Ended() const { return finished || failed; }
    void ClearReply() { replyCount = 0; }
    std::string_view Reply() const { return {replyBuffer.data(), replyCount}; }
};

}  // namespace veltra
