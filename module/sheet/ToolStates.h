#pragma once

#include <array>

namespace veltra {

// Which host commands are enabled: 40 entries, 0 disabled, nonzero enabled.
namespace tool {
constexpr int kParamMode0 = 0;
constexpr int kParameterFiles = 2;
constexpr int kParamMode3 = 3;
constexpr int kParamDownload2 = 5;
constexpr int kParamUpload2 = 6;
constexpr int kModuleTest = 7;
constexpr int kRomDownload = 21;
constexpr int kParamDownload = 22;
constexpr int kParamUpload = 23;
}  // namespace tool

using ToolStateTable = std::array<int, 40>;

}  // namespace veltra
