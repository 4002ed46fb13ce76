#include "SheetHarness.h"

#include "ProgressListCtrl.h"
#include "StatusWindow.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <gtest/gtest.h>

using namespace veltra;
using veltra::testing::CloseWhen;
using veltra::testing::FileDialogs;
using veltra::testing::MessageBoxes;
using veltra::testing::SheetHarness;
using veltra::testing::WaitFor;

namespace {

int ThreadCount()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(dir))
            count += entry->d_name[0] != '.' ? 1 : 0;
        ::closedir(dir);
    }
    return count;
}

std::vector<uint8_t> Firmware(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 37 + 11) ^ (i >> 8));
    return bytes;
}

sim::ModuleOptions BootLoaderModules()
{
    sim::ModuleOptions options;
    options.start = sim::Personality::BootLoader;
    options.eraseTime = std::chrono::milliseconds(30);
    return options;
}

class RomDownloads : public ::testing::Test {
protected:
    void Prepare(int modules, const std::vector<uint8_t>& image, sim::ModuleOptions options = BootLoaderModules(),
                 RunTimeouts timeouts = {})
    {
        harness = std::make_unique<SheetHarness>(modules, options, timeouts);
        firmware = image;
        hexPath = harness->dir.Write("firmware.hex", veltra::testing::HexFileText(image));
        FileDialogs dialogs(hexPath);
        harness->sheet->ChooseRomFile();
        ASSERT_EQ(harness->sheet->Rom().loaded, 1);
        harness->TickAll();
    }

    void Connect()
    {
        harness->sheet->Controls().connect->click();
        ASSERT_TRUE(harness->sheet->IsConnected());
    }

    void ExpectProgrammed(int module)
    {
        const auto flash = harness->bench->Module(static_cast<size_t>(module)).Flash();
        for (size_t a = 0; a < firmware.size(); ++a)
            ASSERT_EQ(flash[a], firmware[a]) << "module " << module << " address " << a;
    }

    QString RowText(int row) const { return harness->sheet->Status().List()->CellText(row, 3); }

    std::unique_ptr<SheetHarness> harness;
    std::vector<uint8_t> firmware;
    std::string hexPath;
};

}  // namespace

TEST_F(RomDownloads, EightModulesProgrammedAndVerifiedAtOnce)
{
    Prepare(8, Firmware(0x8000));
    const SheetControls& c = harness->sheet->Controls();
    EXPECT_TRUE(c.romDown->isChecked());  // loading a file ticks ROM Down
    Connect();
    c.verify->setChecked(true);
    c.startDownload->click();  // returns when the window has closed itself

    for (int module = 0; module < 8; ++module)
        ExpectProgrammed(module);
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
    EXPECT_EQ(harness->sheet->Dispatcher().DoneCount(), 8);
    for (int row = 0; row < 8; ++row)
        EXPECT_EQ(RowText(row), "Completed!");
    // A run that finished leaves the ports open and the sheet connected.
    EXPECT_TRUE(harness->sheet->IsConnected());
    EXPECT_TRUE(harness->sheet->Ports().IsOpen(3));
    EXPECT_EQ(harness->sheet->GetToolMessage(21), 1);
}

