#include "Transmitter.h"

#include <algorithm>

#include "WakeGroup.h"

namespace veltra::sim {

void Transmitter::Queue(const std::string& bytes, SteadyTime ready, const Shape& shape)
{
    // Nothing goes out before what is already queued.
    if (!pending_.empty()) {
        ready = std::max(ready, pending_.back().due);
    }
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
        pending_.push_back({bytes[i], pacer_.Schedule(ready, shape.pacedRate)});
    }
}

std::string Transmitter::Due(SteadyTime now) const
{
    std::string out;
    for (const Byte& byte : pending_) {
        if (byte.due > now) {
            break;
        }
        out += byte.value;
    }
    return out;
}

void Transmitter::Consume(std::size_t count)
{
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(std::min(count, pending_.size())));
}

std::optional<SteadyTime> Transmitter::NextWake() const
{
    if (pending_.empty()) {
        return std::nullopt;
    }
    return GroupDue(pending_);
}

}  // namespace veltra::sim
