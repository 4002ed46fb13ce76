#pragma once

#include "CommandRecord.h"
#include "PortSlot.h"

#include <array>
#include <cstdint>
#include <string>

namespace veltra {

// Images of the port list's status column.
namespace port_image {
constexpr int kOpen = 0;
constexpr int kClosed = 1;
constexpr int kInitialEraseDone = 3;
}  // namespace port_image

// The ports as the sheet holds them: its list with the check boxes and one
// serial channel per row.
class PortLink {
public:
    virtual ~PortLink() = default;
    virtual int PortCount() const = 0;
    virtual std::string PortName(int port) const = 0;
    virtual bool IsChecked(int port) const = 0;
    virtual bool IsOpen(int port) const = 0;
    virtual uint32_t BaudRate(int port) const = 0;
    // Opens every ticked port that is not open at the sheet's rate, closes open
    // ports that are no longer ticked.
    virtual void OpenCheckedPorts() = 0;
    // Closes the port if open and opens it again at `baud`; false when it fails.
    virtual bool ReopenAt(int port, uint32_t baud) = 0;
    // The system's reason the port's last open failed; empty when it did not.
    virtual std::string OpenError(int port) const = 0;
    // Writes the request with its reply time-out; the channel then awaits a
    // reply. False when not every byte went out.
    virtual bool Send(int port, const CommandRecord& record, uint32_t timeoutMs) = 0;
    // The awaited reply is complete: the channel stops waiting for it.
    virtual void ReplyArrived(int port) = 0;
    // Writes the last request again when the port's retry limit allows one
    // more; false when it does not.
    virtual bool RetryRequest(int port) = 0;
    virtual void Close(int port) = 0;
    virtual void SetPortStatus(int port, int image) = 0;
};

// The operation window of the run and the sheet's messages to the user.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // `range` is the progress maximum for code 100; the port's name goes with
    // the other codes.
    virtual void Notice(const StatusNotice& notice, int range, const std::string& portName) = 0;
    virtual void ShowPortError(const std::string& portName, const std::string& text) = 0;
    virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
    virtual void EnableDisconnect() = 0;
    // A status window row's colour (1 black, 2 red, 3 blue) and text.
    virtual void SetRowResult(int row, int kind, const std::string& text) = 0;
    // "A run or a port is over" to the operation window, with the shared notice
    // or with a port index.
    virtual void RunOver(const StatusNotice& notice, int value) = 0;
    virtual void PortOver(int port, int value) = 0;
    // The test record read moves to `port`, and the port's record is complete.
    virtual void RecordReadMovesTo(int port, const std::string& portName) = 0;
    virtual void RecordComplete(int port, const std::array<uint8_t, 4>& record) = 0;
    // An upload filled a row's Value.
    virtual void ParameterRowChanged(int row) = 0;
    // Every port of the run has ended, done or failed: nothing runs any more.
    virtual void RunEnded() = 0;
};

// Which phases of a ROM download run, read when each next phase is chosen.
struct RomOptions {
    bool erase = false;
    bool blankCheck = false;
    bool romDown = false;
    bool verify = false;
};

// Texts the engine shows, from the sheet's caption file.
struct RunTexts {
    std::string timeOut = "Time Out!";
    std::string checkSum = "Check sum";
    std::string verificationFail = "Verification Fail!";
    std::string wrongReply = "Wrong reply!";
    std::string loadRomFirst = "Please, load a ROM file...";
    std::string downloaderCaption = "Veltra Downloader";
    std::string uploadCaption = "Parameter Upload";
    std::string downloadCaption = "Parameter Download";
    std::string testCaption = "Module Test";
    std::string cannotOpen = "Can not open a serial port:";
    std::string selectPort = "Please, select a port";
    std::string selectPorts = "Please, select ports";
    std::string onlyOneScale = "You should select a only ONE scale.";
    std::string noParameter = "There is no selected parameter.";
    std::string checkParameter = "Please, check the parameter data:";
    std::string testPassed = "Test Passed";
    std::string testFailed = "Fail!";
};

}  // namespace veltra