TEST_F(RomDownloads, ShortImageAndEachPhaseAlone)
{
    // The last block holds one byte.
    Prepare(1, Firmware(0x0101));
    Connect();
    harness->sheet->Controls().verify->setChecked(true);
    harness->sheet->Controls().startDownload->click();
    ExpectProgrammed(0);
    const auto requests = harness->bench->Module(0).Requests();
    ASSERT_FALSE(requests.empty());

    // No phase at all: the handshake alone finishes the port.
    const SheetControls& c = harness->sheet->Controls();
    for (QCheckBox* box : {c.erase, c.blankCheck, c.romDown, c.verify})
        box->setChecked(false);
    const size_t before = harness->bench->Module(0).Requests().size();
    c.startDownload->click();
    EXPECT_EQ(harness->bench->Module(0).Requests().size(), before + 1);
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);

    // Each phase alone: the module sees only that phase's records after the
    // handshake, and the run still ends by itself.
    const struct {
        QCheckBox* box;
        char type;  // the record type the phase sends
    } phases[] = {{c.erase, '3'}, {c.blankCheck, '4'}, {c.romDown, '0'}, {c.verify, '4'}};
    for (const auto& phase : phases) {
        for (QCheckBox* box : {c.erase, c.blankCheck, c.romDown, c.verify})
            box->setChecked(box == phase.box);
        const size_t first = harness->bench->Module(0).Requests().size();
        c.startDownload->click();
        EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
        const auto log = harness->bench->Module(0).Requests();
        ASSERT_GT(log.size(), first + 1);
        for (size_t i = first + 1; i < log.size(); ++i) {
            const std::string& bytes = log[i].bytes;
            if (phase.box == c.romDown && bytes.substr(7, 2) == "03")
                continue;  // the finalisation records close the programming
            EXPECT_EQ(bytes.size() > 8 ? bytes[8] : '?', phase.type) << bytes;
        }
    }
    ExpectProgrammed(0);
}

TEST_F(RomDownloads, FailingModulesShowTheirRowWhileTheOthersFinish)
{
    std::vector<sim::ModuleOptions> perModule(4, BootLoaderModules());
    perModule[1].faults.nakBlock = 3;
    perModule[2].faults.stuckBit = sim::StuckBit{0x0123, 2, 1};
    perModule[3].faults.silent = true;
    RunTimeouts timeouts;
    timeouts.bootLoader = 3000;
    harness = std::make_unique<SheetHarness>(perModule, timeouts);
    firmware = Firmware(0x1000);
    FileDialogs dialogs(harness->dir.Write("firmware.hex", veltra::testing::HexFileText(firmware)));
    harness->sheet->ChooseRomFile();
    harness->TickAll();
    Connect();
    harness->sheet->Controls().verify->setChecked(true);
    const int threadsBefore = ThreadCount();

    CloseWhen closer(harness->sheet->Status(), [this] {
        return harness->sheet->Dispatcher().DoneCount() == 1 && RowText(1) == " - Check sum " &&
               RowText(2) == " - Verification Fail! " && RowText(3) == " - Time Out! ";
    });
    harness->sheet->Controls().startDownload->click();

    ExpectProgrammed(0);
    ProgressListCtrl& list = *harness->sheet->Status().List();
    EXPECT_EQ(list.RowColour(0), 0xFF0000);  // blue
    for (int row = 1; row < 4; ++row)
        EXPECT_EQ(list.RowColour(row), 0x0000FF) << row;  // red
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Rejected);
    // Closing with the button ends the operation: every port closed and
    // marked, the tool states reset, no thread of ours left.
    EXPECT_FALSE(harness->sheet->IsConnected());
    for (int port = 0; port < 4; ++port) {
        EXPECT_FALSE(harness->sheet->Ports().IsOpen(port));
        EXPECT_EQ(harness->Ports().Image(port), port_image::kClosed);
    }
    EXPECT_EQ(harness->sheet->GetToolMessage(21), 0);
    EXPECT_LE(ThreadCount(), threadsBefore);
}

