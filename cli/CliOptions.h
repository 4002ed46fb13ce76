#pragma once

#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

namespace veltra::cli {

// The command line, checked: every value is in range and every option belongs
// to the command it was given with.
struct CliOptions {
    std::string command;  // ports, rom, params-down, params-up, test, records
    QStringList ports;    // as given
    std::string root;     // the program folder whose config/ and Data/ are used
    bool json = false;
    bool quiet = false;
    int retry = 0;
    std::optional<uint32_t> timeoutMs;

    std::string hexFile;
    uint32_t baud = 115200;
    bool erase = true;
    bool blankCheck = true;
    bool program = true;
    bool verify = false;
    bool initErase = false;

    std::string vtpFile;
    std::string outFile;
    std::string rows = "all";
    std::optional<std::string> items;  // eight 0/1 characters
};

// What the command line asks for.
enum class ParseOutcome { Run, Help, Version, Wrong };

// Parses `arguments` (the program's name first). On Wrong, `message` says
// what is wrong; on Help and Version it holds the text to print.
ParseOutcome ParseCommandLine(const QStringList& arguments, const std::string& programFolder, CliOptions& options,
                              std::string& message);

}  // namespace veltra::cli
