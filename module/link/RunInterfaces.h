#pragma once

#include "CommandRecord.h"
#include "PortSlot.h"

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
    // Writes the request with its reply time-out; the channel then awaits a reply.
    virtual void Send(int port, const CommandRecord& record, uint32_t timeoutMs) = 0;
    // The awaited reply is complete: the channel stops waiting for it.
    virtual void ReplyArrived(int port) = 0;
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
    std::string loadRomFirst = "Please, load a ROM file...";
    std::string downloaderCaption = "Veltra Downloader";
};

}  // namespace veltra