// A row shows what really stopped its port: "Check sum" and "Wrong reply!"
// stay, for the port no longer waits for a reply whose time-out could take
// their place; a ticked port that cannot be opened fails at once with the
// system's reason, so the window does not wait for it; a port whose
// programming is over has a full bar. Once every port has ended, Enter
// closes the window as before.
TEST_F(RomDownloads, EveryRowShowsWhatStoppedItsPort)
{
    std::vector<sim::ModuleOptions> perModule(4, BootLoaderModules());
    perModule[1].faults.nakBlock = 0;
    perModule[2].faults.handshakeNoise = "\xF8";
    harness = std::make_unique<SheetHarness>(perModule);
    firmware = Firmware(0x0800);
    FileDialogs dialogs(harness->dir.Write("firmware.hex", veltra::testing::HexFileText(firmware)));
    harness->sheet->ChooseRomFile();
    for (int port = 0; port < 3; ++port)
        harness->Tick(port);
    Connect();
    auto holder = std::make_unique<veltra::testing::HeldPort>(harness->bench->Module(3).Path());
    ASSERT_TRUE(holder->Held());
    harness->Tick(3);

    StatusWindow& status = harness->sheet->Status();
    QTimer enter;
    QObject::connect(&enter, &QTimer::timeout, [&] {
        if (status.isVisible() && harness->sheet->Dispatcher().DoneCount() + harness->sheet->Dispatcher().FailCount() == 4)
            QTest::keyClick(status.List(), Qt::Key_Return);
    });
    enter.start(5);
    harness->sheet->Controls().startDownload->click();
    holder.reset();

    EXPECT_EQ(status.result(), QDialog::Accepted);
    EXPECT_EQ(RowText(0), "Completed!");
    EXPECT_EQ(RowText(1), " - Check sum ");
    EXPECT_EQ(RowText(2), " - Wrong reply! ");
    EXPECT_EQ(RowText(3), " - Can not open a serial port: Device or resource busy ");
    for (int port = 1; port < 3; ++port)
        EXPECT_FALSE(harness->sheet->Ports().AwaitingReply(port)) << port;
    EXPECT_EQ(harness->sheet->Dispatcher().FailCount(), 3);
    const QProgressBar* bar = status.List()->ProgressBar(0);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(harness->sheet->IsConnected());  // Enter closed it as the run's end would
}

// The operator cannot close a running download by accident: Enter and
// Escape leave the window alone while the modules erase, and the run goes on
// to its end.
TEST_F(RomDownloads, EnterAndEscapeWaitForTheRunToEnd)
{
    sim::ModuleOptions slow = BootLoaderModules();
    slow.eraseTime = std::chrono::milliseconds(400);
    Prepare(2, Firmware(0x0400), slow);
    Connect();
    StatusWindow& status = harness->sheet->Status();
    int pressed = 0;
    QTimer keys;
    QObject::connect(&keys, &QTimer::timeout, [&] {
        if (pressed < 2 && status.isVisible() && RowText(1) == "ROM Erasing...") {
            QTest::keyClick(status.List(), pressed++ == 0 ? Qt::Key_Escape : Qt::Key_Return);
        }
    });
    keys.start(5);
    harness->sheet->Controls().startDownload->click();
    EXPECT_EQ(pressed, 2);
    EXPECT_EQ(status.result(), QDialog::Accepted);
    EXPECT_EQ(harness->sheet->Dispatcher().DoneCount(), 2);
    ExpectProgrammed(0);
    ExpectProgrammed(1);
}

// A ROM download runs at the rate the box says, also on ports an earlier
// parameter download left open at 9,600 bit/s.
TEST_F(RomDownloads, RunsAtTheBoxRateOnPortsLeftAtAnother)
{
    harness = std::make_unique<SheetHarness>(1);  // the application firmware first
    firmware = Firmware(0x0200);
    {
        FileDialogs dialogs(harness->dir.Write("firmware.hex", veltra::testing::HexFileText(firmware)));
        harness->sheet->ChooseRomFile();
    }
    harness->TickAll();
    Connect();
    ParameterTable& table = harness->sheet->Parameters();
    table.rows[0].checked = true;
    harness->sheet->StartDownload();
    ASSERT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
    ASSERT_EQ(harness->sheet->Ports().BaudRate(0), 9600u);
    ASSERT_TRUE(harness->sheet->IsConnected());

    sim::VirtualModule& module = harness->bench->Module(0);
    module.Restart(sim::Personality::BootLoader);
    module.ClearRequests();
    harness->sheet->Controls().startDownload->click();
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
    EXPECT_EQ(harness->sheet->Ports().BaudRate(0), 115200u);
    const auto requests = module.Requests();
    ASSERT_FALSE(requests.empty());
    for (const sim::Request& request : requests)
        EXPECT_EQ(request.rate, 115200u);
    ExpectProgrammed(0);
}

