#include "SerialChannel.h"

#include "ChannelWatch.h"
#include "PosixSerial.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace veltra {

namespace {

constexpr size_t kMaxNameLength = 511;

bool IsLineGone(int error)
{
    return error == EIO || error == ENXIO || error == EPIPE || error == ENODEV;
}

}  // namespace

SerialChannel::SerialChannel(const std::string& portName, const std::string& devicePath, DeliveryGate& gate,
                             ChannelWatch& watch)
    : portName_(portName.substr(0, kMaxNameLength)),
      devicePath_(devicePath.substr(0, kMaxNameLength)),
      gate_(gate),
      watch_(watch)
{
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &SerialChannel::OnDeadline);
}

SerialChannel::~SerialChannel()
{
    Close();
}

void SerialChannel::SetHandlers(DataHandler data, EventHandler event)
{
    onData_ = std::move(data);
    onEvent_ = std::move(event);
}

void SerialChannel::Rename(const std::string& portName, const std::string& devicePath)
{
    Close();
    portName_ = portName.substr(0, kMaxNameLength);
    devicePath_ = devicePath.substr(0, kMaxNameLength);
}

bool SerialChannel::Open(uint32_t baudRate)
{
    Close();
    baudRate_ = baudRate;
    if (devicePath_.empty()) {
        lastOpenError_ = posix::ErrorText(ENOENT);
        return false;
    }
    int error = 0;
    const int fd = posix::OpenSerialPort(devicePath_, baudRate, error);
    if (fd < 0) {
        lastOpenError_ = posix::ErrorText(error);
        return false;
    }
    watched_ = watch_.Add(fd, [this] { OnReadable(); }, [this] { EndPause(); });
    if (watched_ == 0) {
        lastOpenError_ = posix::ErrorText(errno);
        posix::CloseSerialPort(fd, baudRate);
        return false;
    }
    fd_ = fd;
    ++session_;
    lastOpenError_.clear();
    awaiting_ = false;
    lineLost_ = false;
    paced_ = false;
    rateShown_ = false;
    resumeAfterDelivery_ = false;
    judging_ = false;
    lateness_.Forget();
    retryCount_ = 0;
    return true;
}

void SerialChannel::Close()
{
    if (fd_ < 0)
        return;
    ++session_;  // what is still queued for this session is dropped
    watch_.Remove(watched_);
    watched_ = 0;
    deadline_.stop();
    awaiting_ = false;
    posix::CloseSerialPort(fd_, baudRate_);
    fd_ = -1;
}

bool SerialChannel::Send(char code, const std::string& bytes, uint32_t timeoutMs, ReplyShape reply)
{
    if (fd_ < 0)
        return false;
    lastCode_ = code;
    lastRequest_ = bytes.substr(0, module_facts::kBufferSize);
    timeoutMs_ = timeoutMs;
    reply_ = reply;
    retryCount_ = 0;
    const bool written = Write(lastRequest_) && lastRequest_.size() == bytes.size();
    AwaitReply();
    // A line already lost answers nothing: say so at once, but from the event
    // loop, not from inside the sender's own step.
    ArmDeadline(lineLost_ ? 0 : timeoutMs_);
    return written;
}

bool SerialChannel::Write(const std::string& bytes)
{
    if (bytes.empty())
        return true;
    // Twice the time the bytes need on the line, plus a second: a driver whose
    // queue never drains is not waited for for ever.
    const uint32_t rate = std::max<uint32_t>(baudRate_, 1);
    const int deadlineMs = static_cast<int>(1000 + static_cast<int64_t>(bytes.size()) * 10 * 1000 * 2 / rate);
    int error = 0;
    const long written = posix::WriteAll(fd_, -1, reinterpret_cast<const uint8_t*>(bytes.data()),
                                         static_cast<long>(bytes.size()), deadlineMs, error);
    if (IsLineGone(error))
        LineLost();
    return written == static_cast<long>(bytes.size());
}

