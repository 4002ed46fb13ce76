#include "LockKeyState.h"
#include "TempDir.h"

#include <gtest/gtest.h>

// A lock is on when any keyboard lights it; no readable LEDs read as all off.
TEST(LockKeyState, ALockIsOnWhenAnyKeyboardLightsIt)
{
    veltra::testing::TempDir leds;
    for (const auto& [file, value] : {std::pair{"input3::capslock/brightness", "1"}, {"input3::numlock/brightness", "0"},
                                      {"input7::numlock/brightness", "1"}, {"input3::scrolllock/max_brightness", "1"},
                                      {"phy0-led/brightness", "1"}})
        leds.Write(file, std::string(value) + "\n");
    const veltra::LockKeys keys = veltra::ReadLockKeys(leds.Path());
    EXPECT_TRUE(keys.caps && keys.num && !keys.scroll);
    const veltra::LockKeys none = veltra::ReadLockKeys(leds.Path() / "absent");
    EXPECT_FALSE(none.caps || none.num || none.scroll);
}
