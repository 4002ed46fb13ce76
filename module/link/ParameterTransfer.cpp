#include "ParameterTransfer.h"

#include "CommandRecord.h"
#include "RomImage.h"
#include "Settings.h"
#include "ValueText.h"

#include <QJsonArray>

#include <cstdio>

namespace veltra {

namespace {

using namespace module_facts;

// A row can never hold more bytes than the module's EEPROM; a larger Size is
// a typing error that must not send the transfer on for ever.
int RowSize(const ParameterEntry& row)
{
    // Saturating: atoi would wrap 4294967297 round to a plausible 1.
    const int size = ParseLeadingInt(row.size);
    return size < 0 ? 0 : (size > kEepromSize ? kEepromSize : size);
}

// Counted without sign, so an address cell of eight hexadecimal digits cannot overflow.
uint32_t RowAddress(const ParameterEntry& row)
{
    return HexField(row.hexAddress);
}

QString HexBytes(const std::vector<uint8_t>& bytes)
{
    QString text;
    for (const uint8_t byte : bytes)
        text += QString::asprintf("%02X", byte);
    return text;
}

}  // namespace

ParameterTransfer::ParameterTransfer(ReplyDispatcher& dispatcher, Prompts& prompts, ParameterTable& parameters,
                                     const RunTexts& texts, const RunTimeouts& timeouts)
    : dispatcher_(dispatcher), bank_(dispatcher.Bank()), prompts_(prompts), parameters_(parameters), texts_(texts),
      timeouts_(timeouts)
{
}

int ParameterTransfer::CheckedRowCount() const
{
    int count = 0;
    for (const ParameterEntry& row : parameters_.rows)
        count += row.checked ? 1 : 0;
    return count;
}

bool ParameterTransfer::OpenFirstSelected(const std::string& caption)
{
    int port = 0;
    while (!bank_.Selected(port))
        ++port;
    if (!bank_.Open(port, kApplicationBaud)) {
        prompts_.ShowMessage(caption, texts_.cannotOpen + " " + bank_.Label(port));
        return false;
    }
    return true;
}

int ParameterTransfer::PrepareUpload()
{
    const int ports = bank_.SelectedCount();
    if (ports == 0) {
        prompts_.ShowMessage(texts_.uploadCaption, texts_.selectPort);
        return -1;
    }
    if (ports > 1) {
        prompts_.ShowMessage(texts_.uploadCaption, texts_.onlyOneScale);
        return -1;
    }
    if (CheckedRowCount() == 0) {
        prompts_.ShowMessage(texts_.uploadCaption, texts_.noParameter);
        return -1;
    }
    if (!OpenFirstSelected(texts_.uploadCaption))
        return -1;
    // Only the rows the upload reads are emptied for their new values; every
    // other row keeps its value, tick and unsaved edit.
    for (ParameterEntry& row : parameters_.rows) {
        if (row.type == "R")
            row.checked = false;
        if (row.checked)
            row.value.clear();
    }
    dispatcher_.StartRun(*this, "params-up", false);
    cursors_.assign(static_cast<size_t>(bank_.PortCount()), Cursor{});
    uploadPort_ = 0;
    while (!bank_.Selected(uploadPort_))
        ++uploadPort_;
    dispatcher_.Slot(uploadPort_).result.data = QJsonObject{{"file", QString::fromStdString(sourcePath_)}};
    dispatcher_.BeginPhase(uploadPort_, "read");
    return uploadPort_;
}

void ParameterTransfer::StartUpload()
{
    if (uploadPort_ >= 0 && !ParamReadStart(uploadPort_, 0))
        UploadOver(uploadPort_);
}

bool ParameterTransfer::ParamReadStart(int port, int firstRow)
{
    // The upload progress window acts only on notices with active 0; that goes
    // for the end notice too, which follows when no row is left.
    StatusNotice& notice = dispatcher_.SharedNotice();
    notice.active = 0;
    const int rows = static_cast<int>(parameters_.rows.size());
    int row = firstRow;
    while (row < rows && (!parameters_.rows[static_cast<size_t>(row)].checked ||
                          parameters_.rows[static_cast<size_t>(row)].type == "R"))
        ++row;
    if (row >= rows)
        return false;
    const ParameterEntry& entry = parameters_.rows[static_cast<size_t>(row)];
    Cursor& cursor = At(port);
    cursor = Cursor{RowAddress(entry), row, RowSize(entry), 0, {}};
    cursor.values.assign(static_cast<size_t>(cursor.size), 0xFF);
    dispatcher_.Slot(port).running = true;
    notice = StatusNotice{0, notice::kProgress, 0, port};
    dispatcher_.Observer().RunOver(notice, 1);
    SendRead(port);
    return true;
}

void ParameterTransfer::SendRead(int port)
{
    const Cursor& cursor = At(port);
    dispatcher_.Send(port, code::kParamRead, BuildEepromRead(cursor.address + static_cast<uint32_t>(cursor.byteIndex)), 9,
                     timeouts_.application);
}

bool ParameterTransfer::ParamReadNext(int port)
{
    Cursor& cursor = At(port);
    if (cursor.byteIndex + 1 < cursor.size) {
        ++cursor.byteIndex;
        SendRead(port);
        return false;
    }
    ParameterEntry& entry = parameters_.rows.at(static_cast<size_t>(cursor.row));
    entry.value = BytesToValueText(entry.type, cursor.values);
    QJsonObject& data = dispatcher_.Slot(port).result.data;
    QJsonArray values = data["values"].toArray();
    values.append(QJsonObject{{"id", QString::fromStdString(entry.id)},
                              {"address", QString::fromStdString(entry.hexAddress)},
                              {"bytes", HexBytes(cursor.values)},
                              {"value", QString::fromStdString(entry.value)}});
    data["values"] = values;
    return true;
}

void ParameterTransfer::UploadOver(int port)
{
    dispatcher_.PortFinished(port);
    dispatcher_.RunOver(notice::kPhaseDone, static_cast<int>(parameters_.rows.size()));
}

// Every ticked row is checked before the first byte goes out, so that a
// wrong value never reaches any module, not even part of the way.
std::string ParameterTransfer::ValueProblems() const
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

bool ParameterTransfer::PrepareParamDownload()
{
    if (bank_.SelectedCount() == 0) {
        prompts_.ShowMessage(texts_.downloadCaption, texts_.selectPorts);
        return false;
    }
    if (!CheckDownloadRows())
        return false;
    // The first ticked port is opened before the window shows, so that a port
    // another program holds is named at once instead of leaving a window that
    // waits for nothing.
    return OpenFirstSelected(texts_.downloadCaption);
}

bool ParameterTransfer::CheckDownloadRows()
{
    // Rows a download never writes are unticked first, so that a selection of
    // only such rows is reported instead of starting a run that writes nothing.
    BuildTransferMask(parameters_);
    for (size_t row = 0; row < parameters_.rows.size(); ++row) {
        if (parameters_.transferMask[row] == 0)
            parameters_.rows[row].checked = false;
    }
    if (CheckedRowCount() == 0) {
        prompts_.ShowMessage(texts_.downloadCaption, texts_.noParameter);
        return false;
    }
    if (const std::string problems = ValueProblems(); !problems.empty()) {
        prompts_.ShowMessage(texts_.downloadCaption, texts_.checkParameter + "\n" + problems);
        return false;
    }
    return true;
}

void ParameterTransfer::BeginParamDownload()
{
    dispatcher_.StartRun(*this, "params-down", true);
    cursors_.assign(static_cast<size_t>(bank_.PortCount()), Cursor{});
    // The application firmware listens at 9,600 bit/s only, so every ticked
    // port runs at that rate, not just the first.
    const int rowsChecked = CheckedRowCount();
    for (int port = 0; port < bank_.PortCount(); ++port) {
        if (!bank_.Selected(port))
            continue;
        if (bank_.BaudRate(port) != kApplicationBaud || !bank_.IsOpen(port))
            bank_.Open(port, kApplicationBaud);
        dispatcher_.SendNotice(port, notice::kPhaseStarts, code::kParamWrite, rowsChecked);
    }
    int first = 0;
    const int rows = static_cast<int>(parameters_.rows.size());
    while (first < rows && !parameters_.rows[static_cast<size_t>(first)].checked)
        ++first;
    for (int port = 0; port < bank_.PortCount(); ++port) {
        if (!bank_.Selected(port))
            continue;
        dispatcher_.Slot(port).result.data = QJsonObject{{"file", QString::fromStdString(sourcePath_)}};
        if (!bank_.IsOpen(port)) {
            const std::string reason = bank_.OpenError(port);
            dispatcher_.FailPort(port, reason.empty() ? texts_.cannotOpen : texts_.cannotOpen + " " + reason);
            continue;
        }
        dispatcher_.Slot(port).running = true;
        dispatcher_.BeginPhase(port, "write");
        Cursor& cursor = At(port);
        cursor.row = first;
        cursor.byteIndex = 0;
        cursor.size = first < rows ? RowSize(parameters_.rows[static_cast<size_t>(first)]) : 0;
        if (!ParamWriteNext(port)) {
            dispatcher_.SendNotice(port, notice::kPhaseDone, rows);
            dispatcher_.PortFinished(port);
        }
    }
}

bool ParameterTransfer::ParamWriteNext(int port)
{
    Cursor& cursor = At(port);
    const int rows = static_cast<int>(parameters_.rows.size());
    if (cursor.row >= rows)
        return false;
    const ParameterEntry* entry = &parameters_.rows[static_cast<size_t>(cursor.row)];
    cursor.size = RowSize(*entry);
    if (cursor.byteIndex >= cursor.size) {
        int next = cursor.row + 1;
        while (next < rows && !parameters_.rows[static_cast<size_t>(next)].checked)
            ++next;
        if (next >= rows)
            return false;
        cursor.row = next;
        cursor.byteIndex = 0;
        entry = &parameters_.rows[static_cast<size_t>(next)];
        cursor.size = RowSize(*entry);
    }
    const int noticeValue = cursor.byteIndex == 0 ? 1 : 0;
    cursor.address = RowAddress(*entry);
    const uint8_t value = ValueTextByte(entry->type, cursor.size, entry->value, cursor.byteIndex);
    if (cursor.byteIndex == 0)
        cursor.values.clear();
    cursor.values.push_back(value);
    dispatcher_.SendNotice(port, notice::kProgress, noticeValue);
    dispatcher_.Send(port, code::kParamWrite, BuildEepromWrite(cursor.address + static_cast<uint32_t>(cursor.byteIndex), value),
                     13, timeouts_.application);
    return true;
}

void ParameterTransfer::OnReply(int port, PortSlot& slot, bool right)
{
    Cursor& cursor = At(port);
    if (slot.code == code::kParamRead) {
        if (!right) {
            // The one port of an upload: the rows read so far keep their
            // values, the one it broke stays empty.
            bank_.Close(port);
            dispatcher_.FailPort(port, texts_.wrongReply, false);
            prompts_.ShowMessage(texts_.uploadCaption, texts_.wrongReply);
            return;
        }
        if (cursor.byteIndex < static_cast<int>(cursor.values.size()))
            cursor.values[static_cast<size_t>(cursor.byteIndex)] = static_cast<uint8_t>(slot.replyBuffer[10]);
        if (!ParamReadNext(port))
            return;
        if (!ParamReadStart(port, cursor.row + 1))
            UploadOver(port);
        return;
    }
    if (!right) {
        dispatcher_.FailPort(port, texts_.wrongReply);
        return;
    }
    ++cursor.byteIndex;
    if (cursor.byteIndex == cursor.size) {
        const ParameterEntry& entry = parameters_.rows.at(static_cast<size_t>(cursor.row));
        QJsonObject& data = slot.result.data;
        QJsonArray written = data["written"].toArray();
        written.append(QJsonObject{{"id", QString::fromStdString(entry.id)},
                                   {"address", QString::fromStdString(entry.hexAddress)},
                                   {"bytes", HexBytes(cursor.values)}});
        data["written"] = written;
    }
    if (!ParamWriteNext(port)) {
        dispatcher_.SendNotice(port, notice::kPhaseDone, static_cast<int>(parameters_.rows.size()));
        dispatcher_.PortFinished(port);
    }
}

void ParameterTransfer::OnTimeout(int port, int eventCode, char lastCode)
{
    const std::string text = eventCode == kEventTimeOut ? texts_.timeOut : std::string("Retry Over");
    if (lastCode == code::kParamRead) {
        dispatcher_.FailPort(port, text, false);
        prompts_.ShowMessage(texts_.downloaderCaption, text);
        return;
    }
    dispatcher_.FailPort(port, text);
}

}  // namespace veltra
