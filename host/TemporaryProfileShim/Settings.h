#pragma once

#include <string>

namespace veltra {

std::string ReadCountry(const std::string& root);
std::string HostCaptionPath(const std::string& root, const std::string& country);

}  // namespace veltra
