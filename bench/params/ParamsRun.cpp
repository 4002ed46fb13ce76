#include "ParamsRun.h"

#include "CpuClock.h"
#include "ParameterList.h"
#include "ParameterTable.h"
#include "ProgramFolder.h"
#include "SheetDriver.h"
#include "SimProcess.h"
#include "StatusWindow.h"
#include "ValueText.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <vector>

namespace veltra::bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint64_t kReadRequest = 9;
constexpr uint64_t kWriteRequest = 13;
constexpr uint64_t kFrameReply = 13;
constexpr size_t kEepromBytes = 512;
constexpr int kWatchdogMs = 300000;

// Every byte differs from its neighbours and from the erased 0xFF, so that a
// value read from the wrong address shows.
std::string EepromPattern()
{
    std::string bytes(kEepromBytes, '\0');
    for (size_t i = 0; i < kEepromBytes; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) % 251);
    return bytes;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

uint32_t Address(const ParameterEntry& row)
{
    return static_cast<uint32_t>(std::stoul(row.hexAddress, nullptr, 16));
}

int Size(const ParameterEntry& row)
{
    return std::atoi(row.size.c_str());
}

// What the operator would tick: every row a download writes.
void TickTransferRows(CFlashkitSheet& sheet)
{
    ParameterTable& table = sheet.Parameters();
    for (size_t row = 0; row < table.rows.size(); ++row)
        table.rows[row].checked = table.transferMask.at(row) == 1;
    sheet.Controls().parameterList->ShowTable();
}

std::string CheckUpload(const ParameterTable& table, const std::string& eeprom)
{
    for (size_t i = 0; i < table.rows.size(); ++i) {
        const ParameterEntry& row = table.rows[i];
        if (!row.checked)
            continue;
        const uint32_t address = Address(row);
        std::vector<uint8_t> bytes;
        for (int k = 0; k < Size(row); ++k)
            bytes.push_back(static_cast<uint8_t>(eeprom.at(address + static_cast<uint32_t>(k))));
        if (row.value != BytesToValueText(row.type, bytes))
            return "row " + std::to_string(i) + " shows " + row.value;
    }
    return {};
}

std::string CheckDownload(const ParameterTable& table, const std::string& dumpFolder, int ports)
{
    for (int module = 0; module < ports; ++module) {
        const std::string eeprom = ReadFile(dumpFolder + "/module" + std::to_string(module) + ".eeprom.bin");
        if (eeprom.size() != kEepromBytes)
            return "module " + std::to_string(module) + ": no EEPROM dump";
        for (size_t i = 0; i < table.rows.size(); ++i) {
            const ParameterEntry& row = table.rows[i];
            if (!row.checked)
                continue;
            const std::vector<uint8_t> bytes = ValueTextToBytes(row.type, Size(row), row.value);
            for (size_t k = 0; k < bytes.size(); ++k) {
                if (static_cast<uint8_t>(eeprom.at(Address(row) + k)) != bytes[k])
                    return "module " + std::to_string(module) + ": row " + std::to_string(i) + " not written";
            }
        }
    }
    return {};
}

}  // namespace

ParamsRunResult RunParameterTransfer(Transfer transfer, int ports)
{
    ParamsRunResult result;
    ProgramFolder folder;
    const std::string dumpFolder = folder.File("dump");
    const std::string eepromFile = folder.Write("eeprom.bin", EepromPattern());
    SimProcess sim({ports, false, true, 0, eepromFile, dumpFolder});
    if (static_cast<int>(sim.Paths().size()) != ports || !folder.Ready() || !folder.ListPorts(sim.Paths())) {
        result.failure = "the virtual modules or the program folder did not start";
        return result;
    }
    ParameterTable table;
    {
        SheetDriver driver(folder);
        CFlashkitSheet& sheet = driver.Sheet();
        if (sheet.Parameters().rows.empty()) {
            result.failure = "the default parameter file did not load";
            return result;
        }
        // The application firmware listens at 9,600 bit/s only.
        sheet.Controls().baudRate->setCurrentText(QStringLiteral("9600"));
        driver.TickPorts(ports);
        TickTransferRows(sheet);
        driver.ArmWatchdog(kWatchdogMs);
        driver.Settle();

        const double toolBefore = ProcessCpuSeconds();
        const double simBefore = sim.CpuSeconds();
        const double toolWaitBefore = RunQueueWaitSeconds(0);
        const double simWaitBefore = RunQueueWaitSeconds(sim.Pid());
        StartLineTap();
        const auto start = Clock::now();
        if (transfer == Transfer::Upload)
            sheet.StartUpload();  // returns when the upload window has closed
        else
            sheet.StartDownload();  // returns when the status window has closed
        result.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        result.turnarounds = StopLineTap();
        result.toolCpuSeconds = ProcessCpuSeconds() - toolBefore;
        result.simCpuSeconds = sim.CpuSeconds() - simBefore;
        result.toolWaitSeconds = RunQueueWaitSeconds(0) - toolWaitBefore;
        result.simWaitSeconds = RunQueueWaitSeconds(sim.Pid()) - simWaitBefore;

        if (driver.WatchdogFired())
            result.failure = "the operation window did not close itself";
        else if (transfer == Transfer::Download && sheet.Dispatcher().DoneCount() != ports)
            result.failure = "not every port finished";
        else if (!driver.Messages().empty())
            result.failure = "message: " + driver.Messages().front();
        table = sheet.Parameters();
    }
    for (const ParameterEntry& row : table.rows) {
        if (!row.checked)
            continue;
        const auto bytes = static_cast<uint64_t>(Size(row));
        result.exchanges += bytes;
        result.lineBytes += bytes * ((transfer == Transfer::Upload ? kReadRequest : kWriteRequest) + kFrameReply);
    }
    if (!sim.Quit() && result.failure.empty())
        result.failure = "the virtual modules did not quit cleanly";
    if (result.failure.empty()) {
        result.failure = transfer == Transfer::Upload ? CheckUpload(table, EepromPattern())
                                                      : CheckDownload(table, dumpFolder, ports);
    }
    result.ok = result.failure.empty();
    return result;
}

}  // namespace veltra::bench
