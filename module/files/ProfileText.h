#pragma once

#include <cstddef>
#include <string_view>

namespace veltra {

// Values of settings and caption files were read into 512-byte buffers by the
// original tool, so no value is ever longer than this.
inline constexpr std::size_t kProfileValueLimit = 511;

// Removes blanks (spaces and tabs) at both ends.
std::string_view TrimBlanks(std::string_view text);

// Compares section and key names the way the files have always been read:
// letter case does not matter (ASCII letters; other bytes compare as they are).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Removes one pair of quotation marks (double or single) that wraps the whole
// text, the only way a file value keeps blanks at its ends.
std::string_view Unquote(std::string_view text);

// The first `limit` bytes of `text`, shortened further where the cut would
// split a UTF-8 character, so that a caption never ends in half a letter.
std::string_view CutWholeCharacters(std::string_view text, std::size_t limit);

}  // namespace veltra
