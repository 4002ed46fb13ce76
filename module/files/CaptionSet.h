#pragma once

#include "CaptionCatalogue.h"

#include <string>
#include <string_view>
#include <vector>

namespace veltra {

// The texts of one window, read once when the window initialises: every
// catalogue entry of its reader, from the caption file or its English default,
// escapes rewritten. A changed file shows the next time the window opens.
class CaptionSet {
public:
    CaptionSet(const std::string& captionFile, CaptionReader reader);

    // The set for `reader` from the caption file of `country` below `root`.
    static CaptionSet ForCountry(const std::string& root, const std::string& country, CaptionReader reader);

    // The text of a catalogue entry of this reader; an empty text for a pair the
    // reader does not own, which shows up as a blank label rather than a crash.
    const std::string& Text(std::string_view section, std::string_view key) const;

private:
    struct Caption {
        std::string_view section;
        std::string_view key;
        std::string text;
    };
    std::vector<Caption> captions_;
};

}  // namespace veltra
