#pragma once

#include <string>

namespace veltra::sim {

// The module's end of a pseudo-terminal. The tool opens the slave by its path;
// the module keeps the master, non-blocking. The slave starts raw so that nothing
// the module sends is echoed or rewritten before the tool sets the line up.
class PseudoTerminal {
public:
    // Throws std::system_error when no pseudo-terminal can be had.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int Master() const { return master_; }
    const std::string& Path() const { return path_; }

private:
    int master_ = -1;
    std::string path_;
};

}  // namespace veltra::sim
