#pragma once

#include <QStringList>

#include <string>
#include <vector>

namespace veltra::cli {

// A port of the command line and what it leads to.
struct PortTarget {
    std::string given;   // as on the command line: what the output calls it
    std::string name;    // the engine's name for it: "ttyUSB0", or a path outside /dev
    std::string device;  // the device it leads to, links followed: "/dev/ttyUSB0"
};

// A name without a leading "/", "./" or "../" is a port name as the port list
// shows it; anything else is a path, and a path below /dev goes by the name of
// the device it leads to, so that a by-path link is the adapter's own port.
// A path elsewhere (a virtual module's link) keeps its own name, as the
// settings file's extra ports do. False, with `error`, when two arguments are
// the same device: the second open would fail as "in use" by the first.
bool ResolvePorts(const QStringList& arguments, std::vector<PortTarget>& targets, std::string& error);

}  // namespace veltra::cli
