#pragma once

#include "ChannelPacket.h"
#include "ReceiveHandover.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace veltra {

// What the sheet gives every channel when it builds its port list. The line is
// always 8 data bits, no parity, one stop bit, no flow control, DTR and RTS off.
struct ChannelSettings {
    int16_t portIndex = 0;
    std::string portName;       // as in the port list: "ttyUSB0", or an absolute path
    uint32_t baudRate = 57600;  // replaced before each open
    uint16_t timeoutMs = 60000;
    uint16_t retryLimit = 0;
    bool eventsMuted = false;
    ChannelEventCallback eventCallback;
};

// One serial port with its reader and watcher threads, line settings, reply
// time-out and last request.
//
// Threads: the owner (the sheet's GUI thread, the thread of the ReceiveHandover
// given to SetNotifyWindow) calls Open, SendData, ReplyComplete and Close, and
// destroys the channel. Received chunks and the watcher's events reach the owner
// through the hand-over object, never on a channel thread, so the handlers may
// touch widgets and close channels. An event raised by a channel that has been
// closed since is dropped, not delivered late.
class SerialChannel {
public:
    static constexpr int kBufferSize = 8193;

    SerialChannel();
    ~SerialChannel();  // closes first: no thread outlives its channel

    SerialChannel(const SerialChannel&) = delete;
    SerialChannel& operator=(const SerialChannel&) = delete;

    // Copies the settings and forms the device path ("/dev/" + name, or the name
    // itself when it is an absolute path; names past 511 characters are cut).
    // Returns whether the path is non-empty. Does not open.
    bool Configure(const ChannelSettings& settings);

    // Where received chunks and events go: the hand-over object on the owner's
    // thread, and the owner's handler. Chunks that arrive while either is unset
    // are read and dropped.
    void SetNotifyWindow(ReceiveHandover* handover);
    void SetDataHandler(ChannelDataHandler handler);
    void SetEventCallback(ChannelEventCallback callback);

    // Opens the port (closing it first when open) and starts the reader thread,
    // and the watcher thread when timeoutMs is non-zero. On failure the channel
    // stays closed, no thread runs, and LastOpenError() has the system's text.
    bool Open();
    // Stops both threads, sends what was written (bounded wait) and closes. Safe
    // on a closed channel and from inside this channel's own handlers.
    void Close();

    // Writes the request: 1 when all `length` bytes were written, else 0; 0 and
    // nothing else on a closed channel. Either way the request counts as sent:
    // it is kept for resends and the reply time-out starts.
    int SendData(const ChannelPacket& packet);
    // The dispatcher's word that the awaited reply is complete: stamps the send
    // time and clears awaitingReply, so the watcher stops timing the request.
    void ReplyComplete();
    // A reply came that is not the one awaited: the last request goes out
    // again when the retry limit allows one more, counted as the watcher's
    // resends are; false when it does not.
    bool ResendWithinLimit();

    // The packet the owner's data handler dispatches: the port, the device path,
    // the last request's code and command, `count` bytes of receiveBuffer.
    ChannelPacket ReceivedPacket(int count) const;

    void SetTimeout(uint16_t ms);
    uint16_t GetTimeout() const;
    void SetRetryLimit(uint16_t limit);
    uint16_t RetryLimit() const;
    void SetBaudRate(uint32_t rate);
    uint32_t BaudRate() const { return baudRate_; }
    void SetEventsMuted(bool muted) { eventsMuted_ = muted; }
    bool EventsMuted() const { return eventsMuted_; }
    void SetSelected(bool selected) { selected_ = selected; }
    bool Selected() const { return selected_; }

    int16_t PortIndex() const { return portIndex_; }
    const std::string& PortName() const { return portName_; }  // as configured
    const std::string& DevicePath() const { return devicePath_; }
    bool IsOpen() const { return isOpen_; }
    bool ReaderRunning() const { return readerRunning_; }
    bool WatcherRunning() const { return watcherRunning_; }
    bool AwaitingReply() const;
    int RetryCount() const;
    uint8_t LastCode() const;
    uint16_t LastCommand() const;
    uint16_t LastLength() const;
    std::chrono::steady_clock::time_point LastSendTime() const;
    // The copy of the last request that resends use (LastLength() bytes). Only
    // the owner writes it, so the owner may read it without more ado.
    const uint8_t* LastRequest() const { return lastRequest_.data(); }
    // The last chunk handed to the owner, zero-filled past its end. Read it only
    // on the owner's thread.
    const uint8_t* ReceiveBuffer() const { return receiveBuffer_.data(); }
    // The payload of the last event raised.
    int16_t EventCode() const { return eventCode_; }
    const char* EventText() const { return eventText_; }
    // The system's text for the last failed Open ("Permission denied"), empty
    // after a successful one.
    const std::string& LastOpenError() const { return lastOpenError_; }

private:
    struct Token;
    void StartWatcher();
    void ReaderLoop();
    void WatcherLoop();
    void DeliverChunk(int count);
    void MarkLineLost();
    bool WriteRequest(const uint8_t* data, int length);
    void RaiseEvent(int16_t code);
    void EmitEvent(int16_t code);
    void JoinThreads();

    // Settings and identity; written by the owner while closed.
    std::string portName_;
    std::string devicePath_;
    std::atomic<int16_t> portIndex_{0};
    std::atomic<uint32_t> baudRate_{57600};
    std::atomic<bool> eventsMuted_{false};
    std::atomic<bool> selected_{false};
    ChannelEventCallback eventCallback_;
    ChannelDataHandler dataHandler_;
    std::atomic<ReceiveHandover*> handover_{nullptr};
    std::string lastOpenError_;

    // The open port.
    int fd_ = -1;
    int wakeFd_ = -1;  // eventfd: made readable by Close to wake reader and writers
    std::atomic<bool> isOpen_{false};
    std::atomic<bool> readerRunning_{false};
    std::atomic<bool> watcherRunning_{false};
    std::thread readerThread_;
    std::thread watcherThread_;
    HandoverGate gate_;
    std::shared_ptr<Token> token_;  // lets late events find out whether this session still exists

    // Request and reply state, shared by the owner and the watcher.
    mutable std::mutex stateMutex_;
    std::condition_variable watcherWake_;
    uint16_t timeoutMs_ = 60000;
    uint16_t retryLimit_ = 0;
    int retryCount_ = 0;
    bool awaitingReply_ = false;
    bool timeoutReported_ = false;  // one event per request, not one every 10 ms
    bool lineLost_ = false;
    std::chrono::steady_clock::time_point lastSendTime_{};
    uint8_t lastCode_ = 0;
    uint16_t lastCommand_ = 0;
    uint16_t lastLength_ = 0;
    std::array<uint8_t, kBufferSize> lastRequest_{};
    std::mutex writeMutex_;  // the owner's SendData and the watcher's resends

    std::array<uint8_t, kBufferSize> incoming_{};       // the reader's chunk before the hand-over
    std::array<uint8_t, kBufferSize> receiveBuffer_{};  // owner's thread only
    std::atomic<int16_t> eventCode_{0};
    std::atomic<const char*> eventText_{""};
};

}  // namespace veltra
