#include "SerialChannel.h"

#include "PortDiscovery.h"
#include "PosixSerial.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace veltra {

namespace {

const char* EventTextOf(int16_t code)
{
    switch (code) {
    case kEventOnConnect: return "OnConnect";
    case kEventSendData: return "SendData";
    case kEventRetryOver: return "Retry Over";
    case kEventTimeOut: return "Time out!";
    default: return "";
    }
}

constexpr size_t kMaxNameLength = 511;

}  // namespace

// Queued events hold this rather than the channel: by the time one runs on the
// owner's thread the channel may have been closed, reopened or destroyed.
struct SerialChannel::Token {
    explicit Token(SerialChannel* owner)
        : channel(owner)
    {
    }
    std::atomic<SerialChannel*> channel;
    std::atomic<uint64_t> session{0};
};

SerialChannel::SerialChannel()
    : token_(std::make_shared<Token>(this))
{
}

SerialChannel::~SerialChannel()
{
    Close();
    token_->channel.store(nullptr);
}

bool SerialChannel::Configure(const ChannelSettings& settings)
{
    Close();
    portIndex_ = settings.portIndex;
    portName_ = settings.portName.substr(0, kMaxNameLength);
    devicePath_ = DevicePathFromName(portName_);
    baudRate_ = settings.baudRate;
    {
        std::lock_guard lock(stateMutex_);
        timeoutMs_ = settings.timeoutMs;
        retryLimit_ = settings.retryLimit;
    }
    eventsMuted_ = settings.eventsMuted;
    eventCallback_ = settings.eventCallback;
    return !devicePath_.empty();
}

void SerialChannel::SetNotifyWindow(ReceiveHandover* handover)
{
    handover_ = handover;
}

void SerialChannel::SetDataHandler(ChannelDataHandler handler)
{
    dataHandler_ = std::move(handler);
}

void SerialChannel::SetEventCallback(ChannelEventCallback callback)
{
    eventCallback_ = std::move(callback);
}

bool SerialChannel::Open()
{
    if (devicePath_.empty()) {
        lastOpenError_ = posix::ErrorText(ENOENT);
        return false;
    }
    if (isOpen_) {
        Close();
    }
    int error = 0;
    const int fd = posix::OpenSerialPort(devicePath_, baudRate_, error);
    if (fd < 0) {
        lastOpenError_ = posix::ErrorText(error);
        return false;
    }
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        lastOpenError_ = posix::ErrorText(errno);
        posix::CloseSerialPort(fd, baudRate_);
        return false;
    }
    fd_ = fd;
    wakeFd_ = wake;
    lastOpenError_.clear();
    gate_.released = false;
    uint16_t timeout = 0;
    {
        std::lock_guard lock(stateMutex_);
        awaitingReply_ = false;
        timeoutReported_ = false;
        lineLost_ = false;
        retryCount_ = 0;
        timeout = timeoutMs_;
    }
    token_->session.fetch_add(1);
    isOpen_ = true;
    readerRunning_ = true;
    readerThread_ = std::thread(&SerialChannel::ReaderLoop, this);
    // The watcher before the event: a handler that closes the channel at once
    // must find every thread it has to stop.
    if (timeout != 0) {
        StartWatcher();
    }
    RaiseEvent(kEventOnConnect);
    return true;
}

void SerialChannel::StartWatcher()
{
    if (!isOpen_ || watcherThread_.joinable()) {
        return;
    }
    watcherRunning_ = true;
    watcherThread_ = std::thread(&SerialChannel::WatcherLoop, this);
}

void SerialChannel::Close()
{
    if (!isOpen_.exchange(false)) {
        return;
    }
    token_->session.fetch_add(1);  // events still queued for this session are dropped
    {
        std::lock_guard lock(stateMutex_);
        watcherRunning_ = false;
        awaitingReply_ = false;
        timeoutReported_ = false;
    }
    watcherWake_.notify_all();
    readerRunning_ = false;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeFd_, &one, sizeof one);
    // A reader may be waiting for the owner to take a chunk, and the owner may be
    // this very thread: let it go before waiting for it.
    gate_.released = true;
    if (ReceiveHandover* handover = handover_.load()) {
        handover->Release(gate_);
    }
    JoinThreads();
    posix::CloseSerialPort(fd_, baudRate_);
    fd_ = -1;
    ::close(wakeFd_);
    wakeFd_ = -1;
}

void SerialChannel::JoinThreads()
{
    for (std::thread* thread : {&watcherThread_, &readerThread_}) {
        if (!thread->joinable()) {
            continue;
        }
        if (thread->get_id() == std::this_thread::get_id()) {
            thread->detach();  // never wait for the calling thread itself
        } else {
            thread->join();
        }
    }
}