TEST_F(RomDownloads, UnpluggedAdapterIsReportedAtOnce)
{
    std::vector<sim::ModuleOptions> perModule(2, BootLoaderModules());
    perModule[1].faults.hangUpAfterBytes = 2000;
    harness = std::make_unique<SheetHarness>(perModule);
    firmware = Firmware(0x2000);
    FileDialogs dialogs(harness->dir.Write("firmware.hex", veltra::testing::HexFileText(firmware)));
    harness->sheet->ChooseRomFile();
    harness->TickAll();
    Connect();
    CloseWhen closer(harness->sheet->Status(), [this] {
        return harness->sheet->Dispatcher().DoneCount() == 1 && RowText(1) == " - Time Out! ";
    });
    harness->sheet->Controls().startDownload->click();
    ExpectProgrammed(0);
    EXPECT_TRUE(WaitFor([this] { return harness->Ports().Image(1) == port_image::kUnplugged; }));
}

TEST_F(RomDownloads, ClosingMidRunStopsEveryPortAndLeavesNoThread)
{
    sim::ModuleOptions slow = BootLoaderModules();
    slow.eraseTime = std::chrono::milliseconds(60000);
    harness = std::make_unique<SheetHarness>(3, slow);
    firmware = Firmware(0x0400);
    FileDialogs dialogs(harness->dir.Write("firmware.hex", veltra::testing::HexFileText(firmware)));
    harness->sheet->ChooseRomFile();
    const int threadsBefore = ThreadCount();
    harness->TickAll();
    Connect();
    CloseWhen closer(harness->sheet->Status(), [this] { return RowText(2) == "ROM Erasing..."; });
    harness->sheet->Controls().startDownload->click();
    for (int port = 0; port < 3; ++port)
        EXPECT_FALSE(harness->sheet->Ports().IsOpen(port));
    EXPECT_LE(ThreadCount(), threadsBefore);  // Qt may end a worker of its own meanwhile
    EXPECT_EQ(harness->sheet->Dispatcher().DoneCount(), 0);
}

// The image programmed is the one the operator was told about: without an
// image, programming and verifying are refused before a byte goes out, and a
// changed file that no longer loads stops the download.
TEST_F(RomDownloads, ChangedFileIsOfferedAgainAndProgrammingNeedsAnImage)
{
    harness = std::make_unique<SheetHarness>(1, BootLoaderModules());
    const SheetControls& c = harness->sheet->Controls();
    harness->TickAll();
    Connect();
    bool windowShown = false;
    const auto noWindow = [&] { return windowShown = true; };
    for (const bool verifyOnly : {true, false}) {
        c.romDown->setChecked(!verifyOnly);
        c.verify->setChecked(verifyOnly);
        CloseWhen closer(harness->sheet->Status(), noWindow);
        MessageBoxes boxes(QMessageBox::Yes);
        c.startDownload->click();
        EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Veltra Downloader: Please, load a ROM file..."}));
    }
    EXPECT_FALSE(windowShown);
    EXPECT_TRUE(harness->bench->Module(0).Requests().empty());
    c.verify->setChecked(false);

    // Load, then change the file on disk: Yes reads it again before the run.
    firmware = Firmware(0x0200);
    hexPath = harness->dir.Write("firmware.hex", veltra::testing::HexFileText(firmware));
    {
        FileDialogs dialogs(hexPath);
        harness->sheet->ChooseRomFile();
    }
    firmware = Firmware(0x0300);
    std::reverse(firmware.begin(), firmware.end());
    harness->dir.Write("firmware.hex", veltra::testing::HexFileText(firmware));
    struct timespec times[2] = {{0, UTIME_OMIT}, {2000000000, 5}};
    ASSERT_EQ(::utimensat(AT_FDCWD, hexPath.c_str(), times, 0), 0);
    Connect();
    c.erase->setChecked(true);
    {
        MessageBoxes boxes(QMessageBox::Yes);
        c.startDownload->click();
        ASSERT_FALSE(boxes.Texts().empty());
        EXPECT_EQ(boxes.Texts().front(), "ROM Download: The ROM file is changed. \nDo you want to down this changed file?");
    }
    ExpectProgrammed(0);
    ASSERT_TRUE(WaitFor([&] { return !harness->sheet->Status().isVisible(); }));

    // Changed again, now into something that is no HEX file: Yes reloads,
    // the reload is refused with its reason, and nothing is sent.
    harness->dir.Write("firmware.hex", "not a hex file\n");
    times[1] = {2100000000, 7};
    ASSERT_EQ(::utimensat(AT_FDCWD, hexPath.c_str(), times, 0), 0);
    harness->bench->Module(0).ClearRequests();
    CloseWhen closer(harness->sheet->Status(), noWindow);
    MessageBoxes boxes(QMessageBox::Yes);
    c.startDownload->click();
    ASSERT_EQ(boxes.Texts().size(), 2u);
    EXPECT_EQ(boxes.Texts()[1].rfind("Veltra Downloader: " + hexPath + ": ", 0), 0u) << boxes.Texts()[1];
    EXPECT_FALSE(windowShown);
    EXPECT_TRUE(harness->bench->Module(0).Requests().empty());
    ExpectProgrammed(0);
}

