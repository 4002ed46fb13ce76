#pragma once

#include <string>
#include <string_view>

namespace veltra {

// Rewrites the escapes of a caption text: "\\" gives a backslash, "\n" a line
// feed, "\r" a carriage return, "\t" a tab. A backslash before any other
// character is dropped together with that character, and a backslash at the
// end is dropped. Everything else is copied.
std::string UnescapeCaption(std::string_view raw);

// One caption from the caption file at `captionFile`: the value read with the
// profile rules (and so already cut to its limit), or `defaultText` when the
// file, the section or the key is missing; either way with the escapes rewritten.
std::string ReadCaption(const std::string& captionFile, std::string_view section, std::string_view key,
                        std::string_view defaultText);

}  // namespace veltra
