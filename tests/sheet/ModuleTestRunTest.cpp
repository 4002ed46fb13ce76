#include "JigSupport.h"

#include "ModuleTestWindow.h"
#include "ProgressListCtrl.h"
#include "Settings.h"
#include "StatusWindow.h"
#include "UtcClock.h"

#include <QProgressBar>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace veltra;
using veltra::testing::Frame;
using veltra::testing::MessageBoxes;
using veltra::testing::OptionsAnswer;
using veltra::testing::PressWhen;
using veltra::testing::SheetHarness;

namespace {

// What a module on the jig must receive, byte for byte.
const std::string kItemRequest[9] = {
    {},
    Frame({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, 0x01, 0x07, 0x0D}),
    Frame({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, 0x02, 0x04, 0x0D}),
    Frame({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, 0x03, 0x05, 0x0D}),
    Frame({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, 0x04, 0x02, 0x0D}),
    Frame({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, 0x05, 0x03, 0x0D}),
    Frame({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, 0x06, 0x00, 0x0D}),
    Frame({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, 0x07, 0x01, 0x0D}),
    Frame({0x1B, 0x54, 0x52, 0x00, 0x00, 0x00, 0x08, 0x0E, 0x0D}),
};
const std::string kYear = Frame({0x1B, 0x45, 0x57, 0x00, 0x00, 0x01, 0xD0, 0x00, 0x00, 0x00, 0x08, 0xCB, 0x0D});
const std::string kMonth = Frame({0x1B, 0x45, 0x57, 0x00, 0x00, 0x01, 0xD1, 0x00, 0x00, 0x00, 0x05, 0xC7, 0x0D});
const std::string kDay = Frame({0x1B, 0x45, 0x57, 0x00, 0x00, 0x01, 0xD2, 0x00, 0x00, 0x00, 0x0D, 0xCC, 0x0D});

std::string ResultWrite(int value, int checksum)
{
    return Frame({0x1B, 0x45, 0x57, 0x00, 0x00, 0x01, 0xD3, 0x00, 0x00, 0x00, value, checksum, 0x0D});
}

// The record read: addresses 464 to 467.
const std::vector<std::string> kRecordReads = {
    Frame({0x1B, 0x45, 0x52, 0x00, 0x00, 0x01, 0xD0, 0xC6, 0x0D}),
    Frame({0x1B, 0x45, 0x52, 0x00, 0x00, 0x01, 0xD1, 0xC7, 0x0D}),
    Frame({0x1B, 0x45, 0x52, 0x00, 0x00, 0x01, 0xD2, 0xC4, 0x0D}),
    Frame({0x1B, 0x45, 0x52, 0x00, 0x00, 0x01, 0xD3, 0xC5, 0x0D}),
};

constexpr int kBlue = 0xFF0000;
constexpr int kRed = 0x0000FF;

class ModuleTestRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUtcClockForTesting([] { return CalendarDate{2008, 5, 13}; });
    }
    void TearDown() override
    {
        harness.reset();
        SetUtcClockForTesting({});
    }

    sim::VirtualModule& Module(int module) { return harness->bench->Module(static_cast<size_t>(module)); }

    // The requests the module received from entry `from` on; every one must
    // have come at 9,600 bit/s.
    std::vector<std::string> Sent(int module, size_t from = 0)
    {
        std::vector<std::string> frames;
        const auto requests = Module(module).Requests();
        for (size_t i = from; i < requests.size(); ++i) {
            EXPECT_EQ(requests[i].rate, 9600u) << "module " << module << " request " << i;
            frames.push_back(requests[i].bytes);
        }
        return frames;
    }
    size_t RequestCount(int module) { return Module(module).Requests().size(); }

    std::array<uint8_t, 4> Record(int module)
    {
        const auto eeprom = Module(module).Eeprom();
        return {eeprom[464], eeprom[465], eeprom[466], eeprom[467]};
    }

    QString StatusRow(int row) { return harness->sheet->Status().List()->CellText(row, 3); }
    int StatusColour(int row) { return harness->sheet->Status().List()->RowColour(row); }

    // Reads the records through the module test window, pressing its OK once
    // "Compeleted!" has been answered; the window's list afterwards.
    QTableWidget& ReadRecords(MessageBoxes& boxes)
    {
        PressWhen closer("148", "1", [&boxes] { return boxes.Last() == "Veltra Downloader: Compeleted!"; });
        harness->sheet->ShowJigTest();
        auto* window = harness->sheet->findChild<ModuleTestWindow*>();
        EXPECT_EQ(window->Progress()->value(), harness->sheet->PortCount());
        return *window->List();
    }

    void ExpectRow(QTableWidget& list, int row, int port, const QString& date, const QString& hex,
                   const std::string& items)
    {
        const auto cell = [&list, row](int column) {
            const QTableWidgetItem* item = list.item(row, column);
            return item ? item->text() : QString();
        };
        EXPECT_EQ(cell(0).toStdString(), harness->Ports().PortName(port)) << "row " << row;
        EXPECT_EQ(cell(1), date) << "row " << row;
        EXPECT_EQ(cell(2), hex) << "row " << row;
        for (int column = 3; column < 11; ++column) {
            const char mark = items[static_cast<size_t>(column - 3)];
            const QString expected = mark == 'P' ? "PASS" : mark == 'F' ? "FAIL" : "";
            EXPECT_EQ(cell(column), expected) << "row " << row << " column " << column;
        }
    }

    std::string ItemSetting() { return ReadProfileString(harness->dir.File("config/VTDown.ini"), "TEST", "ITEM_SETTING", ""); }

    std::unique_ptr<SheetHarness> harness;
};

}  // namespace

