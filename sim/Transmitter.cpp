#include "Transmitter.h"

#include <algorithm>

namespace veltra::sim {

namespace {

// Paced bytes fall due one character time apart; waking for each would cost a
// thread wake-up per character on every port, which on a busy bench starves
// the tool itself. Wake instead when a few milliseconds' worth is due, or at
// the last byte of a shorter burst, so that the end of every burst, which is
// what the other side waits for, is still on time. Real adapters hand over
// their bytes in groups too.
constexpr std::chrono::microseconds kWakeGroup{4000};

// Sent bytes are dropped from the front only once they are the larger part,
// so that a long reply is not shifted down after every group.
constexpr std::size_t kCompactAfter = 4096;

}  // namespace

void Transmitter::Queue(const std::string& bytes, SteadyTime ready, const Shape& shape)
{
    // Nothing goes out before what is already queued.
    if (head_ < due_.size()) {
        ready = std::max(ready, due_.back());
    }
    bytes_ += bytes;
    due_.reserve(due_.size() + bytes.size());
    std::size_t pieceLeft = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (shape.splitAt && i == *shape.splitAt && i > 0) {
            ready += shape.chunkGap;
        }
        if (shape.chunkMax > 0) {
            if (pieceLeft == 0) {
                if (i > 0) {
                    ready += shape.chunkGap;
                }
                pieceLeft = std::uniform_int_distribution<std::size_t>(1, shape.chunkMax)(random_);
            }
            --pieceLeft;
        }
        due_.push_back(pacer_.Schedule(ready, shape.pacedRate));
    }
}

std::string_view Transmitter::Due(SteadyTime now) const
{
    const auto from = due_.begin() + static_cast<std::ptrdiff_t>(head_);
    const auto count = static_cast<std::size_t>(std::upper_bound(from, due_.end(), now) - from);
    return std::string_view(bytes_).substr(head_, count);
}

void Transmitter::Consume(std::size_t count)
{
    head_ = std::min(head_ + count, due_.size());
    if (head_ == due_.size()) {
        Clear();
    } else if (head_ >= kCompactAfter && head_ * 2 >= due_.size()) {
        bytes_.erase(0, head_);
        due_.erase(due_.begin(), due_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
}

std::optional<SteadyTime> Transmitter::NextWake() const
{
    if (head_ == due_.size()) {
        return std::nullopt;
    }
    const auto from = due_.begin() + static_cast<std::ptrdiff_t>(head_);
    // The last byte due within the group's span from the front.
    return *(std::upper_bound(from, due_.end(), *from + kWakeGroup) - 1);
}

void Transmitter::Clear()
{
    bytes_.clear();
    due_.clear();
    head_ = 0;
}

}  // namespace veltra::sim
