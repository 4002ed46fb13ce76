#pragma once

#include "ReplyDispatcher.h"

#include <cstdint>

namespace veltra::soak {

// Short reply time-outs, so that a port whose module fell silent fails in a
// second rather than the tool's minute, yet long enough for a sound module
// on a busy machine.
constexpr uint32_t kReplyTimeoutMs = 1000;
constexpr RunTimeouts kTimeouts{kReplyTimeoutMs, kReplyTimeoutMs, kReplyTimeoutMs};

// An operation window still open this long after its start has hung: every
// port has ended by then, by its reply or by its time-out.
constexpr int kWatchdogMs = 60000;

// How long the threads and descriptors of a finished operation may take to go.
constexpr int kSettleMs = 2000;

}  // namespace veltra::soak