void SerialChannel::AwaitReply()
{
    awaiting_ = true;
    ++request_;
    received_ = 0;
    resumeAfterDelivery_ = false;
    judging_ = false;
    pausedAtSend_ = paced_ && PauseFor(reply_.lineChars, rateShown_);
    pausedUntilWhole_ = pausedAtSend_ && rateShown_;
    if (!pausedAtSend_)
        Resume();
}

void SerialChannel::ReplyComplete()
{
    awaiting_ = false;
    // Inside its own chunk's handler the next request usually follows at
    // once, and is often paused for: the port is watched again after the
    // handler unless that request has settled it, not watched only to stop.
    if (delivering_)
        resumeAfterDelivery_ = true;
    else
        Resume();
}

// A read-back's thousands of characters take a known time on the line, and
// the driver hands them over a few at a time; waking for each few costs a
// wake-up per port per millisecond. Once part of a reply of known length is
// here, the port is left alone until shortly before the rest can have
// arrived, then watched again. A line seen to deliver at its rate that way
// is not looked at after a request either, until shortly before the whole
// reply can be here; a reply found whole by then shows a line faster than
// its rate, and the next request is watched from the start again, while one
// found still coming shows the line keeps its rate: from then on the port is
// left alone until the whole reply can be here, and as long again as its
// end has lately come after that, one wake-up per request instead of two (a
// line is never faster than its rate, so this holds until the port is opened
// again). A reply that turns out shorter is seen at the latest when its full
// length would have been.
bool SerialChannel::PauseFor(size_t chars, bool untilWhole)
{
    if (!awaiting_ || lineLost_ || watched_ == 0 || baudRate_ == 0)
        return false;
    // Characters of 10 bits; wake while the last 2 ms of them are still due,
    // or once the last is: the watch wakes within microseconds of that.
    using std::chrono::microseconds;
    const microseconds lineTime{static_cast<int64_t>(static_cast<double>(chars) * 10'000'000.0 / baudRate_)};
    constexpr microseconds kEarly{2000};
    if (lineTime - kEarly < kEarly)
        return false;
    const microseconds pause = untilWhole ? lineTime + lateness_.Extra(lineTime) : lineTime - kEarly;
    watch_.PauseUntil(watched_, std::chrono::steady_clock::now() + pause);
    return true;
}

void SerialChannel::PauseForRest(size_t received)
{
    const bool first = received_ == 0;
    received_ += received;
    if (received_ < reply_.length && PauseFor(reply_.length - received_, false) && first && !pausedAtSend_)
        paced_ = true;
}

void SerialChannel::Resume()
{
    if (watched_ != 0 && !lineLost_)
        watch_.SetWatched(watched_, true);
}

// What came during the pause is read at once: waiting for the event loop to
// report it readable would cost a pass of the loop on every long reply. The
// port is watched again only when what was read leaves it neither paused
// again nor watched already: a whole reply whose handler sends the next
// request, paused for too, changes nothing in the watch's set.
void SerialChannel::EndPause()
{
    if (watched_ == 0 || lineLost_)
        return;
    // Whether a reply awaited whole is whole at this look, or how long its
    // end still takes, tells how much longer to wait for the next one.
    if (pausedUntilWhole_ && awaiting_ && received_ == 0) {
        judging_ = true;
        lookedAt_ = std::chrono::steady_clock::now();
    }
    atLook_ = true;
    OnReadable();
    atLook_ = false;
    if (!watch_.Paused(watched_) && !resumeAfterDelivery_)
        Resume();
}

bool SerialChannel::ResendWithinLimit()
{
    if (fd_ < 0 || retryCount_ >= retryLimit_)
        return false;
    ++retryCount_;
    Write(lastRequest_);
    AwaitReply();
    ArmDeadline(timeoutMs_);
    return true;
}

