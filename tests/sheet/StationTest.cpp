// A production station: the port list follows adapters as fixed slots, and
// every operation on every port leaves one record of its board.
#include "FakeMachine.h"
#include "SheetHarness.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <fstream>
#include <map>

using namespace veltra;
using namespace veltra::testing;

namespace {

// Every record line in the harness's records folder.
std::vector<QJsonObject> Records(const SheetHarness& harness)
{
    std::vector<QJsonObject> lines;
    for (const auto& file : std::filesystem::directory_iterator(harness.dir.File("records"))) {
        std::ifstream in(file.path());
        for (std::string line; std::getline(in, line);)
            lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
    }
    return lines;
}

}  // namespace

// Named slots come first in their settings order and stay, unplugged, until
// their adapter comes; other adapters follow in discovery order. An adapter
// pulled out leaves its row; plugged back into the same place under another
// number it takes its row and tick again (new adapters and their rows are the
// slot table's own test). A run on an unplugged slot fails it at once while the others
// finish, each port leaves one record with its slot's name, and the tally
// counts them.
TEST(Station, SlotsFollowAdaptersAndEveryBoardIsRecorded)
{
    // The sheet on a machine of its own: a fake /sys and /dev whose adapters
    // lead to virtual modules, and notices of adapters that come and go.
    FakeMachine machine;
    sim::VirtualBench modules(2, BootLoader());
    machine.Plug("ttyUSB0", "1", {}, modules.Module(0).Path());
    machine.Plug("ttyUSB1", "2", {}, modules.Module(1).Path());
    auto source = std::make_shared<std::unique_ptr<FakeEvents>>(std::make_unique<FakeEvents>());
    FakeEvents& events = **source;
    SheetHarness harness({}, RunTimeouts{},
                         {{"SLOTS", FakeMachine::ByPath("2"), "Nest 2"}, {"SLOTS", FakeMachine::ByPath("7"), "Nest 7"}},
                         [&machine, source](SheetHarness& h) {
                             h.environment.sysfsRoot = machine.Sys();
                             h.environment.devRoot = machine.Dev();
                             h.environment.deviceEvents = [source] { return DeviceEventSource{std::move(*source), {}}; };
                         });
    PortList& list = harness.Ports();
    ASSERT_EQ(list.PortCount(), 3);
    EXPECT_EQ(list.PortName(0), "Nest 2 (ttyUSB1)");
    EXPECT_EQ(list.PortName(1), "Nest 7");
    EXPECT_EQ(list.PortName(2), "ttyUSB0");
    EXPECT_EQ(list.Image(1), port_image::kUnplugged);
    EXPECT_EQ(list.StatusText(1), "unplugged");
    EXPECT_NE(list.topLevelItem(0)->toolTip(1).indexOf("A10K3ZQ5"), -1);

    harness.TickAll();
    machine.Unplug("ttyUSB1", "2");
    events.Notice();
    ASSERT_TRUE(RunUntil([&] { return list.Image(0) == port_image::kUnplugged; }));
    machine.Plug("ttyUSB5", "2", {}, modules.Module(1).Path());
    events.Notice();
    ASSERT_TRUE(RunUntil([&] { return list.PortName(0) == "Nest 2 (ttyUSB5)"; }));
    EXPECT_TRUE(list.IsChecked(0));
    EXPECT_EQ(list.Image(0), port_image::kClosed);

    // The FTDI adapters' latency timers read 16 ms after they opened.
    harness.Connect();
    EXPECT_EQ(list.StatusText(2), "latency timer 16 ms: see the udev rule in the README");
    harness.LoadRom(std::vector<uint8_t>(0x200, 0x5A));
    MessageBoxes boxes;
    PressWhen closer(kStatusWindow, "2", [&] { return harness.Finished() == 3; });
    harness.Controls().startDownload->click();
    EXPECT_EQ(harness.Row(1), " - Can not open a serial port: unplugged ");
    for (int module : {0, 1})
        EXPECT_EQ(modules.Module(static_cast<size_t>(module)).Flash()[0x100], 0x5A) << module;

    std::map<std::string, QJsonObject> byPort;
    for (const QJsonObject& record : Records(harness))
        byPort[record["port"].toString().toStdString()] = record;
    ASSERT_EQ(byPort.size(), 3u);
    EXPECT_EQ(byPort["ttyUSB5"]["slot"].toString(), "Nest 2");
    EXPECT_TRUE(byPort["ttyUSB5"]["ok"].toBool());
    EXPECT_EQ(byPort["ttyUSB0"]["adapterSerial"].toString(), "A10K3ZQ5");
    EXPECT_EQ(byPort[""]["slot"].toString(), "Nest 7");
    EXPECT_EQ(byPort[""]["failure"].toString(), "Can not open a serial port: unplugged");
    EXPECT_EQ(byPort["ttyUSB0"]["data"].toObject()["size"].toInt(), 0x200);
    EXPECT_EQ(harness.Controls().tally->text(), "Today: 2 passed, 1 failed, 3 in all");
}

// Records never stop a run: a folder that cannot be written is said once;
// with [RECORDS] ENABLED=0 nothing is written.
TEST(Station, RecordsThatCannotBeWrittenOrAreOff)
{
    for (const bool off : {false, true}) {
        SheetHarness harness(std::vector<sim::ModuleOptions>(2), RunTimeouts{}, {{"RECORDS", "ENABLED", off ? "0" : "1"}},
                             [](SheetHarness& h) { h.dir.Write("records", "a file, not a folder"); });
        harness.TickAll();
        harness.sheet->Parameters().rows[0].checked = true;
        MessageBoxes boxes;
        harness.sheet->StartDownload();
        EXPECT_EQ(harness.sheet->Status().result(), QDialog::Accepted);
        ASSERT_EQ(boxes.Texts().size(), off ? 0u : 1u);
        EXPECT_TRUE(off || boxes.Last().find("Records cannot be written") != std::string::npos) << boxes.Last();
        EXPECT_EQ(TempDir::Read(harness.dir.File("records")), "a file, not a folder");
    }
}
