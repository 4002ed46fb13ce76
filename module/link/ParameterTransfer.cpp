#include "ReplyDispatcher.h"

#include "ReplyRules.h"

#include "Settings.h"
#include "ValueText.h"

namespace veltra {

namespace {

constexpr uint32_t kApplicationBaud = 9600;
// A row can never hold more bytes than the module's EEPROM; a larger Size is a
// typing error that must not send the transfer on for ever.
constexpr int kEepromSize = 512;

int RowSize(const ParameterEntry& row)
{
    // Saturating: atoi would wrap 4294967297 round to a plausible 1.
    const int size = ParseLeadingInt(row.size);
    return size < 0 ? 0 : (size > kEepromSize ? kEepromSize : size);
}

int RowAddress(const ParameterEntry& row)
{
    return static_cast<int>(HexField(row.hexAddress));
}

// The address of the slot's current byte, counted without sign so that an
// address cell of eight hexadecimal digits cannot overflow.
uint32_t ByteAddress(const PortSlot& slot)
{
    return static_cast<uint32_t>(slot.address) + slot.byteIndex;
}

}  // namespace

int ReplyDispatcher::PrepareUpload()
{
    StartRun();
    const int ports = CheckedPortCount();
    if (ports == 0) {
        observer_.ShowMessage(texts_.uploadCaption, texts_.selectPort);
        return -1;
    }
    if (ports > 1) {
        observer_.ShowMessage(texts_.uploadCaption, texts_.onlyOneScale);
        return -1;
    }
    if (CheckedRowCount() == 0) {
        observer_.ShowMessage(texts_.uploadCaption, texts_.noParameter);
        return -1;
    }
    int port = 0;
    while (!ports_.IsChecked(port))
        ++port;
    if (!ports_.ReopenAt(port, kApplicationBaud)) {
        ports_.SetPortStatus(port, port_image::kClosed);
        observer_.ShowMessage(texts_.uploadCaption, texts_.cannotOpen + " " + ports_.PortName(port));
        return -1;
    }
    ports_.SetPortStatus(port, port_image::kOpen);
    // Only the rows the upload reads are emptied for their new values; every
    // other row keeps its value, tick and unsaved edit.
    for (size_t row = 0; row < parameters_.rows.size(); ++row) {
        ParameterEntry& entry = parameters_.rows[row];
        if (entry.type == "R")
            entry.checked = false;
        if (entry.checked)
            entry.value.clear();
        observer_.ParameterRowChanged(static_cast<int>(row));
    }
    SlotOf(port) = PortSlot{};
    uploadPort_ = port;
    return port;
}

bool ReplyDispatcher::ParamReadStart(int port, int firstRow)
{
    // The upload progress window acts only on notices with active 0; that goes
    // for the end notice too, which follows when no row is left.
    notice_.active = 0;
    int row = firstRow;
    const int rows = static_cast<int>(parameters_.rows.size());
    while (row < rows && (!parameters_.rows[static_cast<size_t>(row)].checked ||
                          parameters_.rows[static_cast<size_t>(row)].type == "R"))
        ++row;
    if (row >= rows)
        return false;
    const ParameterEntry& entry = parameters_.rows[static_cast<size_t>(row)];
    PortSlot& slot = SlotOf(port);
    slot = PortSlot{};
    slot.running = true;
    slot.address = RowAddress(entry);
    slot.listIndex = row;
    slot.size = RowSize(entry);
    slot.byteIndex = 0;
    slot.values.assign(static_cast<size_t>(slot.size), 0xFF);
    notice_ = StatusNotice{0, notice::kProgress, 0, port};
    observer_.RunOver(notice_, 1);
    SendParamRead(port);
    return true;
}

void ReplyDispatcher::SendParamRead(int port)
{
    const PortSlot& slot = SlotOf(port);
    Send(port, code::kParamRead, BuildEepromRead(ByteAddress(slot)), 9, timeouts_.application);
}

bool ReplyDispatcher::ParamReadNext(int port)
{
    PortSlot& slot = SlotOf(port);
    if (slot.byteIndex + 1 < slot.size) {
        ++slot.byteIndex;
        SendParamRead(port);
        return false;
    }
    ParameterEntry& entry = parameters_.rows.at(static_cast<size_t>(slot.listIndex));
    entry.value = BytesToValueText(entry.type, slot.values);
    observer_.ParameterRowChanged(slot.listIndex);
    return true;
}

// Every ticked row is checked before the first byte goes out, so that a
// wrong value never reaches any module, not even part of the way.
std::string ReplyDispatcher::ValueProblems() const
{
    constexpr int kShownRows = 20;
    std::string text;
    int found = 0;
    for (const ParameterEntry& row : parameters_.rows) {
        if (!row.checked)
            continue;
        const int size = ParseLeadingInt(row.size);
        std::string problem;
        if (size < 1 || size > kEepromSize || row.size.find_first_not_of(" 0123456789") != std::string::npos)
            problem = "Size \"" + row.size + "\" is not a number of bytes from 1 to " + std::to_string(kEepromSize);
        else
            problem = ValueTextProblem(row.type, size, row.value);
        if (problem.empty())
            continue;
        if (++found <= kShownRows)
            text += "ID " + row.id + " " + row.name + ": " + problem + "\n";
    }
    if (found > kShownRows)
        text += "... and " + std::to_string(found - kShownRows) + " more rows\n";
    return text;
}

bool ReplyDispatcher::PrepareParamDownload()
{
    StartRun();
    if (CheckedPortCount() == 0) {
        observer_.ShowMessage(texts_.downloadCaption, texts_.selectPorts);
        return false;
    }
    // Rows a download never writes are unticked first, so that a selection of
    // only such rows is reported instead of starting a run that writes nothing.
    BuildTransferMask(parameters_);
    for (size_t row = 0; row < parameters_.rows.size(); ++row) {
        if (parameters_.transferMask[row] == 0 && parameters_.rows[row].checked) {
            parameters_.rows[row].checked = false;
            observer_.ParameterRowChanged(static_cast<int>(row));
        }
    }
    if (CheckedRowCount() == 0) {
        observer_.ShowMessage(texts_.downloadCaption, texts_.noParameter);
        return false;
    }
    if (const std::string problems = ValueProblems(); !problems.empty()) {
        observer_.ShowMessage(texts_.downloadCaption, texts_.checkParameter + "\n" + problems);
        return false;
    }
    // The first ticked port is opened before the window shows, so that a port
    // another program holds is named at once instead of leaving a window that
    // waits for nothing.
    int port = 0;
    while (!ports_.IsChecked(port))
        ++port;
    if (!ports_.ReopenAt(port, kApplicationBaud)) {
        ports_.SetPortStatus(port, port_image::kClosed);
        observer_.ShowMessage(texts_.downloadCaption, texts_.cannotOpen + " " + ports_.PortName(port));
        return false;
    }
    ports_.SetPortStatus(port, port_image::kOpen);
    return true;
}

void ReplyDispatcher::BeginParamDownload()
{
    StartRun();
    // The application firmware listens at 9,600 bit/s only, so every ticked
    // port runs at that rate, not just the first.
    const int rowsChecked = CheckedRowCount();
    for (int port = 0; port < ports_.PortCount(); ++port) {
        if (!ports_.IsChecked(port))
            continue;
        if (ports_.BaudRate(port) != kApplicationBaud || !ports_.IsOpen(port)) {
            if (ports_.ReopenAt(port, kApplicationBaud))
                ports_.SetPortStatus(port, port_image::kOpen);
            else
                ports_.SetPortStatus(port, port_image::kClosed);
        }
        SendNotice(port, notice::kPhaseStarts, code::kParamWrite, rowsChecked);
    }
    int first = 0;
    const int rows = static_cast<int>(parameters_.rows.size());
    while (first < rows && !parameters_.rows[static_cast<size_t>(first)].checked)
        ++first;
    for (int port = 0; port < ports_.PortCount(); ++port) {
        if (!ports_.IsChecked(port))
            continue;
        if (!ports_.IsOpen(port)) {
            FailPort(port, CannotOpenText(port));
            continue;
        }
        PortSlot& slot = SlotOf(port);
        slot = PortSlot{};
        slot.running = true;
        slot.listIndex = first;
        slot.byteIndex = 0;
        slot.size = first < rows ? RowSize(parameters_.rows[static_cast<size_t>(first)]) : 0;
        if (ParamWriteNext(port) == WriteStep::Finished) {
            SendNotice(port, notice::kPhaseDone, rows);
            PortFinished(port);
        }
    }
    observer_.EnableDisconnect();
    CheckRunEnd();
}

WriteStep ReplyDispatcher::ParamWriteNext(int port)
{
    PortSlot& slot = SlotOf(port);
    const int rows = static_cast<int>(parameters_.rows.size());
    if (slot.listIndex >= rows)
        return WriteStep::Finished;
    const ParameterEntry* entry = &parameters_.rows[static_cast<size_t>(slot.listIndex)];
    slot.size = RowSize(*entry);
    if (slot.byteIndex >= slot.size) {
        int next = slot.listIndex + 1;
        while (next < rows && !parameters_.rows[static_cast<size_t>(next)].checked)
            ++next;
        if (next >= rows)
            return WriteStep::Finished;
        slot.listIndex = next;
        slot.byteIndex = 0;
        entry = &parameters_.rows[static_cast<size_t>(next)];
        slot.size = RowSize(*entry);
        if (slot.size == 0)
            return ParamWriteNext(port);
    }
    const int noticeValue = slot.byteIndex == 0 ? 1 : 0;
    slot.address = RowAddress(*entry);
    const uint8_t value = ValueTextByte(entry->type, slot.size, entry->value, slot.byteIndex);
    SendNotice(port, notice::kProgress, noticeValue);
    Send(port, code::kParamWrite, BuildEepromWrite(ByteAddress(slot), value), 13, timeouts_.application);
    return WriteStep::Sent;
}

void ReplyDispatcher::DispatchParameters(int port, PortSlot& slot)
{
    if (!TakeFrameReply(port, slot))
        return;
    if (slot.code == code::kParamRead) {
        if (slot.byteIndex < slot.values.size())
            slot.values[slot.byteIndex] = static_cast<uint8_t>(slot.replyBuffer[10]);
        if (!ParamReadNext(port))
            return;
        if (!ParamReadStart(port, slot.listIndex + 1)) {
            SlotOf(port).running = false;
            observer_.RunEnded();
            RunOver(notice::kPhaseDone, static_cast<int>(parameters_.rows.size()));
        }
        return;
    }
    ++slot.byteIndex;
    if (ParamWriteNext(port) == WriteStep::Finished) {
        SendNotice(port, notice::kPhaseDone, static_cast<int>(parameters_.rows.size()));
        PortFinished(port);
    }
}

}  // namespace veltra