TEST_F(ModuleTestRun, AllItemsPassOnEveryTickedPortAt9600AndTheLogShowsThem)
{
    harness = std::make_unique<SheetHarness>(2);
    harness->TickAll();
    harness->sheet->Controls().connect->click();  // at the baud box's 115200
    ASSERT_TRUE(harness->sheet->IsConnected());
    ASSERT_EQ(harness->sheet->Ports().BaudRate(0), 115200u);

    MessageBoxes boxes;
    OptionsAnswer options("", true);
    harness->sheet->JigTest();  // returns when the window has closed itself

    EXPECT_EQ(options.Shown(), (std::vector<std::string>{"11111111"}));
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
    EXPECT_EQ(harness->sheet->Dispatcher().DoneCount(), 2);
    const std::vector<std::string> run = {kItemRequest[1], kYear,           kMonth,          kDay,
                                          kItemRequest[2], kItemRequest[3], kItemRequest[4], kItemRequest[5],
                                          kItemRequest[6], kItemRequest[7], kItemRequest[8], ResultWrite(0x00, 0xC0)};
    for (int module = 0; module < 2; ++module) {
        EXPECT_EQ(Sent(module), run) << module;
        EXPECT_EQ(Record(module), (std::array<uint8_t, 4>{8, 5, 13, 0x00}));
        EXPECT_EQ(StatusColour(module), kBlue);
    }
    EXPECT_TRUE(boxes.Texts().empty());
    // A finished test leaves the ports open at the test's rate.
    EXPECT_TRUE(harness->sheet->IsConnected());
    EXPECT_EQ(harness->sheet->Ports().BaudRate(1), 9600u);

    QTableWidget& list = ReadRecords(boxes);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Veltra Downloader: Compeleted!"}));
    ASSERT_EQ(list.rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        ExpectRow(list, row, row, "2008-05-13", "0x00", "PPPPPPPP");
        EXPECT_EQ(Sent(row, run.size()), kRecordReads);
    }
}

TEST_F(ModuleTestRun, TheChosenItemsAreRequestedAndDecideTheResultByte)
{
    harness = std::make_unique<SheetHarness>(std::vector<sim::ModuleOptions>(1), RunTimeouts{},
                                             std::vector<std::array<std::string, 3>>{{"TEST", "ITEM_SETTING", "01100000"}});
    harness->TickAll();
    OptionsAnswer options("", true);

    // Items 2 and 3 as the settings file holds them.
    harness->sheet->JigTest();
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
    EXPECT_EQ(Sent(0), (std::vector<std::string>{kItemRequest[2], kYear, kMonth, kDay, kItemRequest[3],
                                                 ResultWrite(0x9F, 0x5F)}));

    // Items 1 and 2: the choice is written and reaches the test.
    size_t before = RequestCount(0);
    options.Set("11000000", true);
    harness->sheet->JigTest();
    EXPECT_EQ(ItemSetting(), "11000000");
    EXPECT_EQ(Sent(0, before),
              (std::vector<std::string>{kItemRequest[1], kYear, kMonth, kDay, kItemRequest[2], ResultWrite(0x3F, 0xFF)}));
    EXPECT_EQ(Record(0), (std::array<uint8_t, 4>{8, 5, 13, 0x3F}));

    // Items 1, 4 and 7 only; the others keep their bits.
    before = RequestCount(0);
    options.Set("10010010", true);
    harness->sheet->JigTest();
    EXPECT_EQ(Sent(0, before), (std::vector<std::string>{kItemRequest[1], kYear, kMonth, kDay, kItemRequest[4],
                                                         kItemRequest[7], ResultWrite(0x6D, 0xAD)}));
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);

    // Each opening showed what the last OK wrote.
    EXPECT_EQ(options.Shown(), (std::vector<std::string>{"01100000", "01100000", "11000000"}));
    const std::array<bool, 8> stored = ReadItemSetting(harness->dir.Path().string());
    EXPECT_EQ(stored, (std::array<bool, 8>{true, false, false, true, false, false, true, false}));
}

