#include "RomRun.h"

#include "CpuClock.h"
#include "FirmwareImage.h"
#include "ProcessResources.h"
#include "ProgramFolder.h"
#include "SheetDriver.h"
#include "SimProcess.h"
#include "StatusWindow.h"

#include <chrono>

namespace veltra::bench {

namespace {

using Clock = std::chrono::steady_clock;

// Erase and blank check may each take the channel's full time-out of a minute
// before a silent port is given up.
constexpr int kWatchdogMs = 300000;

}  // namespace

RomRunResult RunRomDownload(const RomRunSetup& setup)
{
    RomRunResult result;
    ProgramFolder folder;
    const std::string dumpFolder = folder.File("dump");
    SimProcess sim({setup.ports, true, setup.lineRate, setup.eraseMs, {}, dumpFolder});
    if (static_cast<int>(sim.Paths().size()) != setup.ports || !folder.Ready() || !folder.ListPorts(sim.Paths())) {
        result.failure = "the virtual modules or the program folder did not start";
        return result;
    }
    const std::string hexFile = folder.Write("firmware.hex", HexFileText(setup.firmware));
    {
        SheetDriver driver(folder);
        CFlashkitSheet& sheet = driver.Sheet();
        constexpr double kKiBPerMiB = 1024.0;
        result.idleMiB = static_cast<double>(Memory().residentKiB) / kKiBPerMiB;
        ResetPeakMemory();
        driver.AnswerFileDialogWith(hexFile);
        sheet.ChooseRomFile();
        driver.TickPorts(setup.ports);
        sheet.Controls().baudRate->setCurrentText(QString::number(setup.baud));
        if (sheet.Rom().loaded != 1) {
            result.failure = "the image did not load";
            return result;
        }
        if (!driver.Connect()) {
            result.failure = "the ports did not open";
            return result;
        }
        const SheetControls& controls = sheet.Controls();
        for (QCheckBox* box : {controls.erase, controls.blankCheck, controls.romDown, controls.verify})
            box->setChecked(true);
        driver.ArmWatchdog(kWatchdogMs);
        driver.Settle();

        const double simBefore = sim.CpuSeconds();
        const double toolBefore = ProcessCpuSeconds();
        const double simWaitBefore = RunQueueWaitSeconds(sim.Pid());
        const double toolWaitBefore = RunQueueWaitSeconds(0);
        StartLineTap();
        const auto start = Clock::now();
        controls.startDownload->click();  // returns when the status window has closed
        result.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        result.turnarounds = StopLineTap();
        result.peakMiB = static_cast<double>(Memory().peakKiB) / kKiBPerMiB;
        result.toolCpuSeconds = ProcessCpuSeconds() - toolBefore;
        result.simCpuSeconds = sim.CpuSeconds() - simBefore;
        result.toolWaitSeconds = RunQueueWaitSeconds(0) - toolWaitBefore;
        result.simWaitSeconds = RunQueueWaitSeconds(sim.Pid()) - simWaitBefore;

        if (driver.WatchdogFired() || sheet.Status().result() != QDialog::Accepted)
            result.failure = "the status window did not close itself";
        else if (sheet.Dispatcher().DoneCount() != setup.ports)
            result.failure = "not every port finished";
        else if (!driver.Messages().empty())
            result.failure = "message: " + driver.Messages().front();
    }
    result.failure = CheckAfterRun(result.failure, sim, dumpFolder, setup.ports, setup.firmware);
    result.ok = result.failure.empty();
    return result;
}

}  // namespace veltra::bench
