#pragma once

namespace veltra::cli {

// What the program's exit status tells a script.
enum class ExitStatus {
    Passed = 0,       // every port passed
    Failed = 1,       // at least one port failed
    Interrupted = 2,  // SIGINT or SIGTERM stopped the run
    Usage = 3,        // the command line is wrong
    Refused = 4,      // a file or its values were refused; nothing was sent
    NoPort = 5,       // not one port could be opened
};

}  // namespace veltra::cli
