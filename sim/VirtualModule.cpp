#include "VirtualModule.h"

#include <poll.h>
#include <sys/prctl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>

#include "LineRate.h"

namespace veltra::sim {
namespace {

// How long to leave the line alone after the tool closed its end; the master
// reports a hang-up until the tool opens it again.
constexpr std::chrono::milliseconds kToolAbsentRetry{10};

}  // namespace

VirtualModule::VirtualModule(const ModuleOptions& options)
    : board_(options.start, options.eraseTime),
      lineRateEmulation_(options.lineRateEmulation),
      terminal_(std::make_unique<PseudoTerminal>()),
      path_(terminal_->Path()),
      output_(options.seed)
{
    board_.Memory().eeprom = options.eeprom;
    board_.SetFaults(options.faults);
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_ < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    thread_ = std::thread([this] { Run(); });
}

VirtualModule::~VirtualModule()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    Wake();
    thread_.join();
    ::close(wake_);
}

void VirtualModule::Wake() const
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wake_, &one, sizeof one);
}

std::string VirtualModule::Path() const
{
    std::lock_guard lock(mutex_);
    return path_;
}

bool VirtualModule::HungUp() const
{
    std::lock_guard lock(mutex_);
    return hungUp_;
}

std::uint32_t VirtualModule::LineRate() const
{
    std::lock_guard lock(mutex_);
    return hungUp_ ? 0 : LineRateOf(terminal_->Master());
}

void VirtualModule::Restart(Personality personality)
{
    {
        std::lock_guard lock(mutex_);
        board_.Restart(personality);
        input_.clear();
        output_.Clear();
        outputBlocked_ = false;
        busyUntil_ = {};
        received_ = 0;
        if (hungUp_) {
            terminal_ = std::make_unique<PseudoTerminal>();
            path_ = terminal_->Path();
            hungUp_ = false;
        }
    }
    Wake();
}

Personality VirtualModule::Running() const
{
    std::lock_guard lock(mutex_);
    return board_.Running();
}

std::vector<std::uint8_t> VirtualModule::Flash() const
{
    std::lock_guard lock(mutex_);
    return board_.Memory().flash.Contents();
}

EepromImage VirtualModule::Eeprom() const
{
    std::lock_guard lock(mutex_);
    return board_.Memory().eeprom;
}

void VirtualModule::SetEeprom(std::uint32_t address, std::span<const std::uint8_t> bytes)
{
    std::lock_guard lock(mutex_);
    auto& eeprom = board_.Memory().eeprom;
    for (std::size_t i = 0; i < bytes.size() && address + i < eeprom.size(); ++i) {
        eeprom[address + i] = bytes[i];
    }
}

std::int32_t VirtualModule::TestResult(int item) const
{
    std::lock_guard lock(mutex_);
    return board_.Memory().testResults.at(static_cast<std::size_t>(item - 1));
}

void VirtualModule::SetTestResult(int item, std::int32_t code)
{
    std::lock_guard lock(mutex_);
    board_.Memory().testResults.at(static_cast<std::size_t>(item - 1)) = code;
}

Faults VirtualModule::CurrentFaults() const
{
    std::lock_guard lock(mutex_);
    return board_.CurrentFaults();
}

void VirtualModule::SetFaults(const Faults& faults)
{
    {
        std::lock_guard lock(mutex_);
        board_.SetFaults(faults);
    }
    Wake();
}

void VirtualModule::SetLineRateEmulation(bool on)
{
    std::lock_guard lock(mutex_);
    lineRateEmulation_ = on;
}

std::vector<Request> VirtualModule::Requests() const
{
    std::lock_guard lock(mutex_);
    return board_.Log();
}

void VirtualModule::ClearRequests()
{
    std::lock_guard lock(mutex_);
    board_.ClearLog();
}

bool VirtualModule::WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(mutex_);
    return logGrew_.wait_for(lock, limit, [&] { return board_.Log().size() >= count; });
}

Transmitter::Shape VirtualModule::OutputShape(std::uint32_t rate) const
{
    const Faults& faults = board_.CurrentFaults();
    return {faults.chunkMax, faults.chunkGap, lineRateEmulation_ ? rate : 0, faults.splitAt};
}

