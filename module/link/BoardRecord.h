#pragma once

#include <QJsonObject>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace veltra {

// What one operation on one port did to one board.
struct BoardRecord {
    struct Phase {
        std::string name;
        std::int64_t ms = 0;
    };

    std::chrono::system_clock::time_point start;
    std::chrono::system_clock::time_point end;
    std::string host;
    std::string slot;           // the slot's name, empty when it has none
    std::string port;
    std::string adapterSerial;  // empty when the adapter reports none
    std::string operation;      // "rom", "params-down", "params-up", "test", "records"
    bool ok = false;
    std::string failure;        // empty when ok
    std::vector<Phase> phases;
    QJsonObject data;           // what the operation adds: file, addresses, values, result
};

// "2024-05-06T12:34:56.789Z"
std::string UtcTimestamp(std::chrono::system_clock::time_point time);

QJsonObject BoardRecordJson(const BoardRecord& record);

// This machine's name, for BoardRecord::host.
std::string ThisHostName();

}  // namespace veltra
