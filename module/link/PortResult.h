#pragma once

#include <QJsonObject>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace veltra {

// How one port's part in one operation ended: what the command-line program
// prints and the station's record of every board keeps.
struct PortResult {
    struct Phase {
        std::string name;
        int64_t ms = 0;
    };

    int port = -1;
    std::string portName;
    std::string operation;  // "rom", "params-down", "params-up", "test", "records"
    bool ok = false;
    std::string failure;    // what the operation window shows for it; empty when ok
    std::chrono::system_clock::time_point start;
    std::chrono::system_clock::time_point end;
    std::vector<Phase> phases;
    QJsonObject data;       // what the operation did: image, values, test result, record
};

}  // namespace veltra
