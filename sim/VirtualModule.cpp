#include "VirtualModule.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "LineRate.h"

namespace veltra::sim {
namespace {

// How long to leave the line alone after the tool closed its end; the master
// reports a hang-up until the tool opens it again.
constexpr std::chrono::milliseconds kToolAbsentRetry{10};

}  // namespace

VirtualModule::VirtualModule(const ModuleOptions& options, ModuleLoop* loop)
    : board_(options.start, options.eraseTime),
      lineRateEmulation_(options.lineRateEmulation),
      terminal_(std::make_unique<PseudoTerminal>()),
      path_(terminal_->Path()),
      output_(options.seed),
      ownLoop_(loop == nullptr ? std::make_unique<ModuleLoop>() : nullptr),
      loop_(loop == nullptr ? ownLoop_.get() : loop)
{
    board_.Memory().eeprom = options.eeprom;
    board_.SetFaults(options.faults);
    loop_->Join(*this);
}

VirtualModule::~VirtualModule()
{
    loop_->Leave(*this);
}

void VirtualModule::Wake() const
{
    loop_->Wake();
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
            ++descriptor_;
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

LineWait VirtualModule::Prepare(SteadyTime now, std::optional<SteadyTime>& deadline)
{
    std::lock_guard lock(mutex_);
    const auto consider = [&deadline](SteadyTime t) { deadline = deadline ? std::min(*deadline, t) : t; };
    // Bytes go out a group at a time, also right after a request was taken
    // in: the first bytes of its echo, due by the time the request has been
    // handled, would otherwise go alone and cost both sides a wake-up.
    if (const auto due = output_.NextWake(); due && !outputBlocked_) {
        if (*due <= now) {
            FlushOutput();
            if (const auto next = output_.NextWake(); next && !outputBlocked_) {
                consider(*next);
            }
        } else {
            consider(*due);
        }
    }
    // Only the loop closes the terminal (on a hang-up, while serving), and
    // Restart replaces it only after that; the count tells the loop that the
    // descriptor it watched is gone, even when the new one has its number.
    if (hungUp_) {
        return {-1, 0, descriptor_};
    }
    if (now < toolAbsentUntil_) {
        consider(toolAbsentUntil_);
        return {-1, 0, descriptor_};
    }
    return {terminal_->Master(), EPOLLIN | (outputBlocked_ ? EPOLLOUT : 0U), descriptor_};
}

void VirtualModule::Serve(std::uint32_t events, SteadyTime now)
{
    std::lock_guard lock(mutex_);
    if (hungUp_) {
        return;
    }
    if (events & EPOLLOUT) {
        outputBlocked_ = false;
    }
    if (events & EPOLLIN) {
        ReadLine(now);
    } else if (events & (EPOLLHUP | EPOLLERR)) {
        toolAbsentUntil_ = now + kToolAbsentRetry;
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
    ++descriptor_;
    input_.clear();
    output_.Clear();
    outputBlocked_ = false;
}

}  // namespace veltra::sim
