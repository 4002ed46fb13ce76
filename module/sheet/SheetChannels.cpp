#include "CFlashkitSheet.h"

#include "PortList.h"
#include "Settings.h"

namespace veltra {

void CFlashkitSheet::EnumeratePorts()
{
    PortNameList names;
    const int count = EnumerateSerialPorts(names, ReadExtraPorts(root_), environment_.sysfsRoot);
    if (count <= 0) {
        ShowMessage(Caption("FW_MSG", "MSG_CAPTION0"), Caption("FW_MSG", "MSG_COMM1"));
        return;
    }
    for (const std::string& name : names) {
        controls_.portList->AddPort(name);
        Ports().AddPort(name);
    }
}

void CFlashkitSheet::SetPortStatus(const std::string& name, int image)
{
    controls_.portList->SetImage(name, image);
}

void CFlashkitSheet::PortStateChanged(int port, PortState state, const std::string& reason)
{
    const std::string& name = Ports().PortName(port);
    switch (state) {
    case PortState::Open:
        SetPortStatus(name, port_image::kOpen);
        break;
    case PortState::Closed:
        SetPortStatus(name, port_image::kClosed);
        break;
    case PortState::OpenFailed:
        // The system's reason beside the picture, so nobody has to guess why.
        controls_.portList->SetImageWithReason(name, port_image::kClosed, reason);
        break;
    case PortState::InitialEraseDone:
        SetPortStatus(name, port_image::kInitialEraseDone);
        break;
    }
}

int CFlashkitSheet::CountCheckedPorts()
{
    int count = 0;
    for (int port = 0; port < PortCount(); ++port) {
        const bool ticked = controls_.portList->IsChecked(port);
        Ports().SetSelected(port, ticked);
        count += ticked ? 1 : 0;
    }
    return count;
}

uint32_t CFlashkitSheet::SheetBaudRate() const
{
    if (controls_.initErase->isChecked())
        return module_facts::kApplicationBaud;
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

void CFlashkitSheet::OpenCheckedPorts()
{
    CountCheckedPorts();
    if (Ports().OpenSelected(SheetBaudRate()) > 0)
        connected_ = true;
}

void CFlashkitSheet::ReopenCheckedPorts(uint32_t baud)
{
    CountCheckedPorts();
    for (int port = 0; port < PortCount(); ++port) {
        if (Ports().Selected(port) && (Ports().BaudRate(port) != baud || !Ports().IsOpen(port)))
            Ports().Open(port, baud);
    }
}

}  // namespace veltra
