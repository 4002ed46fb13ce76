#include "SheetHarness.h"

#include "CommandRecord.h"
#include "ModuleTestWindow.h"
#include "UtcClock.h"

#include <QElapsedTimer>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace veltra;
using namespace veltra::testing;

namespace {

// Requests as the tool builds them: how each is built, byte for byte, is the
// golden exchanges' test, and a module answers only a whole, right frame.
std::string Item(int item) { return BuildTestRequest(static_cast<uint32_t>(item)); }
std::string Write(uint32_t address, int value) { return BuildEepromWrite(address, static_cast<uint8_t>(value)); }

// What a test of these items sends when every one is answered: the first
// item, the date of 2008-05-13, the other items and the result byte.
std::vector<std::string> TestFrames(const std::vector<int>& items, int result)
{
    std::vector<std::string> frames = {Item(items[0]), Write(0x1D0, 8), Write(0x1D1, 5), Write(0x1D2, 13)};
    for (size_t i = 1; i < items.size(); ++i)
        frames.push_back(Item(items[i]));
    frames.push_back(Write(0x1D3, result));
    return frames;
}

// The record read: addresses 464 to 467.
const std::vector<std::string> kRecordReads = {BuildEepromRead(0x1D0), BuildEepromRead(0x1D1), BuildEepromRead(0x1D2),
                                               BuildEepromRead(0x1D3)};

constexpr int kBlue = 0xFF0000;
constexpr int kRed = 0x0000FF;
using Record = std::array<uint8_t, 4>;

class ModuleTestRun : public ::testing::Test {
protected:
    void SetUp() override { SetUtcClockForTesting([] { return CalendarDate{2008, 5, 13}; }); }
    void TearDown() override
    {
        harness.reset();
        SetUtcClockForTesting({});
    }

    void Start(const std::vector<sim::ModuleOptions>& modules, const std::string& items = "")
    {
        RunTimeouts timeouts;
        timeouts.testRecord = 3000;
        harness = std::make_unique<SheetHarness>(modules, timeouts,
                                                 items.empty() ? Settings{} : Settings{{"TEST", "ITEM_SETTING", items}});
    }

    // The requests the module received from entry `from` on; every one must
    // have come at 9,600 bit/s.
    std::vector<std::string> Sent(int module, size_t from = 0)
    {
        std::vector<std::string> frames;
        const auto requests = harness->Module(module).Requests();
        for (size_t i = from; i < requests.size(); ++i) {
            EXPECT_EQ(requests[i].rate, 9600u) << "module " << module << " request " << i;
            frames.push_back(requests[i].bytes);
        }
        return frames;
    }
    size_t RequestCount(int module) { return harness->Module(module).Requests().size(); }
    Record Stamp(int module)
    {
        const auto eeprom = harness->Module(module).Eeprom();
        return {eeprom[464], eeprom[465], eeprom[466], eeprom[467]};
    }
    int Colour(int row) { return harness->sheet->Status().List()->RowColour(row); }

    // Reads the records through the module test window, pressing its OK once
    // "Compeleted!" has been answered; the window's list afterwards.
    QTableWidget& ReadRecords(MessageBoxes& boxes)
    {
        PressWhen closer(kTestLogWindow, "1", [&boxes] { return boxes.Last() == "Veltra Downloader: Compeleted!"; });
        harness->sheet->ShowJigTest();
        return *harness->sheet->findChild<ModuleTestWindow*>()->List();
    }

    // A row of the log: port, date, result byte and each item's mark (P, F or blank).
    void ExpectRow(QTableWidget& list, int row, int port, const QString& date, const QString& hex,
                   const std::string& items = "        ")
    {
        const auto cell = [&list, row](int column) {
            return list.item(row, column) ? list.item(row, column)->text() : QString();
        };
        EXPECT_EQ(cell(0).toStdString(), harness->Ports().PortName(port)) << "row " << row;
        EXPECT_EQ(cell(1), date) << "row " << row;
        EXPECT_EQ(cell(2), hex) << "row " << row;
        for (int column = 3; column < 11; ++column) {
            const char mark = items[static_cast<size_t>(column - 3)];
            EXPECT_EQ(cell(column), mark == 'P' ? "PASS" : mark == 'F' ? "FAIL" : "") << row << " " << column;
        }
    }