int SerialChannel::SendData(const ChannelPacket& packet)
{
    if (!isOpen_) {
        return 0;
    }
    const int length = packet.data != nullptr ? std::min<int>(packet.length, kBufferSize) : 0;
    {
        std::lock_guard lock(stateMutex_);
        lastCode_ = packet.code;
        lastCommand_ = packet.command;
        lastLength_ = static_cast<uint16_t>(length);
        if (length > 0) {
            std::memcpy(lastRequest_.data(), packet.data, static_cast<size_t>(length));
        }
    }
    portIndex_ = packet.port;
    // A request longer than the resend copy is cut there and reported as not
    // written in full.
    const bool written = WriteRequest(packet.data, length) && length == (packet.data != nullptr ? packet.length : 0);
    RaiseEvent(kEventSendData);
    {
        std::lock_guard lock(stateMutex_);
        retryCount_ = 0;
        lastSendTime_ = std::chrono::steady_clock::now();
        awaitingReply_ = true;
        timeoutReported_ = false;
    }
    watcherWake_.notify_all();  // a line already lost is reported at once
    return written ? 1 : 0;
}

bool SerialChannel::WriteRequest(const uint8_t* data, int length)
{
    if (length <= 0) {
        return length == 0;
    }
    std::lock_guard lock(writeMutex_);
    if (fd_ < 0) {
        return false;
    }
    // Twice the time the bytes need on the line, plus a second: a driver whose
    // queue never drains is not waited for forever.
    const uint32_t rate = std::max<uint32_t>(baudRate_, 1);
    const int deadlineMs = static_cast<int>(1000 + static_cast<int64_t>(length) * 10 * 1000 * 2 / rate);
    int error = 0;
    const long written = posix::WriteAll(fd_, wakeFd_, data, length, deadlineMs, error);
    if (error == EIO || error == ENXIO || error == EPIPE || error == ENODEV) {
        MarkLineLost();
    }
    return written == length;
}

void SerialChannel::ReplyComplete()
{
    std::lock_guard lock(stateMutex_);
    lastSendTime_ = std::chrono::steady_clock::now();
    awaitingReply_ = false;
}

bool SerialChannel::ResendWithinLimit()
{
    std::array<uint8_t, kBufferSize> request;
    uint16_t length = 0;
    {
        std::lock_guard lock(stateMutex_);
        if (!isOpen_ || retryCount_ >= retryLimit_)
            return false;
        ++retryCount_;
        length = lastLength_;
        std::memcpy(request.data(), lastRequest_.data(), length);
    }
    WriteRequest(request.data(), length);
    std::lock_guard lock(stateMutex_);
    lastSendTime_ = std::chrono::steady_clock::now();
    awaitingReply_ = true;
    timeoutReported_ = false;
    return true;
}

ChannelPacket SerialChannel::ReceivedPacket(int count) const
{
    ChannelPacket packet;
    packet.port = portIndex_;
    packet.portName = devicePath_.c_str();
    packet.received = 1;
    {
        std::lock_guard lock(stateMutex_);
        packet.code = lastCode_;
        packet.command = lastCommand_;
    }
    packet.length = static_cast<uint16_t>(std::clamp(count, 0, kBufferSize));
    packet.data = receiveBuffer_.data();
    return packet;
}

