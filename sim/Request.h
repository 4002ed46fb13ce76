#pragma once

#include <cstdint>
#include <string>

#include "Personality.h"

namespace veltra::sim {

// One entry of a module's request log: a complete request as the module received
// it, or a run of bytes it could not use (sent at a line rate it does not listen
// to, or not part of any request it knows). Appended together with queuing the
// reply, so a test that sees the entry knows whether an answer is on its way.
struct Request {
    Personality personality = Personality::Application;
    std::string bytes;
    std::uint32_t rate = 0;  // bit/s the line was set to when the bytes arrived
    bool answered = false;
};

}  // namespace veltra::sim