void SerialChannel::OnReadable()
{
    size_t count = 0;
    bool hungUp = false;
    while (count < buffer_.size()) {
        const size_t room = buffer_.size() - count;
        const ssize_t n = ::read(fd_, buffer_.data() + count, room);
        if (n > 0) {
            count += static_cast<size_t>(n);
            // The tty gave all it had: no second call just for EAGAIN, unless
            // a pause may follow, which must not leave bytes already here.
            if (static_cast<size_t>(n) < room && (!awaiting_ || received_ + count >= reply_.length))
                break;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // VMIN is 1: nothing queued reads as EAGAIN, so 0 bytes means a hang-up.
        hungUp = n == 0 || errno != EAGAIN;
        break;
    }
    if (count > 0) {
        // Learnt before the handler can send the next request.
        if (awaiting_ && pausedAtSend_ && !pausedUntilWhole_ && received_ == 0) {
            paced_ = count < reply_.length;
            rateShown_ = paced_;
        }
        if (judging_ && awaiting_ && received_ + count >= reply_.length) {
            judging_ = false;
            if (atLook_ && received_ == 0)
                lateness_.OnTime();
            else
                lateness_.Late(std::chrono::duration_cast<std::chrono::microseconds>(watch_.WokeAt() - lookedAt_));
        }
        const uint64_t session = session_;
        const uint64_t request = request_;
        std::string chunk(buffer_.data(), count);
        const bool nested = delivering_;
        delivering_ = true;
        gate_.Deliver([this, session, chunk = std::move(chunk)] {
            if (session == session_ && fd_ >= 0 && onData_)
                onData_(chunk.data(), chunk.size());
        });
        delivering_ = nested;
        // The handler may have taken the reply as whole, or sent the next
        // request; only a reply still awaited and still the same is paused for.
        if (session == session_ && request == request_)
            PauseForRest(count);
        if (resumeAfterDelivery_ && !delivering_) {
            resumeAfterDelivery_ = false;
            Resume();
        }
    }
    if (hungUp)
        LineLost();
}

void SerialChannel::LineLost()
{
    if (lineLost_)
        return;
    lineLost_ = true;
    // A hung-up tty reports itself readable for ever: stop watching it.
    watch_.SetWatched(watched_, false);
    if (awaiting_)
        ArmDeadline(0);  // an unplugged adapter never answers: no point in waiting
}

// The timer is started only when none runs that ends by the time-out: a
// request answered in time leaves it running, and the next request's wait is
// usually as long, so it ends before that wait does and is started again for
// the rest. Starting and stopping a timer for every request cost more than
// this one check per time-out's length.
void SerialChannel::ArmDeadline(uint32_t timeoutMs)
{
    const auto now = std::chrono::steady_clock::now();
    deadlineAt_ = now + std::chrono::milliseconds(timeoutMs);
    if (deadline_.isActive() && timerEndsAt_ <= deadlineAt_)
        return;
    StartDeadlineTimer(now);
}

void SerialChannel::StartDeadlineTimer(std::chrono::steady_clock::time_point now)
{
    // Rounded up, so that a time-out never comes before its time.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadlineAt_ - now);
    const auto interval = std::clamp<int64_t>(left.count(), 0, INT32_MAX);
    timerEndsAt_ = now + std::chrono::milliseconds(interval);
    deadline_.start(static_cast<int>(interval));
}

void SerialChannel::OnDeadline()
{
    if (!awaiting_)
        return;
    if (const auto now = std::chrono::steady_clock::now(); now < deadlineAt_) {
        StartDeadlineTimer(now);
        return;
    }
    if (retryLimit_ == 0 || lineLost_) {
        Raise(kEventTimeOut);
        return;
    }
    if (retryCount_ >= retryLimit_) {
        ++retryCount_;
        Raise(kEventRetryOver);
        return;
    }
    ++retryCount_;
    Write(lastRequest_);
    AwaitReply();
    ArmDeadline(timeoutMs_);
}

void SerialChannel::Raise(int16_t code)
{
    awaiting_ = false;  // one event per request
    Resume();
    const uint64_t session = session_;
    gate_.Deliver([this, session, code] {
        if (session == session_ && fd_ >= 0 && onEvent_)
            onEvent_(code);
    });
}

}  // namespace veltra
