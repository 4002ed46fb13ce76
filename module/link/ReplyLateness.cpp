#include "ReplyLateness.h"

#include <algorithm>

namespace veltra {

namespace {

using Micros = ReplyLateness::Micros;

constexpr Micros kLargestRise{100};
constexpr Micros kFall{20};
// The wait added never exceeds this, nor an eighth of the line time: what
// comes later than that is read as it comes, on a second wake-up.
constexpr Micros kMost{2000};
constexpr int kShareOfLineTime = 8;

}  // namespace

void ReplyLateness::OnTime()
{
    lateBy_ -= std::min(lateBy_, kFall);
}

void ReplyLateness::Late(Micros missedBy)
{
    lateBy_ = std::min(kMost, lateBy_ + std::clamp(missedBy, Micros{0}, kLargestRise));
}

Micros ReplyLateness::Extra(Micros lineTime) const
{
    return std::min(lateBy_, lineTime / kShareOfLineTime);
}

}  // namespace veltra
