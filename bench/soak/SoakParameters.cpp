#include "SoakRig.h"

#include "ParameterFile.h"
#include "ParameterList.h"
#include "ParameterRows.h"
#include "StatusWindow.h"
#include "UploadProgressWindow.h"
#include "ValueText.h"

#include <algorithm>
#include <cstdio>

namespace veltra::soak {

namespace {

constexpr size_t kWriteRequestBytes = 13;
constexpr size_t kReadRequestBytes = 9;
constexpr const char* kDefaultParameterFile = "Data/VELTRA_EEPROM_DATA_SIGN.vtp";

std::vector<uint8_t> EepromBytes(const ModuleMemory& memory, const ParameterEntry& row)
{
    const auto first = memory.eeprom.begin() + static_cast<long>(RowAddress(row));
    return {first, first + static_cast<long>(RowSize(row))};
}

size_t TickedBytes(const ParameterTable& table)
{
    size_t bytes = 0;
    for (const ParameterEntry& row : table.rows)
        bytes += row.checked ? RowSize(row) : 0;
    return bytes;
}

}  // namespace

// A parameter file of its own for every download: new values in every row a
// download writes, of the kind each type holds, and a random choice of rows.
void SoakRig::ParameterDownload(OperationRun& run)
{
    ParameterTable table = layout_;
    std::vector<std::vector<uint8_t>> values(table.rows.size());
    std::vector<size_t> written;
    for (size_t i = 0; i < table.rows.size(); ++i) {
        table.rows[i].checked = false;
        if (table.transferMask[i] == 1)
            written.push_back(i);
    }
    table.rows[written[static_cast<size_t>(Between(0, static_cast<int>(written.size()) - 1))]].checked = true;
    for (const size_t i : written) {
        ParameterEntry& row = table.rows[i];
        row.checked = row.checked || Chance(0.5);
        values[i] = RandomRowValue(row, random_);
        row.value = BytesToValueText(row.type, values[i]);
    }
    PortTraffic traffic;
    traffic.requests = TickedBytes(table);
    traffic.bytes = traffic.requests * kWriteRequestBytes;
    for (int port = 0; port < options_.modules; ++port)
        run.ports.push_back(port);
    // Now and then a ticked row holds a value its type cannot: the whole
    // download must be refused before any module gets a byte.
    int outOfRange = -1;
    if (run.number > 0 && Chance(0.2)) {
        std::vector<size_t> ticked;
        for (const size_t i : written)
            if (table.rows[i].checked)
                ticked.push_back(i);
        outOfRange = static_cast<int>(ticked[static_cast<size_t>(Between(0, static_cast<int>(ticked.size()) - 1))]);
        table.rows[static_cast<size_t>(outOfRange)].value = OutOfRangeValue(table.rows[static_cast<size_t>(outOfRange)]);
        std::printf("operation %d: %s with row %d out of range (\"%s\")\n", run.number, OperationName(run.operation),
                    outOfRange, table.rows[static_cast<size_t>(outOfRange)].value.c_str());
    } else {
        PlanFaults(run, traffic);
    }
    PrepareModules(run, sim::Personality::Application);

    // The values go in through the shipped file, which the sheet reads
    // again on the host's call, as after an edit of the file; Qt's file
    // dialog would keep some of its memory every time it opened.
    CFlashkitSheet& sheet = driver_->Sheet();
    std::string error;
    if (!SaveParameterFile(folder_.File(kDefaultParameterFile), table, error) ||
        sheet.LoadDefaultParameterFile() != 1) {
        Fail(run, -1, "the parameter file could not be written and read: " + error);
        return;
    }
    ParameterTable& loaded = sheet.Parameters();
    if (loaded.rows.size() != table.rows.size()) {
        Fail(run, -1, "the parameter file loaded " + std::to_string(loaded.rows.size()) + " rows of " +
                          std::to_string(table.rows.size()));
        return;
    }
    for (size_t i = 0; i < table.rows.size(); ++i)
        loaded.rows[i].checked = table.rows[i].checked;
    const SheetControls& controls = sheet.Controls();
    if (!controls.paramMode->isChecked())
        controls.paramMode->click();
    controls.parameterList->ShowTable();
    Connect(run, QStringLiteral("9600"));
    if (outOfRange >= 0) {
        const bool shown = RunWindow(run, sheet.Status(), "status window", "2", [] { return true; },
                                     [&sheet] { sheet.StartDownload(); });
        if (run.hung)
            return;
        run.refusal = "Parameter Download: Please, check the parameter data:\n";
        const std::vector<std::string> messages = MessagesSince(run);
        const bool said = messages.size() == 1 && messages.front().rfind(run.refusal, 0) == 0 &&
                          messages.front().find("ID " + table.rows[static_cast<size_t>(outOfRange)].id + " ") !=
                              std::string::npos;
        if (shown || !said)
            Fail(run, -1, "a download with an out-of-range value was not refused with its row named");
        run.records = 0;
        for (const int port : run.ports)
            CheckMemory(run, port, model_[static_cast<size_t>(port)]);
        tally_.CountRefusedDownload();
        return;
    }
    const std::vector<RowOutcome> rows = RunInStatusWindow(run, [&sheet] { sheet.StartDownload(); });
    if (run.hung)
        return;

    for (const int port : run.ports) {
        const RowOutcome& row = rows[static_cast<size_t>(port)];
        const PortFault* fault = FaultOf(run, port);
        Judge(run, port, fault != nullptr ? fault->expectation : Expectation{}, row.finished, row.texts);
        if (!row.finished)
            continue;
        ModuleMemory expected = model_[static_cast<size_t>(port)];
        for (size_t i = 0; i < table.rows.size(); ++i) {
            const auto at = expected.eeprom.begin() + static_cast<long>(RowAddress(table.rows[i]));
            if (table.rows[i].checked)
                std::copy(values[i].begin(), values[i].end(), at);
        }
        CheckMemory(run, port, expected);
    }
}

// From one module picked at random, a random choice of rows; the list must
// then show that module's bytes, row by row.
void SoakRig::ParameterUpload(OperationRun& run)
{
    CFlashkitSheet& sheet = driver_->Sheet();
    ParameterTable& table = sheet.Parameters();
    for (ParameterEntry& row : table.rows)
        row.checked = row.type != "R" && Chance(0.5);
    if (TickedBytes(table) == 0)
        table.rows.front().checked = true;  // the parameter version: every file begins with it
    PortTraffic traffic;
    traffic.requests = TickedBytes(table);
    traffic.bytes = traffic.requests * kReadRequestBytes;
    const int port = Between(0, options_.modules - 1);
    run.ports.push_back(port);
    PlanFaults(run, traffic);
    PrepareModules(run, sim::Personality::Application);

    const SheetControls& controls = sheet.Controls();
    if (!controls.paramMode->isChecked())
        controls.paramMode->click();
    controls.parameterList->ShowTable();
    const std::vector<ParameterEntry> ticked = table.rows;
    Connect(run, QStringLiteral("9600"));
    auto& window = *sheet.findChild<UploadProgressWindow*>(QStringLiteral("4023"));
    window.setResult(QDialog::Rejected);
    const auto timedOut = [&] { return MessageCount(run, TimeOutText(run.operation)) > 0; };
    // A time-out leaves the window open under its message: it is closed with
    // its button once the message has been answered.
    const bool pressed = RunWindow(run, window, "upload window", "2", timedOut, [&sheet] { sheet.StartUpload(); });
    if (run.hung)
        return;
    // A port pulled out before the upload refuses it before any window opens.
    run.refusal = "Parameter Upload: Can not open a serial port: ";
    const std::vector<std::string> messages = MessagesSince(run);
    const bool refused = std::any_of(messages.begin(), messages.end(),
                                     [&run](const std::string& text) { return text.rfind(run.refusal, 0) == 0; });
    if (refused)
        run.records = 0;
    const bool finished = !timedOut() && !refused;
    if (finished && window.result() != QDialog::Accepted)
        Fail(run, port, "the upload finished, but its window did not close by itself");
    if (!finished && !refused && !pressed)
        Fail(run, port, "the upload timed out, but its window closed by itself");
    const PortFault* fault = FaultOf(run, port);
    Judge(run, port, fault != nullptr ? fault->expectation : Expectation{}, finished, MessagesSince(run));
    if (!finished)
        return;
    const ModuleMemory& module = model_[static_cast<size_t>(port)];
    for (size_t i = 0; i < ticked.size(); ++i) {
        const ParameterEntry& row = ticked[i];
        if (!row.checked || row.type == "R")
            continue;
        const std::string expected = BytesToValueText(row.type, EepromBytes(module, row));
        const std::string shown = controls.parameterList->topLevelItem(static_cast<int>(i))->text(7).toStdString();
        if (shown == expected)
            continue;
        const std::vector<uint8_t> want = ValueTextToBytes(row.type, static_cast<int>(RowSize(row)), expected);
        const std::vector<uint8_t> got = ValueTextToBytes(row.type, static_cast<int>(RowSize(row)), shown);
        size_t wrong = 0;
        for (size_t k = 0; k < want.size(); ++k)
            wrong += k >= got.size() || got[k] != want[k] ? 1 : 0;
        tally_.CountWrongBytes(std::max<size_t>(wrong, 1));
        tally_.CountWrongValue();
        Fail(run, port, "row " + std::to_string(i) + " shows \"" + shown + "\" for \"" + expected + "\"");
    }
    CheckMemory(run, port, module);
}

}  // namespace veltra::soak
