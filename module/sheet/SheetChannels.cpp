#include "CFlashkitSheet.h"

#include "PortList.h"
#include "Settings.h"

#include <cstdlib>

namespace veltra {

void CFlashkitSheet::EnumeratePorts()
{
    PortNameList names;
    const int count = EnumerateSerialPorts(names, ReadExtraPorts(root_), environment_.sysfsRoot);
    if (count <= 0) {
        ShowMessage(Caption("FW_MSG", "MSG_CAPTION0"), Caption("FW_MSG", "MSG_COMM1"));
        return;
    }
    portNames_ = names;
    for (int port = 0; port < count; ++port) {
        const std::string& name = portNames_[static_cast<size_t>(port)];
        controls_.portList->AddPort(name);
        auto channel = std::make_unique<SerialChannel>();
        ChannelSettings settings;
        settings.portIndex = static_cast<int16_t>(port);
        settings.portName = name;
        settings.eventCallback = [this](const ChannelPacket& packet) { OnChannelEvent(packet); };
        channel->Configure(settings);
        channel->SetNotifyWindow(&handover_);
        channel->SetDataHandler([this](int16_t index, const uint8_t* buffer, int bytes) {
            OnChannelData(index, buffer, bytes);
        });
        channels_.push_back(std::move(channel));
    }
}

void CFlashkitSheet::SetPortStatus(const std::string& name, int image)
{
    controls_.portList->SetImage(name, image);
}

int CFlashkitSheet::CountCheckedPorts()
{
    int count = 0;
    for (int port = 0; port < PortCount(); ++port) {
        const bool ticked = controls_.portList->IsChecked(port);
        Channel(port).SetSelected(ticked);
        count += ticked ? 1 : 0;
    }
    return count;
}

uint32_t CFlashkitSheet::SheetBaudRate() const
{
    if (controls_.initErase->isChecked())
        return 9600;
    // The decimal number at the start of the box's text; 0 when there is none.
    const std::string text = controls_.baudRate->currentText().toStdString();
    uint32_t rate = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        rate = rate * 10 + static_cast<uint32_t>(c - '0');
    }
    return rate;
}

bool CFlashkitSheet::OpenPort(int port, uint32_t baud)
{
    SerialChannel& channel = Channel(port);
    channel.SetBaudRate(baud);
    const std::string& name = portNames_[static_cast<size_t>(port)];
    if (!channel.Open()) {
        // The system's reason beside the picture, so nobody has to guess why.
        controls_.portList->SetImageWithReason(name, port_image::kClosed, channel.LastOpenError());
        return false;
    }
    SetPortStatus(name, port_image::kOpen);
    return true;
}

void CFlashkitSheet::ClosePort(int port)
{
    Channel(port).Close();
}

void CFlashkitSheet::OpenCheckedPorts()
{
    const uint32_t baud = SheetBaudRate();
    int opened = 0;
    for (int port = 0; port < PortCount(); ++port) {
        SerialChannel& channel = Channel(port);
        const bool ticked = controls_.portList->IsChecked(port);
        // A port left open at another rate by an earlier run is opened
        // again at this one: a run goes at the rate it says.
        if (ticked && (!channel.IsOpen() || channel.BaudRate() != baud)) {
            opened += OpenPort(port, baud) ? 1 : 0;
        } else if (ticked) {
            ++opened;
        } else if (channel.IsOpen()) {
            SetPortStatus(portNames_[static_cast<size_t>(port)], port_image::kClosed);
            ClosePort(port);
        }
    }
    if (opened > 0)
        connected_ = true;
}

void CFlashkitSheet::ReopenCheckedPorts(uint32_t baud)
{
    for (int port = 0; port < PortCount(); ++port) {
        if (!controls_.portList->IsChecked(port))
            continue;
        SerialChannel& channel = Channel(port);
        if (channel.BaudRate() != baud || !channel.IsOpen())
            OpenPort(port, baud);
    }
}

void CFlashkitSheet::OnChannelData(int port, const uint8_t* buffer, int count)
{
    if (count <= 0 || port < 0 || port >= PortCount() || Channel(port).EventsMuted())
        return;
    dispatcher_->OnReceivedData(port, reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
}

void CFlashkitSheet::OnChannelEvent(const ChannelPacket& packet)
{
    if (!packet.IsEvent() || packet.port < 0 || packet.port >= PortCount())
        return;
    const int port = packet.port;
    const int code = packet.Event().eventCode;
    if (code != kEventRetryOver && code != kEventTimeOut)
        return;
    SerialChannel& channel = Channel(port);
    const char lastCode = static_cast<char>(channel.LastCommand());
    ClosePort(port);
    SetPortStatus(portNames_[static_cast<size_t>(port)], port_image::kClosed);
    if (dispatcher_->OnChannelEvent(port, code, lastCode))
        ++failureCount_;
    if (code == kEventTimeOut && lastCode == code::kInitialErase &&
        dispatcher_->InitialEraseCount() == CountCheckedPorts()) {
        ShowMessage(Caption("FW_MSG", "MSG_CAPTION4"), Caption("FW_MSG", "MSG_ROM3"));
        controls_.initErase->setChecked(false);
        if (operationWindow_)
            operationWindow_->CloseWithOk();
    }
}

}  // namespace veltra
