#include "SoakRig.h"

#include "FirmwareImage.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

namespace veltra::soak {

namespace {

constexpr size_t kBlockBytes = 128;
constexpr size_t kFlashBytes = 65536;

}  // namespace

std::string SoakRig::WriteFirmware(const std::vector<uint8_t>& firmware)
{
    const std::string path = folder_.Write("firmware.hex", bench::HexFileText(firmware));
    // A time of its own for every version, as a rebuilt file has: one
    // written within the file system's clock tick of the last would look
    // unchanged.
    ++firmwareVersion_;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(1'000'000'000 + firmwareVersion_), 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? path : std::string();
}

// A new image every time, of a new size, so that a module that skipped a
// phase cannot pass with what an earlier download left. The file chosen at
// the start is rewritten, and Start Download offers to read it again.
void SoakRig::RomDownload(OperationRun& run)
{
    std::vector<uint8_t> firmware(static_cast<size_t>(Between(0x100, 0x2000)));
    for (uint8_t& byte : firmware)
        byte = static_cast<uint8_t>(Between(0, 255));
    const size_t blocks = (firmware.size() + kBlockBytes - 1) / kBlockBytes;
    PortTraffic traffic;
    // Handshake, erase, blank check and the program blocks, the last one
    // counted as the shortest it can be.
    traffic.requests = 3 + blocks;
    traffic.bytes = 1 + 13 + 21 + (blocks - 1) * (11 + 2 * kBlockBytes) + 13;
    traffic.firmware = &firmware;
    traffic.programBlocks = blocks;
    for (int port = 0; port < options_.modules; ++port)
        run.ports.push_back(port);
    PlanFaults(run, traffic);
    PrepareModules(run, sim::Personality::BootLoader);

    if (WriteFirmware(firmware).empty()) {
        Fail(run, -1, "the firmware file could not be written");
        return;
    }
    // The boot loader takes any rate from its handshake.
    Connect(run, QStringLiteral("115200"));
    CFlashkitSheet& sheet = driver_->Sheet();
    const SheetControls& controls = sheet.Controls();
    for (QCheckBox* box : {controls.erase, controls.blankCheck, controls.romDown, controls.verify})
        box->setChecked(true);
    const std::vector<RowOutcome> rows = RunInStatusWindow(run, [&controls] { controls.startDownload->click(); });
    if (MessageCount(run, kFirmwareChanged) != 1)
        Fail(run, -1, "the changed firmware file was not offered once");
    if (run.hung)
        return;

    for (const int port : run.ports) {
        const RowOutcome& row = rows[static_cast<size_t>(port)];
        const PortFault* fault = FaultOf(run, port);
        Judge(run, port, fault != nullptr ? fault->expectation : Expectation{}, row.finished, row.texts);
        if (!row.finished)
            continue;
        ModuleMemory expected = model_[static_cast<size_t>(port)];
        expected.flash.assign(kFlashBytes, 0xFF);
        std::copy(firmware.begin(), firmware.end(), expected.flash.begin());
        CheckMemory(run, port, expected);
    }
}

}  // namespace veltra::soak
