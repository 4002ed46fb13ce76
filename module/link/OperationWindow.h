#pragma once

#include "PortSlot.h"

#include <array>
#include <cstdint>
#include <string>

namespace veltra {

// Requests an operation window makes of its owner, the sheet.
namespace request {
constexpr int kStartRead = 0;        // with 'P' (upload) or 'J' (test records)
constexpr int kStartRun = 1;         // with '?', 'Q' or 'H'
constexpr int kEnd = 9;              // closed with its button: the operation ends
constexpr int kRegisterStatus = 10;  // the status window has opened
constexpr int kRegisterOther = 11;   // another operation window has opened
}  // namespace request

class OperationWindow;

// The sheet as its operation windows see it.
class OperationOwner {
public:
    virtual ~OperationOwner() = default;
    // 10 or 11: `window` has opened and is the operation window from now on.
    virtual void RegisterOperationWindow(int type, OperationWindow* window) = 0;
    // 0 or 1 with the command letter: start the run; 9: the window was closed
    // with its button.
    virtual void OnOperationRequest(int type, int value) = 0;
};

// What the sheet and its run tell the operation window that is open. Every
// window acts on the messages that concern it and ignores the others.
class OperationWindow {
public:
    virtual ~OperationWindow() = default;
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
    // Closes the window as its hidden OK would, without a request to the owner.
    virtual void CloseWithOk() {}
    // Every port of the run has ended: from now on Enter and Escape may close
    // the window again.
    virtual void RunEnded() {}
};

}  // namespace veltra
