#pragma once

#include "ParameterTable.h"
#include "UtcClock.h"

#include <istream>
#include <string>

namespace veltra {

// Only a file read to its end replaces the table; otherwise the table keeps
// every row, tick and value it had, and `error` names the file and says why.
enum class ParameterLoadStatus {
    Loaded,       // every line read; rows replaced and the mask rebuilt
    CannotOpen,   // missing, unreadable, a folder or far too large
    ReadError,    // failed part way, or a line too long for a parameter file
};

// Fills `table` from a parameter file: "#" lines are comments, every other line
// (an empty one too) is a row whose comma-separated fields go to the HEX#,
// Description, Size, Type and Value columns, empty fields dropped.
ParameterLoadStatus LoadParameterFile(const std::string& path, ParameterTable& table, std::string& error);

// The same from an open stream; `name` is what messages call it.
ParameterLoadStatus ReadParameterStream(std::istream& in, const std::string& name, ParameterTable& table,
                                        std::string& error);

// The whole file text a save writes: five header lines dated `date`, then one
// line per row, every line ending in CR LF.
std::string FormatParameterFile(const ParameterTable& table, const CalendarDate& date);

// Writes the table to `path`, dated today in UTC. The old file is replaced only
// by a complete new one; on failure `error` holds the system's description.
bool SaveParameterFile(const std::string& path, const ParameterTable& table, std::string& error);

}  // namespace veltra
