#pragma once

#include "ReplyDispatcher.h"

#include <QCoreApplication>

#include <map>
#include <string>
#include <vector>

namespace veltra::testing {

// Ports as the sheet would present them, recording what the engine does.
class FakePorts : public PortLink {
public:
    explicit FakePorts(int count) : names(static_cast<size_t>(count)), checked(static_cast<size_t>(count), true),
                                    open(static_cast<size_t>(count), true), baud(static_cast<size_t>(count), 115200),
                                    sent(static_cast<size_t>(count)), images(static_cast<size_t>(count), -1),
                                    awaiting(static_cast<size_t>(count), false)
    {
        for (int i = 0; i < count; ++i)
            names[static_cast<size_t>(i)] = "ttyV" + std::to_string(i);
    }

    int PortCount() const override { return static_cast<int>(names.size()); }
    std::string PortName(int port) const override { return names.at(static_cast<size_t>(port)); }
    bool IsChecked(int port) const override { return checked.at(static_cast<size_t>(port)); }
    bool IsOpen(int port) const override { return open.at(static_cast<size_t>(port)); }
    uint32_t BaudRate(int port) const override { return baud.at(static_cast<size_t>(port)); }
    void OpenCheckedPorts() override { ++openCalls; }
    bool ReopenAt(int port, uint32_t rate) override
    {
        baud.at(static_cast<size_t>(port)) = rate;
        return open.at(static_cast<size_t>(port));
    }
    bool Send(int port, const CommandRecord& record, uint32_t timeoutMs) override
    {
        sent.at(static_cast<size_t>(port)).push_back(record);
        awaiting.at(static_cast<size_t>(port)) = true;
        lastTimeout = timeoutMs;
        return open.at(static_cast<size_t>(port));
    }
    void ReplyArrived(int port) override { awaiting.at(static_cast<size_t>(port)) = false; }
    bool RetryRequest(int) override { return false; }
    std::string OpenError(int) const override { return {}; }
    void Close(int port) override { open.at(static_cast<size_t>(port)) = false; }
    void SetPortStatus(int port, int image) override { images.at(static_cast<size_t>(port)) = image; }

    std::vector<std::string> names;
    std::vector<bool> checked;
    std::vector<bool> open;
    std::vector<uint32_t> baud;
    std::vector<std::vector<CommandRecord>> sent;
    std::vector<int> images;
    std::vector<bool> awaiting;
    uint32_t lastTimeout = 0;
    int openCalls = 0;
};

struct RecordedNotice {
    StatusNotice notice;
    int range;
    std::string portName;
};

class FakeObserver : public RunObserver {
public:
    void Notice(const StatusNotice& n, int range, const std::string& portName) override
    {
        notices.push_back({n, range, portName});
    }
    void ShowPortError(const std::string& portName, const std::string& text) override
    {
        errors[portName] = text;
    }
    void ShowMessage(const std::string& caption, const std::string& text) override
    {
        messages.push_back(caption + ": " + text);
    }
    void EnableDisconnect() override { disconnectEnabled = true; }
    void SetRowResult(int row, int kind, const std::string& text) override
    {
        rowResults.push_back(std::to_string(row) + ":" + std::to_string(kind) + ":" + text);
    }
    void RunOver(const StatusNotice& n, int value) override { runOvers.push_back({n, value, {}}); }
    void PortOver(int port, int value) override { portOvers.emplace_back(port, value); }
    void RecordReadMovesTo(int port, const std::string& portName) override
    {
        recordPorts.push_back(std::to_string(port) + ":" + portName);
    }
    void RecordComplete(int port, const std::array<uint8_t, 4>& record) override { records[port] = record; }
    void ParameterRowChanged(int row) override { changedRows.push_back(row); }
    void RunEnded() override { ++runsEnded; }

    int Count(int code) const
    {
        int n = 0;
        for (const auto& r : notices)
            n += r.notice.code == code ? 1 : 0;
        return n;
    }

    std::vector<RecordedNotice> notices;
    std::map<std::string, std::string> errors;
    std::vector<std::string> messages;
    bool disconnectEnabled = false;
    std::vector<std::string> rowResults;
    std::vector<RecordedNotice> runOvers;
    std::vector<std::pair<int, int>> portOvers;
    std::vector<std::string> recordPorts;
    std::map<int, std::array<uint8_t, 4>> records;
    std::vector<int> changedRows;
    int runsEnded = 0;
};

// Timers need an application object; one serves every test of the binary.
inline void EnsureCoreApplication()
{
    static int argc = 1;
    static char name[] = "engine_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

}  // namespace veltra::testing
