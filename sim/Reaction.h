#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace veltra::sim {

// What the board does with a run of received bytes. It stops after the first
// request that completes, so every reaction holds at most one request; the
// caller hands it the rest afterwards.
struct Reaction {
    std::size_t consumed = 0;
    std::string echo;                   // sent at once
    std::chrono::milliseconds wait{0};  // busy time before the reply
    std::string reply;                  // sent after the wait
    std::optional<std::string> request; // the request that completed, as received
    std::string discarded;              // bytes that could not start or belong to a request
    bool handshake = false;
    bool enterBootLoader = false;
};

}  // namespace veltra::sim