TEST_F(ModuleTestRun, FailuresKeepTheWindowOpenAndTheLogShowsEveryTickedPort)
{
    // Port 0 fails its first item, port 1 is not ticked, port 2 falls silent
    // after its first item and the date, port 3 passes.
    std::vector<sim::ModuleOptions> perModule(4);
    perModule[2].faults.silentAfterRequests = 4;
    RunTimeouts timeouts;
    timeouts.testRecord = 3000;
    harness = std::make_unique<SheetHarness>(perModule, timeouts,
                                             std::vector<std::array<std::string, 3>>{{"TEST", "ITEM_SETTING", "11000000"}});
    Module(0).SetTestResult(1, -1);
    for (int port : {0, 2, 3})
        harness->Tick(port);

    MessageBoxes boxes;
    OptionsAnswer options("", true);
    PressWhen closer("4003", "2", [this] {
        return RequestCount(0) == 5 && RequestCount(2) == 5 && RequestCount(3) == 6 &&
               harness->sheet->Dispatcher().DoneCount() == 1 && StatusRow(0) == "-1 - Port Fail!" &&
               StatusRow(2) == "Port Test Passed";
    });
    harness->sheet->JigTest();

    EXPECT_EQ(closer.Presses(), 1);
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Rejected);
    EXPECT_EQ(StatusColour(0), kRed);
    EXPECT_EQ(StatusColour(2), kBlue);
    EXPECT_EQ(StatusRow(1), "Not used");
    // A failing first item still gets the date before its result byte.
    EXPECT_EQ(Sent(0), (std::vector<std::string>{kItemRequest[1], kYear, kMonth, kDay, ResultWrite(0xFF, 0x3F)}));
    EXPECT_TRUE(Sent(1).empty());
    EXPECT_EQ(Sent(2), (std::vector<std::string>{kItemRequest[1], kYear, kMonth, kDay, kItemRequest[2]}));
    EXPECT_EQ(Sent(3),
              (std::vector<std::string>{kItemRequest[1], kYear, kMonth, kDay, kItemRequest[2], ResultWrite(0x3F, 0xFF)}));
    EXPECT_TRUE(boxes.Texts().empty());

    // The log: one row per ticked port in list order; the silent one times
    // out and the read goes on with the next.
    QTableWidget& list = ReadRecords(boxes);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Veltra Downloader: Compeleted!"}));
    ASSERT_EQ(list.rowCount(), 3);
    ExpectRow(list, 0, 0, "2008-05-13", "0xFF", "FFFFFFFF");
    ExpectRow(list, 1, 2, "Timeout!", "", "        ");
    ExpectRow(list, 2, 3, "2008-05-13", "0x3F", "PPFFFFFF");
    EXPECT_FALSE(harness->sheet->Ports().IsOpen(2));
    EXPECT_TRUE(Sent(1).empty());
}

TEST_F(ModuleTestRun, APortThatCannotBeOpenedIsSkippedAndTheWindowStaysOpen)
{
    harness = std::make_unique<SheetHarness>(std::vector<sim::ModuleOptions>(2), RunTimeouts{},
                                             std::vector<std::array<std::string, 3>>{{"TEST", "ITEM_SETTING", "10000000"}});
    veltra::testing::HeldPort other(harness->bench->Module(1).Path());
    ASSERT_TRUE(other.Held());
    harness->TickAll();

    MessageBoxes boxes;
    OptionsAnswer options("", true);
    PressWhen closer("4003", "2",
                     [this] { return RequestCount(0) == 5 && harness->sheet->Dispatcher().DoneCount() == 1; });
    harness->sheet->JigTest();

    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{"Module Test: Can not open a serial port: " + harness->Ports().PortName(1)}));
    EXPECT_EQ(Sent(0), (std::vector<std::string>{kItemRequest[1], kYear, kMonth, kDay, ResultWrite(0x7F, 0xBF)}));
    EXPECT_TRUE(Sent(1).empty());
    EXPECT_EQ(harness->Ports().Image(1), port_image::kClosed);
    // The port that could not be opened still counts: no notice 206.
    EXPECT_EQ(closer.Presses(), 1);
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Rejected);
}

