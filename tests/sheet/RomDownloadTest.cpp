#include "SheetHarness.h"

#include <QProgressBar>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <gtest/gtest.h>

using namespace veltra;
using namespace veltra::testing;

namespace {

long ThreadCount() { return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {}); }

std::vector<uint8_t> Firmware(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 37 + 11) ^ (i >> 8));
    return bytes;
}

class RomDownloads : public ::testing::Test {
protected:
    // A harness on these modules with the image loaded and every port ticked.
    void Prepare(const std::vector<sim::ModuleOptions>& modules, size_t imageSize, RunTimeouts timeouts = {})
    {
        harness = std::make_unique<SheetHarness>(modules, timeouts);
        firmware = Firmware(imageSize);
        harness->LoadRom(firmware);
        harness->TickAll();
    }
    void Connect()
    {
        harness->Connect();
        ASSERT_TRUE(harness->sheet->IsConnected());
    }
    void ExpectProgrammed(int module)
    {
        const auto flash = harness->Module(module).Flash();
        ASSERT_TRUE(std::equal(firmware.begin(), firmware.end(), flash.begin())) << "module " << module;
    }

    std::unique_ptr<SheetHarness> harness;
    std::vector<uint8_t> firmware;
};

}  // namespace

// Eight modules at once; then, on one of them, each option box alone sends
// only its own phase's records after the handshake, and with none ticked the
// handshake alone finishes the port.
TEST_F(RomDownloads, EightModulesProgrammedAtOnceAndEachBoxRunsItsPhase)
{
    Prepare(std::vector<sim::ModuleOptions>(8, BootLoader()), 0x8000);
    const SheetControls& c = harness->Controls();
    EXPECT_TRUE(c.romDown->isChecked());  // loading a file ticks ROM Down
    Connect();
    c.verify->setChecked(true);
    c.startDownload->click();  // returns when the window has closed itself
    for (int module = 0; module < 8; ++module) {
        ExpectProgrammed(module);
        EXPECT_EQ(harness->Row(module), "Completed!");
        // At the rate the box says; a port an earlier run left at another is
        // opened again at it, as the port bank's test shows.
        for (const sim::Request& request : harness->Module(module).Requests())
            EXPECT_EQ(request.rate, 115200u) << module;
    }
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
    EXPECT_EQ(harness->sheet->Dispatcher().DoneCount(), 8);
    // A run that finished leaves the ports open and the sheet connected.
    EXPECT_TRUE(harness->sheet->IsConnected() && harness->sheet->Ports().IsOpen(3));
    EXPECT_EQ(harness->sheet->GetToolMessage(21), 1);

    for (int port = 1; port < 8; ++port)
        harness->Tick(port, false);
    const struct {
        QCheckBox* box;
        char type;  // the record type the phase sends
    } phases[] = {{c.erase, '3'}, {c.blankCheck, '4'}, {c.romDown, '0'}, {c.verify, '4'}, {nullptr, '?'}};
    for (const auto& phase : phases) {
        for (QCheckBox* box : {c.erase, c.blankCheck, c.romDown, c.verify})
            box->setChecked(box == phase.box);
        const size_t first = harness->Module(0).Requests().size();
        c.startDownload->click();
        EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
        EXPECT_EQ(harness->Row(0), "Completed!");
        const auto log = harness->Module(0).Requests();
        ASSERT_GT(log.size(), first);
        EXPECT_EQ(log[first].bytes, "U");
        EXPECT_EQ(log.size() > first + 1, phase.box != nullptr);
        for (size_t i = first + 1; i < log.size(); ++i) {
            const std::string& bytes = log[i].bytes;
            if (phase.box == c.romDown && bytes.substr(7, 2) == "03")
                continue;  // the finalisation records close the programming
            EXPECT_EQ(bytes.size() > 8 ? bytes[8] : '?', phase.type) << bytes;
        }
    }
}

