#pragma once

#include <cstdint>
#include <string>

#include "NorFlash.h"

namespace veltra::sim {

// What the boot loader prints after a read-back request's echo: CR LF, then the
// bytes first..last in lines of sixteen, "AAAA=" and two upper-case digits per
// byte, each line ending CR LF. Lines count from `first`, not from a 16-byte
// boundary, so n bytes take 7 x ceil(n / 16) + 2n characters. A range whose
// first address lies above its last is empty and gives CR LF alone.
std::string ReadBackDisplay(const NorFlash& flash, std::uint32_t first, std::uint32_t last);

}  // namespace veltra::sim
