#pragma once

#include <string>
#include <string_view>

namespace veltra {

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view defaultValue);

}  // namespace veltra