// A row shows what really stopped its port: "Check sum" and "Wrong reply!"
// stay, for the port no longer waits for a reply whose time-out could take
// their place; a ticked port that cannot be opened fails at once with the
// system's reason; an adapter pulled out mid-run is shown unplugged; a port
// whose programming is over has a full bar. Once every port has ended, Enter
// closes the window as the run's end would.
TEST_F(RomDownloads, EveryRowShowsWhatStoppedItsPort)
{
    std::vector<sim::ModuleOptions> modules(7, BootLoader());
    modules[1].faults.nakBlock = 3;
    modules[2].faults.stuckBit = sim::StuckBit{0x0123, 2, 1};
    modules[3].faults.silent = true;
    modules[4].faults.handshakeNoise = "\xF8";
    modules[5].faults.hangUpAfterBytes = 2000;
    RunTimeouts timeouts;
    timeouts.bootLoader = 3000;
    Prepare(modules, 0x0800, timeouts);
    // The terminal's number stays taken after the hang-up while a descriptor
    // is open on it: a test running beside this one cannot get the same
    // /dev/pts name and make the port look plugged in again.
    const int keepNumber = ::open(harness->Module(5).Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(keepNumber, 0);
    harness->Tick(6, false);
    Connect();
    auto holder = std::make_unique<HeldPort>(harness->Module(6).Path());
    ASSERT_TRUE(holder->Held());
    harness->Tick(6);
    harness->Controls().verify->setChecked(true);

    StatusWindow& status = harness->sheet->Status();
    TestPoller enter([&] {
        if (status.isVisible() && harness->Finished() == 7)
            QTest::keyClick(status.List(), Qt::Key_Return);
    });
    harness->Controls().startDownload->click();
    holder.reset();

    EXPECT_EQ(status.result(), QDialog::Accepted);
    const char* const rows[] = {"Completed!",       " - Check sum ",    " - Verification Fail! ",
                                " - Time Out! ",    " - Wrong reply! ", " - Time Out! ",
                                " - Can not open a serial port: Device or resource busy "};
    for (int port = 0; port < 7; ++port) {
        EXPECT_EQ(harness->Row(port).toStdString(), rows[port]) << port;
        EXPECT_EQ(status.List()->RowColour(port), port == 0 ? 0xFF0000 : 0x0000FF) << port;  // blue, red
    }
    ExpectProgrammed(0);
    EXPECT_EQ(harness->sheet->Dispatcher().FailCount(), 6);
    const QProgressBar* bar = status.List()->ProgressBar(0);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(harness->sheet->IsConnected());
    EXPECT_TRUE(RunUntil([this] { return harness->Ports().Image(5) == port_image::kUnplugged; }));
    ::close(keepNumber);
}

// Escape and Enter leave a running download's window alone; its button closes
// it and ends the operation: every port closed and marked, the tool states
// reset, no thread of ours left.
TEST_F(RomDownloads, OnlyTheButtonClosesARunningDownloadAndNoThreadIsLeft)
{
    Prepare(std::vector<sim::ModuleOptions>(3, BootLoader(std::chrono::seconds(60))), 0x0400);
    const long threadsBefore = ThreadCount();
    Connect();
    StatusWindow& status = harness->sheet->Status();
    std::vector<bool> shownAfter;
    TestPoller keys([&] {
        if (!status.isVisible() || harness->Row(2) != "ROM Erasing...")
            return;
        if (shownAfter.size() == 2)
            return status.findChild<QPushButton*>(QStringLiteral("2"))->click();
        QTest::keyClick(status.List(), shownAfter.empty() ? Qt::Key_Escape : Qt::Key_Return);
        shownAfter.push_back(status.isVisible());
    });
    harness->Controls().startDownload->click();
    EXPECT_EQ(shownAfter, (std::vector<bool>{true, true}));
    EXPECT_EQ(status.result(), QDialog::Rejected);
    EXPECT_FALSE(harness->sheet->IsConnected());
    for (int port = 0; port < 3; ++port) {
        EXPECT_FALSE(harness->sheet->Ports().IsOpen(port));
        EXPECT_EQ(harness->Ports().Image(port), port_image::kClosed);
    }
    EXPECT_EQ(harness->sheet->GetToolMessage(21), 0);
    EXPECT_LE(ThreadCount(), threadsBefore);  // Qt may end a worker of its own meanwhile
    EXPECT_EQ(harness->sheet->Dispatcher().DoneCount(), 0);
}

// The image programmed is the one the operator was told about: without an
// image, programming and verifying are refused before a byte goes out; a
// changed file is offered again, and one that no longer loads stops the run.
TEST_F(RomDownloads, ChangedFileIsOfferedAgainAndProgrammingNeedsAnImage)
{
    harness = std::make_unique<SheetHarness>(1, BootLoader());
    const SheetControls& c = harness->Controls();
    harness->TickAll();
    Connect();
    for (const bool verifyOnly : {true, false}) {
        c.romDown->setChecked(!verifyOnly);
        c.verify->setChecked(verifyOnly);
        PressWhen noWindow(kStatusWindow, "2", [] { return true; });
        EXPECT_EQ(Said([&] { c.startDownload->click(); }), Texts{"Veltra Downloader: Please, load a ROM file..."});
        EXPECT_EQ(noWindow.Presses(), 0);
    }
    EXPECT_TRUE(harness->Module(0).Requests().empty());
    c.verify->setChecked(false);

    // Load, then change the file on disk: Yes reads it again before the run.
    harness->LoadRom(Firmware(0x0200));
    const std::string hexPath = harness->dir.File("firmware.hex");
    const auto rewrite = [&](const std::string& text, time_t seconds) {
        harness->dir.Write("firmware.hex", text);
        const struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, 5}};
        ASSERT_EQ(::utimensat(AT_FDCWD, hexPath.c_str(), times, 0), 0);
    };
    firmware = Firmware(0x0300);
    std::reverse(firmware.begin(), firmware.end());
    rewrite(sim::HexFileText(firmware), 2000000000);
    Connect();
    c.erase->setChecked(true);
    {
        MessageBoxes boxes(QMessageBox::Yes);
        c.startDownload->click();
        ASSERT_FALSE(boxes.Texts().empty());
        EXPECT_EQ(boxes.Texts().front(), "ROM Download: The ROM file is changed. \nDo you want to down this changed file?");
    }
    ExpectProgrammed(0);
    ASSERT_TRUE(RunUntil([&] { return !harness->sheet->Status().isVisible(); }));

    // Changed again, into something that is no HEX file: the reload is
    // refused with its reason, and nothing is sent.
    rewrite("not a hex file\n", 2100000000);
    harness->Module(0).ClearRequests();
    PressWhen noWindow(kStatusWindow, "2", [] { return true; });
    MessageBoxes boxes(QMessageBox::Yes);
    c.startDownload->click();
    ASSERT_EQ(boxes.Texts().size(), 2u);
    EXPECT_EQ(boxes.Texts()[1].rfind("Veltra Downloader: " + hexPath + ": ", 0), 0u) << boxes.Texts()[1];
    EXPECT_EQ(noWindow.Presses(), 0);
    EXPECT_TRUE(harness->Module(0).Requests().empty());
}

