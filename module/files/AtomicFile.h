#pragma once

#include <string>

namespace veltra {

// Replaces the file at `path` with `content` so that a reader sees either the old
// file or the whole new one, never a half-written one: the bytes go to a temporary
// file in the same folder, are flushed to disk, and the temporary file is renamed
// over the target. On failure the old file is untouched, the temporary file is
// removed, and `error` holds the system's description naming the file.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error);

// The system's description of errno value `code`, with the file it concerns.
std::string DescribeFileError(const std::string& path, int code);

}  // namespace veltra