    std::unique_ptr<SheetHarness> harness;
};

}  // namespace

// Without a ticked port nothing starts, the options are not even offered,
// and the log window closes by itself. Cancel tests nothing; every box
// cleared keeps the choice but leaves nothing to test (what the dialog
// stores is its own test's). Every ticked port is
// tested at 9,600 bit/s and left open at that rate; an open port that is not
// ticked is left alone. The options dialog opens with what the last OK wrote;
// the items ticked are requested, and the untested ones keep their bits in
// the result byte, which the log shows item by item. Each test stamps one date.
TEST_F(ModuleTestRun, TheChosenItemsAreRequestedOnTickedPortsAndDecideTheResultByteUnderOneDate)
{
    Start(std::vector<sim::ModuleOptions>(3));
    MessageBoxes boxes;
    OptionsAnswer options("", false);
    harness->sheet->JigTest();
    QElapsedTimer waited;
    waited.start();
    PressWhen guard(kTestLogWindow, "1", [&waited] { return waited.elapsed() > 10000; });
    harness->sheet->ShowJigTest();
    EXPECT_EQ(guard.Presses(), 0);
    const Texts refusals = {"Module Test: Please, select a port", "Veltra Downloader: You should check the Ports!"};
    EXPECT_EQ(boxes.Texts(), refusals);
    EXPECT_TRUE(options.Shown().empty());

    harness->TickAll();
    harness->Connect();  // at the baud box's 115200
    ASSERT_EQ(harness->sheet->Ports().BaudRate(0), 115200u);
    harness->Tick(2, false);
    harness->sheet->JigTest();
    options.Set("00000000", true);
    harness->sheet->JigTest();
    EXPECT_TRUE(Sent(0).empty());

    const struct {
        std::string answer;  // empty keeps what the dialog shows
        std::vector<int> items;
        int result;
    } cases[] = {
        {"11111111", {1, 2, 3, 4, 5, 6, 7, 8}, 0x00},
        {"", {1, 2, 3, 4, 5, 6, 7, 8}, 0x00},
        {"01100000", {2, 3}, 0x9F},
        {"11000000", {1, 2}, 0x3F},
        {"10010010", {1, 4, 7}, 0x6D},
    };
    for (const auto& c : cases) {
        const size_t before = RequestCount(0);
        options.Set(c.answer, true);
        harness->sheet->JigTest();  // returns when the window has closed itself
        EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
        EXPECT_EQ(harness->sheet->Dispatcher().DoneCount(), 2);
        for (int module = 0; module < 2; ++module) {
            EXPECT_EQ(Sent(module, before), TestFrames(c.items, c.result)) << c.answer;
            EXPECT_EQ(Stamp(module), (Record{8, 5, 13, static_cast<uint8_t>(c.result)}));
            EXPECT_EQ(Colour(module), kBlue);
        }
    }
    EXPECT_EQ(options.Shown(), (Texts{"11111111", "11111111", "00000000", "11111111", "11111111", "01100000", "11000000"}));
    EXPECT_EQ(boxes.Texts(), refusals);
    EXPECT_TRUE(harness->sheet->IsConnected());
    EXPECT_EQ(harness->sheet->Ports().BaudRate(1), 9600u);
    EXPECT_TRUE(harness->sheet->Ports().IsOpen(2));

    const size_t tested = RequestCount(0);
    QTableWidget& list = ReadRecords(boxes);
    EXPECT_EQ(boxes.Last(), "Veltra Downloader: Compeleted!");
    ASSERT_EQ(list.rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        ExpectRow(list, row, row, "2008-05-13", "0x6D", "PFFPFFPF");
        EXPECT_EQ(Sent(row, tested), kRecordReads);
    }
    EXPECT_TRUE(Sent(2).empty());

    // One reading of the clock stamps all three date bytes: a test that runs
    // across midnight on New Year's Eve never stamps the new year with the
    // old year's month and day.
    int readings = 0;
    SetUtcClockForTesting([&readings] {
        return ++readings == 1 ? CalendarDate{2026, 12, 31} : CalendarDate{2027, 1, 1};
    });
    harness->sheet->JigTest();
    const Record stamp = Stamp(0);
    EXPECT_TRUE(stamp == (Record{26, 12, 31, 0x6D}) || stamp == (Record{27, 1, 1, 0x6D}));
}