// Init. Erase Command sends running modules into their boot loader, writing
// the erase mark only with the option; each run reopens every ticked port at
// 9,600, and a port that cannot be opened is named instead of "OK".
TEST_F(RomDownloads, InitialEraseMakesRunningModulesGiveWay)
{
    for (const bool option : {false, true}) {
        harness.reset();
        harness = std::make_unique<SheetHarness>(std::vector<sim::ModuleOptions>(2), RunTimeouts{},
                                                 Settings{{"OPTIONS", "FW_DW_OPT01", option ? "1" : "0"}});
        const SheetControls& c = harness->Controls();
        harness->Tick(0);
        c.initErase->click();
        Connect();
        MessageBoxes boxes;
        c.startDownload->click();
        EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"ROM Download: Initial erase is OK!"}));
        sim::VirtualModule& module = harness->Module(0);
        EXPECT_TRUE(RunUntil([&] { return module.Running() == sim::Personality::BootLoader; }));
        EXPECT_EQ(module.Eeprom()[509], option ? 0xAA : 0xFF);
        if (!option)
            continue;
        EXPECT_EQ(harness->Ports().Image(0), port_image::kInitialEraseDone);
        EXPECT_FALSE(harness->sheet->Ports().IsOpen(0));
        EXPECT_FALSE(c.initErase->isChecked());
        EXPECT_EQ(harness->Module(1).Running(), sim::Personality::Application);
        EXPECT_TRUE(harness->sheet->IsConnected());

        // Again, on the port the last one closed: it is opened afresh at
        // 9,600; a ticked port another program holds is named, while the
        // other still gets it. How the port list shows why a port would not
        // open is the connection test's.
        module.Restart(sim::Personality::Application);
        module.ClearRequests();
        HeldPort holder(harness->Module(1).Path());
        ASSERT_TRUE(holder.Held());
        harness->Tick(1);
        c.initErase->click();
        c.startDownload->click();
        EXPECT_EQ(boxes.Texts().back(), "ROM Download: Can not open a serial port: " + harness->Ports().PortName(1));
        EXPECT_TRUE(RunUntil([&] { return module.Running() == sim::Personality::BootLoader; }));
        ASSERT_FALSE(module.Requests().empty());
        EXPECT_EQ(module.Requests().back().rate, 9600u);
    }
}