TEST_F(ModuleTestRun, OnlyTickedPortsAndTheOptionsDecideWhetherATestStarts)
{
    harness = std::make_unique<SheetHarness>(2);
    MessageBoxes boxes;
    OptionsAnswer options("", false);

    // No ticked port: said, and the options are not even offered.
    harness->sheet->JigTest();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Module Test: Please, select a port"}));
    EXPECT_TRUE(options.Shown().empty());

    // Port 1 is open but no longer ticked.
    harness->TickAll();
    harness->sheet->Controls().connect->click();
    ASSERT_TRUE(harness->sheet->IsConnected());
    harness->Tick(1, false);

    // Cancel: nothing written, nothing sent.
    harness->sheet->JigTest();
    EXPECT_EQ(ItemSetting(), "11111111");
    // Every box cleared: the choice is kept, but there is nothing to test.
    options.Set("00000000", true);
    harness->sheet->JigTest();
    EXPECT_EQ(ItemSetting(), "00000000");
    EXPECT_TRUE(Sent(0).empty());

    options.Set("10000000", true);
    harness->sheet->JigTest();
    EXPECT_EQ(options.Shown(), (std::vector<std::string>{"11111111", "11111111", "00000000"}));
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
    EXPECT_EQ(harness->sheet->Dispatcher().DoneCount(), 1);
    const std::vector<std::string> run = {kItemRequest[1], kYear, kMonth, kDay, ResultWrite(0x7F, 0xBF)};
    EXPECT_EQ(Sent(0), run);
    EXPECT_TRUE(Sent(1).empty());
    EXPECT_TRUE(harness->sheet->Ports().IsOpen(1));
    EXPECT_EQ(boxes.Texts().size(), 1u);

    // The log reads the ticked port only.
    QTableWidget& list = ReadRecords(boxes);
    ASSERT_EQ(list.rowCount(), 1);
    ExpectRow(list, 0, 0, "2008-05-13", "0x7F", "PFFFFFFF");
    EXPECT_EQ(Sent(0, run.size()), kRecordReads);
    EXPECT_TRUE(Sent(1).empty());

    // Nothing ticked: said, and the window closes by itself.
    harness->Tick(0, false);
    const size_t shownBefore = boxes.Texts().size();
    QElapsedTimer waited;
    waited.start();
    PressWhen guard("148", "1", [&waited] { return waited.elapsed() > 10000; });
    harness->sheet->ShowJigTest();
    EXPECT_EQ(guard.Presses(), 0);
    ASSERT_EQ(boxes.Texts().size(), shownBefore + 1);
    EXPECT_EQ(boxes.Last(), "Veltra Downloader: You should check the Ports!");
    EXPECT_EQ(RequestCount(0), run.size() + kRecordReads.size());
}

TEST_F(ModuleTestRun, ARecordReadGoesOnPastAPortThatCannotBeReopened)
{
    RunTimeouts timeouts;
    timeouts.testRecord = 3000;
    harness = std::make_unique<SheetHarness>(3, sim::ModuleOptions{}, timeouts);
    veltra::testing::HeldPort other(harness->bench->Module(0).Path());
    ASSERT_TRUE(other.Held());
    const uint8_t record[] = {8, 5, 13, 0x3F};
    Module(2).SetEeprom(464, record);
    harness->TickAll();

    MessageBoxes boxes;
    QElapsedTimer waited;
    waited.start();
    PressWhen closer("148", "1", [&] {
        return boxes.Last() == "Veltra Downloader: Compeleted!" || waited.elapsed() > 10000;
    });
    harness->sheet->ShowJigTest();

    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Veltra Downloader: Compeleted!"}));
    auto* window = harness->sheet->findChild<ModuleTestWindow*>();
    QTableWidget& list = *window->List();
    ASSERT_EQ(list.rowCount(), 3);
    ExpectRow(list, 0, 0, "Timeout!", "", "        ");
    // A blank EEPROM is shown as it reads.
    ExpectRow(list, 1, 1, "20255-255-255", "0xFF", "FFFFFFFF");
    ExpectRow(list, 2, 2, "2008-05-13", "0x3F", "PPFFFFFF");
    EXPECT_TRUE(Sent(0).empty());
    EXPECT_EQ(Sent(1), kRecordReads);
}

