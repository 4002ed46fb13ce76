#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "LinePacer.h"

namespace veltra::sim {

// The module's outgoing bytes, each with the moment it may be handed to the
// line: when it was produced, spread over pieces when replies are chunked, and
// paced at the line rate when that is emulated. Due moments never go back, so
// what is due is found by a search, and handed to the line straight from here.
class Transmitter {
public:
    explicit Transmitter(std::uint32_t seed) : random_(seed) {}

    struct Shape {
        std::size_t chunkMax = 0;
        std::chrono::microseconds chunkGap{0};
        std::uint32_t pacedRate = 0;  // 0 sends as soon as ready
        std::optional<std::size_t> splitAt;
    };

    void Queue(const std::string& bytes, SteadyTime ready, const Shape& shape);
    // Bytes due at `now`, from the front, without removing them; valid until
    // the next call that changes the queue.
    std::string_view Due(SteadyTime now) const;
    void Consume(std::size_t count);
    // When to hand the next group of bytes to the line; nothing when empty.
    std::optional<SteadyTime> NextWake() const;
    void Clear();

private:
    std::string bytes_;
    std::vector<SteadyTime> due_;
    std::size_t head_ = 0;  // what is before it has gone to the line
    LinePacer pacer_;
    std::mt19937 random_;
};

}  // namespace veltra::sim
