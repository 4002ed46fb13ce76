#pragma once

#include "DeliveryGate.h"
#include "ModuleFacts.h"
#include "ReplyLateness.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace veltra {

class ChannelWatch;

// One serial port: its line settings, its reply time-out and its last request.
//
// Threads: none of its own. A channel lives on its owner's thread (the one
// that created it and runs an event loop), and everything happens there: the
// port is watched through the bank's ChannelWatch, and a reply's time-out is a
// single-shot timer that runs while a reply is awaited and ends at most one
// time-out after the last, so an idle port costs nothing. While a reply of
// known length, or its rest, is still on its way at the line's rate, the port
// is not watched, and the watch's own timer ends the pause: see PauseFor.
// Received chunks (what the driver had queued, at most 8,193 bytes) and
// events reach the owner's handlers through the gate, in order.
// A handler may close the channel; a chunk or event still queued for a
// channel closed since is dropped.
class SerialChannel : public QObject {
    Q_OBJECT

public:
    using DataHandler = std::function<void(const char* data, size_t count)>;
    using EventHandler = std::function<void(int16_t code)>;

    // `portName` as the port list shows it ("ttyUSB0", or an absolute path),
    // and the device it names.
    SerialChannel(const std::string& portName, const std::string& devicePath, DeliveryGate& gate,
                  ChannelWatch& watch);
    ~SerialChannel() override;  // closes first

    void SetHandlers(DataHandler data, EventHandler event);
    // The adapter of this port's place is now another device; closes first.
    void Rename(const std::string& portName, const std::string& devicePath);
    // Resends a request at most this often before "Retry Over"; with 0 the
    // first time-out is reported as it is.
    void SetRetryLimit(uint16_t limit) { retryLimit_ = limit; }

    // Opens the port exclusively, raw 8N1 at `baudRate` (closing it first when
    // open). On failure the channel stays closed and LastOpenError() says why.
    bool Open(uint32_t baudRate);
    // Sends what was written (bounded wait) and closes. Safe on a closed
    // channel and from inside its own handlers.
    void Close();

    // What is known of a reply before it comes; 0 where nothing is.
    struct ReplyShape {
        size_t length = 0;     // its characters
        size_t lineChars = 0;  // on the line from the request's first character to the reply's last
    };
    // Writes the request and waits `timeoutMs` for its reply. True when every
    // byte went out; either way the request counts as sent, so a missing reply
    // ends in the time-out. A line found lost is reported at once.
    bool Send(char code, const std::string& bytes, uint32_t timeoutMs, ReplyShape reply);
    // The awaited reply is complete: the time-out is off.
    void ReplyComplete();
    // A reply came that is not the one awaited: the request goes out again
    // when the retry limit allows one more, counted as the time-out's
    // resends are; false when it does not.
    bool ResendWithinLimit();

    bool IsOpen() const { return fd_ >= 0; }
    uint32_t BaudRate() const { return baudRate_; }
    const std::string& PortName() const { return portName_; }
    const std::string& DevicePath() const { return devicePath_; }
    char LastCode() const { return lastCode_; }
    bool AwaitingReply() const { return awaiting_; }
    // The system's text for the last failed Open ("Permission denied").
    const std::string& LastOpenError() const { return lastOpenError_; }

private:
    void OnReadable();
    void OnDeadline();
    void ArmDeadline(uint32_t timeoutMs);
    void StartDeadlineTimer(std::chrono::steady_clock::time_point now);
    // A new wait for a reply starts: nothing of it has come yet.
    void AwaitReply();
    bool PauseFor(size_t chars, bool untilWhole);
    void PauseForRest(size_t received);
    void Resume();
    void EndPause();
    void LineLost();
    bool Write(const std::string& bytes);
    void Raise(int16_t code);

    std::string portName_;
    std::string devicePath_;
    DeliveryGate& gate_;
    DataHandler onData_;
    EventHandler onEvent_;
    int fd_ = -1;
    uint32_t baudRate_ = 0;
    uint64_t session_ = 0;  // counts opens, so late work for an earlier one is dropped
    ChannelWatch& watch_;
    uint64_t watched_ = 0;  // the port's entry in the watch while open
    QTimer deadline_;  // may run past a reply: see ArmDeadline
    std::chrono::steady_clock::time_point deadlineAt_;  // of the reply awaited
    std::chrono::steady_clock::time_point timerEndsAt_;
    ReplyShape reply_;
    size_t received_ = 0;
    uint64_t request_ = 0;  // counts waits for a reply, so a late chunk is not counted for the next
    std::string lastRequest_;
    char lastCode_ = 0;
    uint32_t timeoutMs_ = 0;
    uint16_t retryLimit_ = 0;
    int retryCount_ = 0;
    bool awaiting_ = false;
    bool lineLost_ = false;
    bool paced_ = false;        // replies come at the line's rate, not all at once
    bool rateShown_ = false;     // a reply was still coming shortly before it could be whole
    bool pausedAtSend_ = false;  // this reply is not looked at until it can be nearly whole
    bool pausedUntilWhole_ = false;  // or until it can be whole
    bool delivering_ = false;        // inside its own chunk's handler
    bool resumeAfterDelivery_ = false;  // the reply is complete: watch once the handler is back
    ReplyLateness lateness_;            // of this line's replies awaited whole
    bool judging_ = false;              // this reply tells how late such replies end
    bool atLook_ = false;               // reading at a pause's end
    std::chrono::steady_clock::time_point lookedAt_;
    std::string lastOpenError_;
    std::array<char, module_facts::kBufferSize> buffer_{};
};

}  // namespace veltra
