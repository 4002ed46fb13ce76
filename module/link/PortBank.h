#pragma once

#include "CommandRecord.h"
#include "ChannelWatch.h"
#include "DeliveryGate.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veltra {

class SerialChannel;

// What a port is now, as the port list shows it.
enum class PortState {
    Closed,
    Open,
    OpenFailed,        // with the system's reason
    InitialEraseDone,  // closed after its module was told to give way to its boot loader
    Unplugged,         // its adapter is gone; its row stays for when it comes back
};

// Whoever shows the ports: told of every change of a port's state.
class PortStateListener {
public:
    virtual ~PortStateListener() = default;
    virtual void PortStateChanged(int port, PortState state, const std::string& reason) = 0;
};

// Where a bank sends what its ports receive: each chunk, and each port that
// stopped waiting for a reply (8 "Retry Over", 11 "Time out!") on a request
// of `lastCode`. The bank has closed that port already.
class PortReceiver {
public:
    virtual ~PortReceiver() = default;
    virtual void OnReceivedData(int port, const char* data, size_t count) = 0;
    virtual void OnPortTimedOut(int port, int eventCode, char lastCode) = 0;
};

// The serial ports of the tool: their names, rates, states and channels, and
// which of them the next run is for. Rows are only ever added, so a port's
// index stays its own for the bank's whole life.
//
// Everything runs on the owner's thread. Each channel's chunks and events go
// straight to the receiver, one at a time across all ports; a time-out is
// dealt with here once: the port is closed and shown closed, then the
// receiver hears of it.
class PortBank {
public:
    PortBank();
    ~PortBank();
    PortBank(const PortBank&) = delete;
    PortBank& operator=(const PortBank&) = delete;

    void SetReceiver(PortReceiver* receiver) { receiver_ = receiver; }
    void SetListener(PortStateListener* listener) { listener_ = listener; }
    // Resends allowed for every port's requests before "Retry Over".
    void SetRetryLimit(uint16_t limit);

    // Where relative port names live: "/dev" but in a test's own machine.
    void SetDeviceRoot(std::string root) { deviceRoot_ = std::move(root); }
    // Adds a port by its name ("ttyUSB0", or an absolute path); its index.
    int AddPort(const std::string& name);
    int PortCount() const;
    const std::string& PortName(int port) const;
    const std::string& DevicePath(int port) const;
    // How runs name the port to the operator ("Nest 17 (ttyUSB3)"); the port
    // name unless set.
    void SetLabel(int port, const std::string& label);
    const std::string& Label(int port) const;

    // The port's adapter went away, or came back as `name` (the same place,
    // maybe under another number). A port gone while a reply is awaited is
    // timed out at once.
    void Unplug(int port);
    void Replug(int port, const std::string& name);
    bool Present(int port) const;

    void SetSelected(int port, bool selected);
    bool Selected(int port) const;
    int SelectedCount() const;

    // Opens the port at `baud` (again, when it is open) and shows the outcome.
    bool Open(int port, uint32_t baud);
    void Close(int port);
    // Closes the port and shows it with `state`.
    void CloseAs(int port, PortState state);
    void CloseAll();
    // Every selected port runs at `baud`: opened, or opened again when it is
    // open at another rate; open ports not selected are closed. The number of
    // selected ports open afterwards.
    int OpenSelected(uint32_t baud);

    bool IsOpen(int port) const;
    uint32_t BaudRate(int port) const;
    std::string OpenError(int port) const;

    // Writes the request with its reply time-out; false when not every byte went out.
    bool Send(int port, const CommandRecord& record, uint32_t timeoutMs);
    void ReplyArrived(int port);
    bool RetryRequest(int port);
    bool AwaitingReply(int port) const;

private:
    struct Port;
    SerialChannel& Channel(int port) const;
    void Show(int port, PortState state, const std::string& reason = {});
    void OnEvent(int port, int16_t code);

    std::string DeviceOf(const std::string& name) const;

    DeliveryGate gate_;
    ChannelWatch watch_;  // before the ports: their channels leave it as they close
    std::string deviceRoot_ = "/dev";
    std::vector<Port> ports_;
    PortReceiver* receiver_ = nullptr;
    PortStateListener* listener_ = nullptr;
    uint16_t retryLimit_ = 0;
};

}  // namespace veltra