void SerialChannel::ReaderLoop()
{
    bool lost = false;
    while (readerRunning_) {
        struct pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
        // Once the line is gone only the wake-up is watched: a hung-up tty
        // reports itself ready for ever and would spin this thread.
        const int ready = ::poll(fds, lost ? 1 : 2, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[0].revents != 0) {
            break;  // closing
        }
        if (lost) {
            continue;
        }
        const short events = fds[1].revents;
        if ((events & POLLIN) != 0) {
            int count = 0;
            bool hungUp = false;
            while (count < kBufferSize) {
                const ssize_t requested = kBufferSize - count;
                const ssize_t n = ::read(fd_, incoming_.data() + count, static_cast<size_t>(requested));
                if (n > 0) {
                    count += static_cast<int>(n);
                    if (n < requested) {
                        break;  // the tty gave all it had: no second call for EAGAIN
                    }
                } else if (n == 0) {
                    hungUp = true;  // VMIN is 1: zero bytes means the line hung up
                    break;
                } else if (errno == EINTR) {
                    continue;
                } else {
                    hungUp = errno != EAGAIN;
                    break;
                }
            }
            if (count > 0) {
                DeliverChunk(count);
            }
            if (hungUp) {
                lost = true;
                MarkLineLost();
            }
        } else if ((events & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            lost = true;
            MarkLineLost();
        }
    }
}

void SerialChannel::DeliverChunk(int count)
{
    ReceiveHandover* handover = handover_.load();
    if (handover == nullptr) {
        return;
    }
    // The handler is picked up on the owner's thread, where it is set, and kept
    // in the hand-over so that a handler which destroys the channel survives.
    auto handler = std::make_shared<ChannelDataHandler>();
    handover->Deliver(
        gate_,
        [this, count, handler] {
            receiveBuffer_.fill(0);
            std::memcpy(receiveBuffer_.data(), incoming_.data(), static_cast<size_t>(count));
            *handler = dataHandler_;
        },
        [this, count, handler] {
            if (*handler) {
                (*handler)(portIndex_, receiveBuffer_.data(), count);
            }
        });
}

void SerialChannel::MarkLineLost()
{
    {
        std::lock_guard lock(stateMutex_);
        lineLost_ = true;
    }
    watcherWake_.notify_all();
}

void SerialChannel::WatcherLoop()
{
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(stateMutex_);
    while (watcherRunning_) {
        if (awaitingReply_ && !timeoutReported_) {
            const auto now = Clock::now();
            if (lineLost_) {
                // An unplugged adapter never answers: no point in waiting or resending.
                timeoutReported_ = true;
                lock.unlock();
                RaiseEvent(kEventTimeOut);
                lock.lock();
                continue;
            }
            if (timeoutMs_ != 0 && now - lastSendTime_ >= std::chrono::milliseconds(timeoutMs_)) {
                if (retryLimit_ == 0) {
                    timeoutReported_ = true;
                    lock.unlock();
                    RaiseEvent(kEventTimeOut);
                    lock.lock();
                } else if (retryCount_ >= retryLimit_) {
                    ++retryCount_;
                    timeoutReported_ = true;
                    lock.unlock();
                    RaiseEvent(kEventRetryOver);
                    lock.lock();
                } else {
                    std::array<uint8_t, kBufferSize> request;
                    const uint16_t length = lastLength_;
                    std::memcpy(request.data(), lastRequest_.data(), length);
                    ++retryCount_;
                    lock.unlock();
                    WriteRequest(request.data(), length);
                    lock.lock();
                    lastSendTime_ = Clock::now();
                    awaitingReply_ = true;
                }
                continue;
            }
        }
        // The 10 ms look; Close, a new request and a lost line wake it early.
        watcherWake_.wait_for(lock, std::chrono::milliseconds(10));
    }
}

void SerialChannel::RaiseEvent(int16_t code)
{
    eventCode_ = code;
    eventText_ = EventTextOf(code);
    ReceiveHandover* handover = handover_.load();
    if (handover == nullptr || handover->IsOwnerThread()) {
        EmitEvent(code);
        return;
    }
    std::shared_ptr<Token> token = token_;
    const uint64_t session = token->session.load();
    handover->Post([token, session, code] {
        SerialChannel* channel = token->channel.load();
        if (channel == nullptr || token->session.load() != session || !channel->isOpen_) {
            return;
        }
        channel->EmitEvent(code);
    });
}

void SerialChannel::EmitEvent(int16_t code)
{
    if (eventsMuted_ || !eventCallback_) {
        return;
    }
    const ChannelEvent event{code, EventTextOf(code)};
    ChannelPacket packet;
    packet.port = portIndex_;
    packet.portName = devicePath_.c_str();
    packet.code = ChannelPacket::kCodeEvent;
    packet.length = ChannelPacket::kEventLength;
    packet.data = reinterpret_cast<const uint8_t*>(&event);
    const ChannelEventCallback callback = eventCallback_;  // the callback may destroy the channel
    callback(packet);
}

void SerialChannel::SetTimeout(uint16_t ms)
{
    {
        std::lock_guard lock(stateMutex_);
        timeoutMs_ = ms;
    }
    if (ms != 0) {
        StartWatcher();
    }
}

uint16_t SerialChannel::GetTimeout() const
{
    std::lock_guard lock(stateMutex_);
    return timeoutMs_;
}

void SerialChannel::SetRetryLimit(uint16_t limit)
{
    std::lock_guard lock(stateMutex_);
    retryLimit_ = limit;
}

uint16_t SerialChannel::RetryLimit() const
{
    std::lock_guard lock(stateMutex_);
    return retryLimit_;
}

void SerialChannel::SetBaudRate(uint32_t rate)
{
    baudRate_ = rate;
}

bool SerialChannel::AwaitingReply() const
{
    std::lock_guard lock(stateMutex_);
    return awaitingReply_;
}

int SerialChannel::RetryCount() const
{
    std::lock_guard lock(stateMutex_);
    return retryCount_;
}

uint8_t SerialChannel::LastCode() const
{
    std::lock_guard lock(stateMutex_);
    return lastCode_;
}

uint16_t SerialChannel::LastCommand() const
{
    std::lock_guard lock(stateMutex_);
    return lastCommand_;
}

uint16_t SerialChannel::LastLength() const
{
    std::lock_guard lock(stateMutex_);
    return lastLength_;
}

std::chrono::steady_clock::time_point SerialChannel::LastSendTime() const
{
    std::lock_guard lock(stateMutex_);
    return lastSendTime_;
}

}  // namespace veltra
