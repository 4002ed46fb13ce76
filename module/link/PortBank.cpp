#include "PortBank.h"

#include "ReplyRules.h"
#include "SerialChannel.h"

namespace veltra {

struct PortBank::Port {
    std::unique_ptr<SerialChannel> channel;
    std::string label;
    bool selected = false;
    bool present = true;
};

PortBank::PortBank() = default;

PortBank::~PortBank()
{
    // Channels first: nothing of theirs may reach a receiver that is going.
    receiver_ = nullptr;
    listener_ = nullptr;
    ports_.clear();
}

void PortBank::SetRetryLimit(uint16_t limit)
{
    retryLimit_ = limit;
    for (Port& port : ports_)
        port.channel->SetRetryLimit(limit);
}

std::string PortBank::DeviceOf(const std::string& name) const
{
    if (name.empty() || name.front() == '/')
        return name;
    return deviceRoot_ + "/" + name;
}

int PortBank::AddPort(const std::string& name)
{
    const int index = PortCount();
    Port port;
    port.channel = std::make_unique<SerialChannel>(name, DeviceOf(name), gate_, watch_);
    port.label = name;
    port.channel->SetRetryLimit(retryLimit_);
    port.channel->SetHandlers(
        [this, index](const char* data, size_t count) {
            if (receiver_ != nullptr)
                receiver_->OnReceivedData(index, data, count);
        },
        [this, index](int16_t code) { OnEvent(index, code); });
    ports_.push_back(std::move(port));
    return index;
}

int PortBank::PortCount() const
{
    return static_cast<int>(ports_.size());
}

SerialChannel& PortBank::Channel(int port) const
{
    return *ports_.at(static_cast<size_t>(port)).channel;
}

const std::string& PortBank::PortName(int port) const
{
    return Channel(port).PortName();
}

const std::string& PortBank::DevicePath(int port) const
{
    return Channel(port).DevicePath();
}

void PortBank::SetLabel(int port, const std::string& label)
{
    ports_.at(static_cast<size_t>(port)).label = label;
}

const std::string& PortBank::Label(int port) const
{
    return ports_.at(static_cast<size_t>(port)).label;
}

void PortBank::Unplug(int port)
{
    Port& entry = ports_.at(static_cast<size_t>(port));
    entry.present = false;
    if (entry.channel->AwaitingReply()) {
        OnEvent(port, kEventTimeOut);
    } else {
        entry.channel->Close();
    }
    Show(port, PortState::Unplugged);
}

void PortBank::Replug(int port, const std::string& name)
{
    Port& entry = ports_.at(static_cast<size_t>(port));
    if (entry.channel->PortName() != name || !entry.present) {
        entry.channel->Rename(name, DeviceOf(name));
        entry.present = true;
        Show(port, PortState::Closed);
    }
}

bool PortBank::Present(int port) const
{
    return ports_.at(static_cast<size_t>(port)).present;
}

void PortBank::SetSelected(int port, bool selected)
{
    ports_.at(static_cast<size_t>(port)).selected = selected;
}

bool PortBank::Selected(int port) const
{
    return ports_.at(static_cast<size_t>(port)).selected;
}

int PortBank::SelectedCount() const
{
    int count = 0;
    for (const Port& port : ports_)
        count += port.selected ? 1 : 0;
    return count;
}

void PortBank::Show(int port, PortState state, const std::string& reason)
{
    if (listener_ != nullptr)
        listener_->PortStateChanged(port, state, reason);
}

bool PortBank::Open(int port, uint32_t baud)
{
    SerialChannel& channel = Channel(port);
    if (!Present(port)) {
        Show(port, PortState::Unplugged);
        return false;
    }
    if (!channel.Open(baud)) {
        Show(port, PortState::OpenFailed, channel.LastOpenError());
        return false;
    }
    Show(port, PortState::Open);
    return true;
}

void PortBank::Close(int port)
{
    CloseAs(port, PortState::Closed);
}

void PortBank::CloseAs(int port, PortState state)
{
    Channel(port).Close();
    Show(port, Present(port) ? state : PortState::Unplugged);
}

void PortBank::CloseAll()
{
    for (int port = 0; port < PortCount(); ++port)
        Close(port);
}

int PortBank::OpenSelected(uint32_t baud)
{
    int open = 0;
    for (int port = 0; port < PortCount(); ++port) {
        const SerialChannel& channel = Channel(port);
        if (!Selected(port)) {
            if (channel.IsOpen())
                Close(port);
            continue;
        }
        // A port left open at another rate by an earlier run is opened again
        // at this one: a run goes at the rate it says.
        if (channel.IsOpen() && channel.BaudRate() == baud)
            ++open;
        else
            open += Open(port, baud) ? 1 : 0;
    }
    return open;
}

bool PortBank::IsOpen(int port) const
{
    return Channel(port).IsOpen();
}

uint32_t PortBank::BaudRate(int port) const
{
    return Channel(port).BaudRate();
}

std::string PortBank::OpenError(int port) const
{
    return Present(port) ? Channel(port).LastOpenError() : "unplugged";
}

bool PortBank::Send(int port, const CommandRecord& record, uint32_t timeoutMs)
{
    return Channel(port).Send(record.code, record.bytes, timeoutMs,
                              {FullReplyLength(record.code, record.expectedLength),
                               LineCharsUntilReplied(record.code, record.bytes.size(), record.expectedLength)});
}

void PortBank::ReplyArrived(int port)
{
    Channel(port).ReplyComplete();
}

bool PortBank::RetryRequest(int port)
{
    return Channel(port).ResendWithinLimit();
}

bool PortBank::AwaitingReply(int port) const
{
    return Channel(port).AwaitingReply();
}

void PortBank::OnEvent(int port, int16_t code)
{
    const char lastCode = Channel(port).LastCode();
    Close(port);
    if (receiver_ != nullptr)
        receiver_->OnPortTimedOut(port, code, lastCode);
}

}  // namespace veltra