// Noise never changes a result or a stamp: a stray byte before a reply, or
// replies cut anywhere, still give every item's result and each module's own
// record. A wrong reply stops only its port, in red, and the record read
// shows it in that port's row and goes on with the next.
TEST_F(ModuleTestRun, ResultsAndRecordsSurviveNoiseAndAWrongReplyStopsOnlyItsPort)
{
    std::vector<sim::ModuleOptions> perModule(3);
    perModule[0].faults.strayBeforeReply = 1;
    perModule[0].faults.strayBytes = "\x1B\x45";
    perModule[1].faults.splitAt = 9;
    perModule[1].faults.chunkGap = std::chrono::milliseconds(2);
    perModule[2].faults.garbledReply = 4;
    harness = std::make_unique<SheetHarness>(perModule, RunTimeouts{},
                                             std::vector<std::array<std::string, 3>>{{"TEST", "ITEM_SETTING", "11100000"}});
    Module(1).SetTestResult(3, 700);
    harness->TickAll();
    MessageBoxes boxes;
    OptionsAnswer options("", true);
    PressWhen closer("4003", "2", [this] {
        return StatusRow(2) == " - Wrong reply! " && StatusRow(1) == "700 - AD Ch1 Low Fail!" &&
               harness->sheet->Dispatcher().DoneCount() == 1 && harness->sheet->Dispatcher().FailCount() == 2;
    });
    harness->sheet->JigTest();
    EXPECT_EQ(Record(0), (std::array<uint8_t, 4>{8, 5, 13, 0x1F}));
    EXPECT_EQ(Record(1), (std::array<uint8_t, 4>{8, 5, 13, 0x3F}));
    EXPECT_EQ(StatusColour(2), kRed);
    EXPECT_EQ(Record(2), (std::array<uint8_t, 4>{8, 5, 13, 0xFF}));  // the item's answer broke: nothing stamped after it

    Module(0).SetFaults({});
    sim::Faults noisy;
    noisy.strayBeforeReply = 2;
    noisy.strayBytes = "\x1B";
    Module(1).SetFaults(noisy);
    sim::Faults garbled;
    garbled.garbledReply = 1;
    Module(2).SetFaults(garbled);
    harness->sheet->Controls().connect->click();
    QTableWidget& list = ReadRecords(boxes);
    ASSERT_EQ(list.rowCount(), 3);
    ExpectRow(list, 0, 0, "2008-05-13", "0x1F", "PPPFFFFF");
    ExpectRow(list, 1, 1, "2008-05-13", "0x3F", "PPFFFFFF");
    ExpectRow(list, 2, 2, "Wrong reply!", "", "        ");
}

// One reading of the clock stamps all three date bytes: a test that runs
// across midnight on New Year's Eve never stamps the new year with the old
// year's month and day.
TEST_F(ModuleTestRun, OneTestStampsOneDate)
{
    int readings = 0;
    SetUtcClockForTesting([&readings] {
        return ++readings == 1 ? CalendarDate{2026, 12, 31} : CalendarDate{2027, 1, 1};
    });
    harness = std::make_unique<SheetHarness>(std::vector<sim::ModuleOptions>(2), RunTimeouts{},
                                             std::vector<std::array<std::string, 3>>{{"TEST", "ITEM_SETTING", "10000000"}});
    harness->TickAll();
    OptionsAnswer options("", true);
    harness->sheet->JigTest();
    ASSERT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
    const std::array<uint8_t, 4> first = Record(0);
    const std::array<uint8_t, 4> second = Record(1);
    EXPECT_TRUE(first == (std::array<uint8_t, 4>{26, 12, 31, 0x7F}) || first == (std::array<uint8_t, 4>{27, 1, 1, 0x7F}));
    EXPECT_TRUE(second == (std::array<uint8_t, 4>{26, 12, 31, 0x7F}) || second == (std::array<uint8_t, 4>{27, 1, 1, 0x7F}));
}
