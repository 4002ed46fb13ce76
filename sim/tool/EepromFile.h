#pragma once

#include <optional>
#include <string>

#include "BoardMemory.h"

namespace veltra::sim {

// The EEPROM a module starts with, from a file: for now a raw image of exactly
// 512 bytes. Other formats join here, chosen by the file's extension.
std::optional<EepromImage> LoadEepromFile(const std::string& path, std::string& error);

}  // namespace veltra::sim
