#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltra {

// The lines of one settings or caption file ([SECTION] headers, KEY=value lines,
// ";" comments), read and changed without disturbing anything else in it.
//
// Lines that do not fit the syntax are kept but carry no value: a key before the
// first section, a line without "=", a "[" without "]". Where a section name or a
// key occurs twice, the first occurrence counts and later ones are never read or
// written, as with the profile functions the files were first written for.
class ProfileDocument {
public:
    ProfileDocument() = default;
    explicit ProfileDocument(std::string_view text);

    // The value as the user means it: blanks at both ends and one pair of
    // wrapping quotes removed, cut to kProfileValueLimit bytes. Empty when the
    // key is present without a value; nullopt when the section or key is missing.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    // The same without the cut, for lists of our own that may grow longer.
    std::optional<std::string> WholeValue(std::string_view section, std::string_view key) const;

    // The keys of the section's entries in file order, each once, spelt as
    // first written: the keys `Value` finds there. Empty when the section is missing.
    std::vector<std::string> Keys(std::string_view section) const;

    // The value, or `defaultValue` (cut to the same limit) when it is missing.
    std::string ValueOr(std::string_view section, std::string_view key, std::string_view defaultValue) const;

    // Replaces the key's line where it stands, or adds the key after the last
    // entry of its section, or adds the section at the end. New lines end the way
    // the file's first line does. A value with blanks at its ends, or one that is
    // itself wrapped in quotes, is written quoted so that it reads back unchanged.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Whether `Set` can store the pair so that it reads back: names and value on
    // one line, names without blanks at their ends, a section name without "]",
    // a non-empty key without "=" that does not look like a comment or a section.
    static bool CanStore(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;

private:
    struct Line {
        std::string text;  // without its line end
        std::string end;   // "\n", "\r\n" or empty for a last line without one
    };
    struct Location {
        std::optional<std::size_t> key;
        std::optional<std::size_t> lastOfSection;  // header or last entry line
    };

    Location Find(std::string_view section, std::string_view key) const;
    std::string LineEnd() const;

    std::string byteOrderMark_;
    std::vector<Line> lines_;
};

}  // namespace veltra
