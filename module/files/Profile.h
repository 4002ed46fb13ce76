#pragma once

#include "ProfileDocument.h"

#include <string>
#include <string_view>

namespace veltra {

// The file's lines; an empty document when the file is missing, unreadable or
// far larger than any settings or caption file (a few MiB), because a file that
// cannot be read means "use the defaults".
ProfileDocument LoadProfileDocument(const std::string& path);

// The value of `key` in `section` of the file at `path` (see ProfileDocument::Value),
// or `defaultValue` when the file, the section or the key is missing. Never fails.
std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view defaultValue);

// Sets `key` in `section` of the file at `path`, creating the file and the
// section when they are missing and keeping every other line byte for byte.
// The file is replaced atomically, so a failed write leaves the old file whole.
// On failure `error` says why and nothing has changed.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value, std::string& error);

}  // namespace veltra
