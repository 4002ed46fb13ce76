#pragma once

#include <string>

namespace veltra::cli {

// The `ports` command: every port the sheet would list, with its device, its
// by-path place, its USB adapter and whether it can be opened now.
void ListPorts(const std::string& root, bool json);

}  // namespace veltra::cli