void VirtualModule::Run()
{
    // The module keeps to the line's schedule by sleeping until each group of
    // bytes is due; the kernel's default timer slack would let every such
    // sleep overrun by up to 50 us, which at 921,600 bit/s is five bytes.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        auto now = std::chrono::steady_clock::now();
        // Bytes go out a group at a time, also right after a request was
        // taken in: the first bytes of its echo, due by the time the request
        // has been handled, would otherwise go alone and cost both sides a
        // wake-up.
        std::optional<SteadyTime> deadline;
        if (const auto due = output_.NextWake(); due && !outputBlocked_) {
            if (*due <= now) {
                FlushOutput();
                if (!outputBlocked_) {
                    deadline = output_.NextWake();
                }
            } else {
                deadline = due;
            }
        }
        const auto consider = [&deadline](SteadyTime t) { deadline = deadline ? std::min(*deadline, t) : t; };
        pollfd fds[2] = {{wake_, POLLIN, 0}, {-1, 0, 0}};
        if (!hungUp_) {
            if (now >= toolAbsentUntil_) {
                fds[1] = {terminal_->Master(), static_cast<short>(POLLIN | (outputBlocked_ ? POLLOUT : 0)), 0};
            } else {
                consider(toolAbsentUntil_);
            }
        }
        timespec timeout{};
        if (deadline) {
            const auto wait = std::max(*deadline - now, SteadyTime::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }
        // The terminal cannot be closed while it is polled: only this thread
        // closes it (on a hang-up), and Restart replaces it only after that.
        lock.unlock();
        const int ready = ::ppoll(fds, 2, deadline ? &timeout : nullptr, nullptr);
        lock.lock();
        if (ready <= 0) {
            continue;
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto drained = ::read(wake_, &count, sizeof count);
        }
        now = std::chrono::steady_clock::now();
        if (fds[1].revents & POLLOUT) {
            outputBlocked_ = false;
        }
        if (fds[1].revents & POLLIN) {
            ReadLine(now);
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            toolAbsentUntil_ = now + kToolAbsentRetry;
        }
    }
}

void VirtualModule::ReadLine(SteadyTime now)
{
    char buffer[4096];
    for (;;) {
        const auto count = ::read(terminal_->Master(), buffer, sizeof buffer);
        if (count <= 0) {
            if (count == 0 || errno == EIO) {
                toolAbsentUntil_ = now + kToolAbsentRetry;
            }
            return;
        }
        const std::uint32_t rate = LineRateOf(terminal_->Master());
        for (ssize_t i = 0; i < count; ++i) {
            const SteadyTime due = lineRateEmulation_ ? inputPacer_.Schedule(now, rate) : now;
            input_.push_back({buffer[i], rate, due});
        }
        ProcessInput();
        // A short read emptied the line; asking again would only hear EAGAIN.
        if (hungUp_ || static_cast<std::size_t>(count) < sizeof buffer) {
            return;
        }
    }
}

void VirtualModule::ProcessInput()
{
    const auto& limit = board_.CurrentFaults().hangUpAfterBytes;
    while (!input_.empty() && !hungUp_) {
        const std::uint32_t rate = input_.front().rate;
        std::string chunk;
        for (const Incoming& byte : input_) {
            if (byte.rate != rate || (limit && received_ + chunk.size() >= *limit)) {
                break;
            }
            chunk += byte.value;
        }
        // Bytes are handled as soon as the tool has written them, which saves
        // a wake-up per group on every port; the module's answer still keeps
        // to the moments the line would deliver them, and to the time it is
        // busy, so what the tool sees on the line is the same.
        const SteadyTime from = std::max(input_.front().due, busyUntil_);
        const Reaction reaction = board_.Receive(chunk, rate);
        const SteadyTime until =
            reaction.consumed == 0 ? from : std::max(input_[reaction.consumed - 1].due, busyUntil_);
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(reaction.consumed));
        received_ += reaction.consumed;
        logGrew_.notify_all();
        if (limit && received_ >= *limit) {
            HangUp();
            return;
        }
        const Transmitter::Shape shape = OutputShape(rate);
        if (!reaction.echo.empty()) {
            output_.Queue(reaction.echo, from, shape);
        }
        const SteadyTime replyAt = until + reaction.wait;
        if (reaction.wait.count() > 0) {
            busyUntil_ = replyAt;
        }
        if (!reaction.reply.empty()) {
            output_.Queue(reaction.reply, replyAt, shape);
        }
    }
}

void VirtualModule::FlushOutput()
{
    if (hungUp_ || outputBlocked_) {
        return;
    }
    const std::string_view due = output_.Due(std::chrono::steady_clock::now());
    if (due.empty()) {
        return;
    }
    const auto written = ::write(terminal_->Master(), due.data(), due.size());
    if (written >= 0) {
        output_.Consume(static_cast<std::size_t>(written));
        outputBlocked_ = static_cast<std::size_t>(written) < due.size();
    } else if (errno == EAGAIN) {
        outputBlocked_ = true;
    } else {
        // Nobody can hear it: a line without a listener loses what is sent.
        output_.Consume(due.size());
    }
}

void VirtualModule::HangUp()
{
    terminal_.reset();
    hungUp_ = true;
    input_.clear();
    output_.Clear();
    outputBlocked_ = false;
}

}  // namespace veltra::sim
