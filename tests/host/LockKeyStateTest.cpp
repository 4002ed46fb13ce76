#include "LockKeyState.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace veltra::testing {
namespace {

TEST(LockKeyState, ALockIsOnWhenAnyKeyboardLightsIt)
{
    TempDir leds;
    leds.Write("input3::capslock/brightness", "1\n");
    leds.Write("input3::numlock/brightness", "0\n");
    leds.Write("input7::numlock/brightness", "1\n");
    leds.Write("input3::scrolllock/max_brightness", "1\n");
    leds.Write("phy0-led/brightness", "1\n");
    const LockKeys keys = ReadLockKeys(leds.Path());
    EXPECT_TRUE(keys.caps);
    EXPECT_TRUE(keys.num);
    EXPECT_FALSE(keys.scroll);

    const LockKeys none = ReadLockKeys(leds.Path() / "absent");
    EXPECT_FALSE(none.caps || none.num || none.scroll);
}

}  // namespace
}  // namespace veltra::testing
