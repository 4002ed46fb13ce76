#include "SheetPorts.h"

#include "CFlashkitSheet.h"
#include "PortList.h"

#include <algorithm>

namespace veltra {

int SheetPorts::PortCount() const
{
    return sheet_.PortCount();
}

std::string SheetPorts::PortName(int port) const
{
    return sheet_.portNames_.at(static_cast<size_t>(port));
}

bool SheetPorts::IsChecked(int port) const
{
    return sheet_.controls_.portList->IsChecked(port);
}

bool SheetPorts::IsOpen(int port) const
{
    return sheet_.Channel(port).IsOpen();
}

uint32_t SheetPorts::BaudRate(int port) const
{
    return sheet_.Channel(port).BaudRate();
}

void SheetPorts::OpenCheckedPorts()
{
    sheet_.OpenCheckedPorts();
}

bool SheetPorts::ReopenAt(int port, uint32_t baud)
{
    return sheet_.OpenPort(port, baud);
}

bool SheetPorts::Send(int port, const CommandRecord& record, uint32_t timeoutMs)
{
    SerialChannel& channel = sheet_.Channel(port);
    channel.SetTimeout(static_cast<uint16_t>(std::min<uint32_t>(timeoutMs, 0xFFFF)));
    ChannelPacket packet;
    packet.port = static_cast<int16_t>(port);
    packet.portName = channel.DevicePath().c_str();
    packet.code = static_cast<uint8_t>(record.code);
    packet.command = static_cast<uint8_t>(record.code);
    packet.length = record.length;
    packet.data = reinterpret_cast<const uint8_t*>(record.bytes.data());
    return channel.SendData(packet) == 1;
}

void SheetPorts::ReplyArrived(int port)
{
    sheet_.Channel(port).ReplyComplete();
}

bool SheetPorts::RetryRequest(int port)
{
    return sheet_.Channel(port).ResendWithinLimit();
}

std::string SheetPorts::OpenError(int port) const
{
    return sheet_.Channel(port).LastOpenError();
}

void SheetPorts::Close(int port)
{
    sheet_.ClosePort(port);
}

void SheetPorts::SetPortStatus(int port, int image)
{
    sheet_.SetPortStatus(PortName(port), image);
}

}  // namespace veltra
