#include "ReplyLateness.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using veltra::ReplyLateness;
using Micros = ReplyLateness::Micros;

// The wait added to a reply awaited whole follows how late such replies have
// ended: up by what a late one missed, but by a tenth of a millisecond at
// most, so one stall does not hold back every later reply; down a little with
// each reply found whole; never past 2 ms or an eighth of the reply's time.
TEST(ReplyLateness, RisesWithLateEndsInBoundedStepsAndFallsSlowly)
{
    constexpr Micros kLong{20'000};  // a reply long enough for no eighth to bound it
    ReplyLateness lateness;
    struct Step {
        std::string what;
        std::function<void()> event;
        Micros lineTime;
        Micros extra;
    };
    const Step steps[] = {
        {"nothing known yet", [] {}, kLong, Micros{0}},
        {"whole at first", [&] { lateness.OnTime(); }, kLong, Micros{0}},
        {"late by 0.07 ms", [&] { lateness.Late(Micros{70}); }, kLong, Micros{70}},
        {"whole", [&] { lateness.OnTime(); }, kLong, Micros{50}},
        {"a stall of 5 ms", [&] { lateness.Late(Micros{5000}); }, kLong, Micros{150}},
        {"a clock gone back", [&] { lateness.Late(Micros{-40}); }, kLong, Micros{150}},
        {"a short reply", [] {}, Micros{800}, Micros{100}},
        {"many stalls",
         [&] {
             for (int i = 0; i < 30; ++i)
                 lateness.Late(Micros{1000});
         },
         kLong, Micros{2000}},
        {"a new session", [&] { lateness.Forget(); }, kLong, Micros{0}},
    };
    for (const Step& step : steps) {
        step.event();
        EXPECT_EQ(lateness.Extra(step.lineTime).count(), step.extra.count()) << step.what;
    }
}
