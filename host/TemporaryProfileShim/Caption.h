#pragma once

#include <string>
#include <string_view>

namespace veltra {

std::string ReadCaption(const std::string& captionFile, std::string_view section, std::string_view key,
                        std::string_view defaultText);

}  // namespace veltra
