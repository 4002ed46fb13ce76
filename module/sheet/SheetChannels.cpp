#include "CFlashkitSheet.h"

#include "AdapterInfo.h"
#include "PortList.h"
#include "Settings.h"

#include <QMessageBox>

namespace veltra {

void CFlashkitSheet::EnumeratePorts()
{
    slots_ = SlotTable(ReadSlotNames(root_));
    PortWatchPlaces places{environment_.sysfsRoot, environment_.devRoot, ReadExtraPorts(root_)};
    watcher_ = std::make_unique<PortWatcher>(
        std::move(places), [this](const std::vector<DiscoveredPort>&, const SlotTable::Change& change) {
            OnPortsChanged(change);
        },
        &slots_, environment_.deviceEvents());
    // Without udev the list still follows [PORTS] EXTRA; the list says why
    // adapters are not followed, without a message at every start.
    controls_.portList->setToolTip(QString::fromStdString(watcher_->Warning()));
    for (int row = 0; row < static_cast<int>(slots_.Rows().size()); ++row)
        AddSlotRow(row);
    if (slots_.Rows().empty())
        ShowMessage(Caption("FW_MSG", "MSG_CAPTION0"), Caption("FW_MSG", "MSG_COMM1"));
}

void CFlashkitSheet::AddSlotRow(int row)
{
    const SlotRow& slot = slots_.Rows().at(static_cast<size_t>(row));
    controls_.portList->AddPort(slots_.Label(row));
    const int port = Ports().AddPort(slot.portName);
    Ports().SetLabel(port, slots_.Label(row));
    if (!slot.present)
        Ports().Unplug(port);
    ShowSlot(row);
}

void CFlashkitSheet::ShowSlot(int row)
{
    const SlotRow& slot = slots_.Rows().at(static_cast<size_t>(row));
    const std::string label = slots_.Label(row);
    Ports().SetLabel(row, label);
    const AdapterInfo adapter = ReadAdapterInfo(slot.portName, environment_.sysfsRoot, environment_.devRoot);
    controls_.portList->SetRow(row, label, adapter.usb ? AdapterSummary(adapter) : std::string());
    controls_.portList->SetChecked(row, slot.ticked);
    LayoutSheet();
}

void CFlashkitSheet::OnPortsChanged(const SlotTable::Change& change)
{
    for (const int row : change.added)
        AddSlotRow(row);
    for (const int row : change.unplugged)
        Ports().Unplug(row);
    // Back in its place, maybe under another number: the row, its tick and
    // its label are the slot's own.
    for (const int row : change.replugged) {
        Ports().Replug(row, slots_.Rows().at(static_cast<size_t>(row)).portName);
        ShowSlot(row);
    }
}

void CFlashkitSheet::RecordResult(const PortResult& result)
{
    const auto row = static_cast<size_t>(result.port);
    const std::string problem = station_->Record(result, row < slots_.Rows().size() ? slots_.Rows()[row].name : "");
    ShowTally();
    if (!problem.empty())
        ShowMessage(Caption("FW_MSG", "MSG_CAPTION1"), QString::fromStdString(problem), QMessageBox::Warning);
}

void CFlashkitSheet::ShowTally()
{
    const RecordBook::Tally tally = station_->Today();
    controls_.tally->setText(
        Caption("FW_MSG", "MSG_TALLY").arg(tally.passed).arg(tally.failed).arg(tally.total));
}

void CFlashkitSheet::PortStateChanged(int port, PortState state, const std::string& reason)
{
    PortList& list = *controls_.portList;
    switch (state) {
    case PortState::Open: {
        // An FTDI adapter whose latency timer stayed above 1 ms holds every
        // reply back by that much: said where the technician looks.
        const int latency = ReadLatencyTimer(Ports().PortName(port), environment_.sysfsRoot);
        const QString warning = latency > 1 ? Caption("FW_MSG", "MSG_LATENCY").arg(latency) : QString();
        list.SetImage(port, port_image::kOpen, warning);
        break;
    }
    case PortState::Closed:
        list.SetImage(port, port_image::kClosed);
        break;
    case PortState::OpenFailed:
        // The system's reason beside the picture, so nobody has to guess why.
        list.SetImage(port, port_image::kClosed, QString::fromStdString(reason));
        break;
    case PortState::InitialEraseDone:
        list.SetImage(port, port_image::kInitialEraseDone);
        break;
    case PortState::Unplugged:
        list.SetImage(port, port_image::kUnplugged, Caption("FW_MSG", "MSG_UNPLUGGED"));
        break;
    }
}

int CFlashkitSheet::CountCheckedPorts()
{
    if (watcher_)
        watcher_->Rescan();
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
