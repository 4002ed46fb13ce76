#include "ParameterFile.h"

#include "AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>

namespace veltra {

namespace {

// No real parameter line comes near this; a longer one means the file is not
// a parameter file, and reading it whole could exhaust memory.
constexpr size_t kMaxLineLength = 64 * 1024;
// The EEPROM holds 512 bytes, so a real table is a few hundred lines; a file
// of this size is something else, and every line of it would become a row.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;

// Splits like the C library's tokeniser: runs of separators count as one and
// separators at either end are ignored, so empty fields vanish.
std::vector<std::string> Tokenise(const std::string& line)
{
    std::vector<std::string> fields;
    size_t pos = 0;
    while (pos < line.size()) {
        const size_t start = line.find_first_not_of(',', pos);
        if (start == std::string::npos)
            break;
        const size_t end = line.find(',', start);
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        pos = end == std::string::npos ? line.size() : end;
    }
    return fields;
}

ParameterEntry RowFromLine(const std::string& line, size_t number)
{
    ParameterEntry row;
    row.id = std::to_string(number);
    std::string* columns[] = {&row.hexAddress, &row.name, &row.size, &row.type, &row.value};
    const std::vector<std::string> fields = Tokenise(line);
    for (size_t i = 0; i < fields.size() && i < std::size(columns); ++i)
        *columns[i] = fields[i];
    return row;
}

enum class LineRead { Line, End, TooLong, Error };

// One line without its line feed; a last line without one counts, but the
// line feed that ends the file does not start another line.
LineRead ReadLine(std::istream& in, std::string& line)
{
    line.clear();
    if (in.peek() == std::char_traits<char>::eof())
        return in.bad() ? LineRead::Error : LineRead::End;
    char c = 0;
    while (in.get(c)) {
        if (c == '\n')
            return LineRead::Line;
        if (line.size() == kMaxLineLength)
            return LineRead::TooLong;
        line.push_back(c);
    }
    return in.bad() ? LineRead::Error : LineRead::Line;
}

}  // namespace

ParameterLoadStatus LoadParameterFile(const std::string& path, ParameterTable& table, std::string& error)
{
    // A folder opens as a stream that only fails on reading, and a FIFO would
    // hold the window until something writes to it.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = DescribeFileError(path, errno);
        return ParameterLoadStatus::CannotOpen;
    }
    if (S_ISDIR(st.st_mode)) {
        error = DescribeFileError(path, EISDIR);
        return ParameterLoadStatus::CannotOpen;
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + ": is not a regular file";
        return ParameterLoadStatus::CannotOpen;
    }
    if (st.st_size > kMaxFileSize) {
        error = path + ": is too large for a parameter file";
        return ParameterLoadStatus::CannotOpen;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = DescribeFileError(path, errno ? errno : EACCES);
        return ParameterLoadStatus::CannotOpen;
    }
    return ReadParameterStream(in, path, table, error);
}

ParameterLoadStatus ReadParameterStream(std::istream& in, const std::string& path, ParameterTable& table,
                                        std::string& error)
{
    // Read aside, so that a file that fails half way leaves the list the user
    // had, edits and uploaded values included.
    ParameterTable read;
    std::string line;
    for (size_t lineNumber = 1;; ++lineNumber) {
        switch (ReadLine(in, line)) {
        case LineRead::End:
            BuildTransferMask(read);
            table = std::move(read);
            return ParameterLoadStatus::Loaded;
        case LineRead::TooLong:
            error = path + ": line " + std::to_string(lineNumber) + " is too long for a parameter file";
            return ParameterLoadStatus::ReadError;
        case LineRead::Error:
            error = DescribeFileError(path, errno ? errno : EIO);
            return ParameterLoadStatus::ReadError;
        case LineRead::Line:
            break;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '#')
            continue;
        read.rows.push_back(RowFromLine(line, read.rows.size() + 1));
    }
}

std::string FormatParameterFile(const ParameterTable& table, const CalendarDate& date)
{
    std::string text = "# Last Updated : " + std::to_string(date.year) + "." + std::to_string(date.month) + "." +
                       std::to_string(date.day) + "\r\n";
    text += "# This file includes follows Data\r\n";
    text += "# Data Address(Dec and Hex format), Parameter Name, Data Size, Data\r\n";
    text += "# DEC,HEX,Name,Size,Data,Type\r\n";
    text += "# Data Type : U - Unsigned, S - Singed, C - Character String, H - Hex String(Hex Code String), R - RESERVED\r\n";
    for (const ParameterEntry& row : table.rows) {
        text += row.decimalAddress + "," + row.hexAddress + "," + row.name + "," + row.size + "," + row.type + "," +
                row.value + "\r\n";
    }
    return text;
}

bool SaveParameterFile(const std::string& path, const ParameterTable& table, std::string& error)
{
    return WriteFileAtomically(path, FormatParameterFile(table, TodayUtc()), error);
}

}  // namespace veltra
