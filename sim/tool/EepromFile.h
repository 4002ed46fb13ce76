#pragma once

#include <optional>
#include <string>

#include "BoardMemory.h"

namespace veltra::sim {

// The EEPROM a module starts with, from a file: a parameter file (".vtp"),
// whose rows give the values at their addresses, or else a raw image of
// exactly 512 bytes.
std::optional<EepromImage> LoadEepromFile(const std::string& path, std::string& error);

}  // namespace veltra::sim
