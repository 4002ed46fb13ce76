#pragma once

#include <cstdint>
#include <functional>

namespace veltra {

// The codes a channel raises.
enum ChannelEventCode : int16_t {
    kEventOnConnect = 1,  // "OnConnect": the port was opened and its reader started
    kEventSendData = 5,   // "SendData": a request was written
    kEventRetryOver = 8,  // "Retry Over": no reply after retryLimit resends
    kEventTimeOut = 11,   // "Time out!": no reply while retryLimit is 0, or the line is gone
};

// The payload of a channel event: the pair a ChannelPacket's data points at.
struct ChannelEvent {
    int16_t eventCode = 0;
    const char* eventText = "";
};

// The record in which a request enters a channel and in which a channel reports
// received data or an event.
struct ChannelPacket {
    static constexpr uint8_t kKindSerial = 3;
    static constexpr uint8_t kCodeEvent = 4;
    static constexpr uint16_t kEventLength = 8;

    int16_t port = 0;                // the port's index in the sheet's port list
    const char* portName = nullptr;  // the channel's device path, e.g. "/dev/ttyUSB0"
    uint8_t kind = kKindSerial;
    uint8_t received = 0;            // 1 for received data
    uint8_t code = 0;                // command code of the request (of the last request for received data), 4 for an event
    uint16_t tag1 = 0;               // passed through unchanged
    uint16_t tag2 = 0;               // passed through unchanged
    uint16_t command = 0;            // the code as a 16-bit value
    uint16_t length = 0;             // byte count of data; 8 for an event
    const uint8_t* data = nullptr;   // the bytes; for an event, a ChannelEvent

    bool IsEvent() const { return code == kCodeEvent && length == kEventLength && data != nullptr; }
    const ChannelEvent& Event() const { return *reinterpret_cast<const ChannelEvent*>(data); }
};

// Runs on the owner's thread with every event of a channel.
using ChannelEventCallback = std::function<void(const ChannelPacket& packet)>;

// Runs on the owner's thread with every received chunk: the port index, the
// channel's receiveBuffer and the number of bytes in it (1 to 8,193).
using ChannelDataHandler = std::function<void(int16_t port, const uint8_t* buffer, int count)>;

}  // namespace veltra
