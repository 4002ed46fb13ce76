#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace veltra {

// Codes of the notices a run sends to its operation window.
namespace notice {
constexpr int kPhaseStarts = 100;
constexpr int kPhaseDone = 101;
constexpr int kProgress = 102;
constexpr int kRunFinished = 206;
}  // namespace notice

// The run's single notice record: {active, code, value, port}.
struct StatusNotice {
    int active = 0;
    int code = 0;
    int value = 0;
    int port = 0;
};

// What an operation window asks of the engine, and how it registers.
namespace request {
constexpr int kStartRead = 0;        // with 'P' (upload) or 'J' (test records)
constexpr int kStartRun = 1;         // with '?', 'Q' or 'H'
constexpr int kEnd = 9;              // closed with its button: the operation ends
constexpr int kRegisterStatus = 10;  // the status window has opened
constexpr int kRegisterOther = 11;   // another operation window has opened
}  // namespace request

// What the record read shows for a port it could not read.
constexpr int kRecordTimedOut = 11;
constexpr int kRecordWrongReply = 12;

// Where a run tells how it goes: the open operation window, or whatever a
// program without windows puts in its place. Each acts on what concerns it
// and ignores the rest.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // A notice of the run; `range` goes with code 100, `portName` with the others.
    virtual void Notice(const StatusNotice&, int /*range*/, const std::string& /*portName*/) {}
    virtual void ShowPortError(const std::string& /*portName*/, const std::string& /*text*/) {}
    virtual void SetRowText(const std::string& /*text*/, int /*row*/) {}
    // Colour kind 1 black, 2 red, 3 blue.
    virtual void SetRowResult(int /*row*/, int /*kind*/, const std::string& /*text*/) {}
    // The run (with the shared notice) or a port (with its index) is over.
    virtual void RunOver(const StatusNotice&, int /*value*/) {}
    virtual void PortOver(int /*port*/, int /*value*/) {}
    virtual void RecordReadMovesTo(int /*port*/, const std::string& /*portName*/) {}
    virtual void RecordComplete(int /*port*/, const std::array<uint8_t, 4>& /*record*/) {}
    // Every port of the run has ended, done or failed: nothing runs any more.
    virtual void RunEnded() {}
};

}  // namespace veltra