// Failures keep the window open, and the log shows every ticked port. A
// wrong reply stops only its port, in red, and the record read shows it in
// that port's row and goes on with the next, as it does past a silent one
// and past a ticked port another program holds, which is named at the start.
// Line noise is the upload's to show: every frame reply is taken the same way.
TEST_F(ModuleTestRun, FailuresStopOnlyTheirPortAndTheLogShowsEveryTickedPort)
{
    // Port 0 fails its first item, port 1 is not ticked, port 2 falls silent
    // after its first item and the date, port 3 passes, port 4 fails its third
    // item, port 5 gets a wrong reply, port 6 is held by another program.
    std::vector<sim::ModuleOptions> modules(7);
    modules[2].faults.silentAfterRequests = 4;
    modules[5].faults.garbledReply = 4;
    Start(modules, "11100000");
    harness->Module(0).SetTestResult(1, -1);
    harness->Module(4).SetTestResult(3, 700);
    HeldPort other(harness->Module(6).Path());
    ASSERT_TRUE(other.Held());
    harness->TickAll();
    harness->Tick(1, false);

    MessageBoxes boxes;
    OptionsAnswer options("", true);
    PressWhen closer(kStatusWindow, "2", [this] {
        return RequestCount(0) == 5 && RequestCount(2) == 5 && RequestCount(3) == 7 && harness->Finished() == 5 &&
               harness->Row(0) == "-1 - Port Fail!" && harness->Row(2) == "Port Test Passed" &&
               harness->Row(4) == "700 - AD Ch1 Low Fail!" && harness->Row(5) == " - Wrong reply! ";
    });
    harness->sheet->JigTest();

    EXPECT_EQ(closer.Presses(), 1);
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Rejected);
    for (const int port : {0, 2, 3, 4, 5})
        EXPECT_EQ(Colour(port), port == 0 || port >= 4 ? kRed : kBlue) << port;
    EXPECT_EQ(harness->Row(1), "Not used");
    // A failing first item still gets the date before its result byte.
    EXPECT_EQ(Sent(0), TestFrames({1}, 0xFF));
    EXPECT_EQ(Sent(2), (Texts{Item(1), Write(0x1D0, 8), Write(0x1D1, 5), Write(0x1D2, 13), Item(2)}));
    const Record stamps[] = {{8, 5, 13, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF}, {8, 5, 13, 0xFF}, {8, 5, 13, 0x1F},
                             {8, 5, 13, 0x3F}, {8, 5, 13, 0xFF},         {0xFF, 0xFF, 0xFF, 0xFF}};
    for (int module = 0; module < 7; ++module)
        EXPECT_EQ(Stamp(module), stamps[module]) << module;  // a broken item stamps nothing after it
    const std::string refusal = "Module Test: Can not open a serial port: " + harness->Ports().PortName(6);
    EXPECT_EQ(boxes.Texts(), (Texts{refusal}));

    // The log: one row per ticked port in list order.
    sim::Faults garbled;
    garbled.garbledReply = 1;
    harness->Module(5).SetFaults(garbled);
    QTableWidget& list = ReadRecords(boxes);
    EXPECT_EQ(boxes.Texts(), (Texts{refusal, "Veltra Downloader: Compeleted!"}));
    ASSERT_EQ(list.rowCount(), 6);
    ExpectRow(list, 0, 0, "2008-05-13", "0xFF", "FFFFFFFF");
    ExpectRow(list, 1, 2, "Timeout!", "");
    ExpectRow(list, 2, 3, "2008-05-13", "0x1F", "PPPFFFFF");
    ExpectRow(list, 3, 4, "2008-05-13", "0x3F", "PPFFFFFF");
    ExpectRow(list, 4, 5, "Wrong reply!", "");
    ExpectRow(list, 5, 6, "Timeout!", "");
    EXPECT_FALSE(harness->sheet->Ports().IsOpen(2));
    EXPECT_TRUE(Sent(1).empty() && Sent(6).empty());
}