TEST_F(RomDownloads, InitialEraseMakesRunningModulesGiveWay)
{
    std::vector<sim::ModuleOptions> perModule(2);
    harness = std::make_unique<SheetHarness>(
        perModule, RunTimeouts{}, std::vector<std::array<std::string, 3>>{{"OPTIONS", "FW_DW_OPT01", "1"}});
    const SheetControls& c = harness->sheet->Controls();
    EXPECT_TRUE(harness->sheet->PreEraseOption());
    harness->Tick(0);
    c.initErase->click();
    Connect();
    MessageBoxes boxes;
    c.startDownload->click();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"ROM Download: Initial erase is OK!"}));
    sim::VirtualModule& module = harness->bench->Module(0);
    EXPECT_TRUE(WaitFor([&] { return module.Running() == sim::Personality::BootLoader; }));
    EXPECT_EQ(module.Eeprom()[509], 0xAA);
    EXPECT_EQ(harness->Ports().Image(0), port_image::kInitialEraseDone);
    EXPECT_FALSE(harness->sheet->Ports().IsOpen(0));
    EXPECT_FALSE(c.initErase->isChecked());
    EXPECT_EQ(harness->bench->Module(1).Running(), sim::Personality::Application);
    EXPECT_TRUE(harness->sheet->IsConnected());

    // Again, on the port the last one closed: it is opened afresh at 9,600.
    module.Restart(sim::Personality::Application);
    module.ClearRequests();
    c.initErase->click();
    c.startDownload->click();
    EXPECT_EQ(boxes.Texts().back(), "ROM Download: Initial erase is OK!");
    EXPECT_TRUE(WaitFor([&] { return module.Running() == sim::Personality::BootLoader; }));
    ASSERT_FALSE(module.Requests().empty());
    EXPECT_EQ(module.Requests().back().rate, 9600u);

    // A ticked port another program holds: "OK" is not said, the port is
    // named, and its reason is in the port list; the other still gets it.
    module.Restart(sim::Personality::Application);
    auto holder = std::make_unique<veltra::testing::HeldPort>(harness->bench->Module(1).Path());
    ASSERT_TRUE(holder->Held());
    harness->Tick(1);
    c.initErase->click();
    c.startDownload->click();
    holder.reset();
    EXPECT_EQ(boxes.Texts().back(), "ROM Download: Can not open a serial port: " + harness->Ports().PortName(1));
    EXPECT_TRUE(WaitFor([&] { return module.Running() == sim::Personality::BootLoader; }));
    EXPECT_EQ(harness->bench->Module(1).Running(), sim::Personality::Application);
    EXPECT_TRUE(harness->Ports().StatusText(1).contains("Device or resource busy"));

    // Without the option the mark is not written.
    SheetHarness plain(1);
    plain.Tick(0);
    plain.sheet->Controls().initErase->click();
    plain.sheet->Controls().connect->click();
    plain.sheet->Controls().startDownload->click();
    EXPECT_TRUE(WaitFor([&] { return plain.bench->Module(0).Running() == sim::Personality::BootLoader; }));
    EXPECT_EQ(plain.bench->Module(0).Eeprom()[509], 0xFF);
}
