#pragma once

#include <filesystem>

namespace veltra {

struct LockKeys {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// The lock keys as the keyboards' LEDs show them; a lock counts as on when
// any keyboard lights it. No readable LEDs (a virtual display) reads as all off.
LockKeys ReadLockKeys(const std::filesystem::path& ledsFolder = "/sys/class/leds");

}  // namespace veltra
