#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>

#include "LinePacer.h"

namespace veltra::sim {

// The module's outgoing bytes, each with the moment it may be handed to the
// line: when it was produced, spread over pieces when replies are chunked, and
// paced at the line rate when that is emulated.
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
    // Bytes due at `now`, from the front, without removing them.
    std::string Due(SteadyTime now) const;
    void Consume(std::size_t count);
    // When to hand the next group of bytes to the line; nothing when empty.
    std::optional<SteadyTime> NextWake() const;
    void Clear() { pending_.clear(); }

private:
    struct Byte {
        char value;
        SteadyTime due;
    };

    std::deque<Byte> pending_;
    LinePacer pacer_;
    std::mt19937 random_;
};

}  // namespace veltra::sim
