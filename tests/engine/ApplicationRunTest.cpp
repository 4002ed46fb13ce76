#include "ApplicationModel.h"
#include "FakePorts.h"
#include "ReplyDispatcher.h"
#include "UtcClock.h"

#include <gtest/gtest.h>

using namespace veltra;
using veltra::testing::ApplicationModel;
using veltra::testing::FakeObserver;
using veltra::testing::FakePorts;

namespace {

ParameterEntry Row(const char* hex, const char* name, const char* size, const char* type, const char* value)
{
    ParameterEntry row;
    row.hexAddress = hex;
    row.name = name;
    row.size = size;
    row.type = type;
    row.value = value;
    row.checked = true;
    return row;
}

class ApplicationRun : public ::testing::Test {
protected:
    void SetUp() override { veltra::testing::EnsureCoreApplication(); }
    void TearDown() override { SetUtcClockForTesting({}); }

    void Make(int portCount)
    {
        ports = std::make_unique<FakePorts>(portCount);
        modules.assign(static_cast<size_t>(portCount), ApplicationModel{});
        observer = FakeObserver{};
        dispatcher = std::make_unique<ReplyDispatcher>(*ports, observer, image, table, [] { return RomOptions{}; },
                                                       RunTexts{});
    }

    // Answers every port's newest request until nothing new is sent; a port
    // in `silent` never answers.
    void Drive(int silentPort = -1)
    {
        std::vector<size_t> answered(ports->sent.size(), 0);
        for (bool progress = true; progress;) {
            progress = false;
            for (size_t p = 0; p < ports->sent.size(); ++p) {
                if (answered[p] == ports->sent[p].size() || static_cast<int>(p) == silentPort)
                    continue;
                answered[p] = ports->sent[p].size();
                const std::string reply = modules[p].Answer(ports->sent[p].back().bytes);
                dispatcher->OnReceivedData(static_cast<int>(p), reply.data(), reply.size());
                progress = true;
            }
        }
    }

    std::vector<std::string> Frames(int port, char c) const
    {
        std::vector<std::string> out;
        for (const auto& r : ports->sent[static_cast<size_t>(port)]) {
            if (r.code == c)
                out.push_back(r.bytes);
        }
        return out;
    }

    RomImage image;
    ParameterTable table;
    FakeObserver observer;
    std::unique_ptr<FakePorts> ports;
    std::vector<ApplicationModel> modules;
    std::unique_ptr<ReplyDispatcher> dispatcher;
};

}  // namespace

TEST_F(ApplicationRun, UploadFillsEveryTypeFromOnePortAtApplicationRate)
{
    table.rows = {Row("10", "[SYS] Unit", "1", "U", ""), Row("11", "Division", "2", "U", ""),
                  Row("13", "Big", "4", "U", ""), Row("17", "Offset", "2", "S", ""),
                  Row("19", "Model", "4", "C", ""), Row("1D", "Key", "3", "H", ""),
                  Row("20", "Spare", "2", "R", "keep?"), Row("22", "Unticked", "1", "U", "9")};
    table.rows[7].checked = false;
    Make(2);
    ports->checked[1] = false;
    const uint8_t bytes[] = {0x07, 0x01, 0x2C, 0x80, 0x00, 0x00, 0x05, 0xFF, 0x38, 'A', 0xFF, 'B', 0x00, 0x0A, 0xB0, 0xFF};
    for (size_t i = 0; i < sizeof bytes; ++i)
        modules[0].eeprom[0x10 + i] = bytes[i];

    const int port = dispatcher->PrepareUpload();
    ASSERT_EQ(port, 0);
    EXPECT_EQ(ports->baud[0], 9600u);
    EXPECT_FALSE(table.rows[6].checked);
    EXPECT_EQ(table.rows[0].value, "");  // the rows read are cleared first
    EXPECT_EQ(table.rows[7].value, "9");  // the others keep theirs
    dispatcher->OnStatusRequest(0, code::kParamRead);
    Drive();

    EXPECT_EQ(table.rows[0].value, "7");
    EXPECT_EQ(table.rows[1].value, "300");
    EXPECT_EQ(table.rows[2].value, "2147483653");
    EXPECT_EQ(table.rows[3].value, "-200");
    EXPECT_EQ(table.rows[4].value, "AB");
    EXPECT_EQ(table.rows[5].value, "0x0ab0ff");
    EXPECT_EQ(table.rows[6].value, "keep?");
    EXPECT_EQ(table.rows[7].value, "9");
    EXPECT_EQ(Frames(0, code::kParamRead).size(), 16u);  // one request per byte, R and unticked rows skipped
    EXPECT_TRUE(ports->sent[1].empty());
    ASSERT_FALSE(observer.runOvers.empty());
    EXPECT_EQ(observer.runOvers.back().notice.code, notice::kPhaseDone);
    EXPECT_EQ(observer.runOvers.back().range, 8);
    EXPECT_EQ(observer.runOvers.size(), 7u);  // one per row read, then the end
    for (const auto& over : observer.runOvers)
        EXPECT_EQ(over.notice.active, 0);  // the upload window ignores any other notice
}

TEST_F(ApplicationRun, UploadRefusalsStartNothing)
{
    table.rows = {Row("10", "A", "1", "U", "1")};
    Make(2);
    EXPECT_EQ(dispatcher->PrepareUpload(), -1);
    EXPECT_EQ(observer.messages.back(), "Parameter Upload: You should select a only ONE scale.");
    ports->checked = {false, false};
    EXPECT_EQ(dispatcher->PrepareUpload(), -1);
    EXPECT_EQ(observer.messages.back(), "Parameter Upload: Please, select a port");
    ports->checked = {false, true};
    table.rows[0].checked = false;
    EXPECT_EQ(dispatcher->PrepareUpload(), -1);
    EXPECT_EQ(observer.messages.back(), "Parameter Upload: There is no selected parameter.");
    table.rows[0].checked = true;
    ports->open[1] = false;  // cannot be opened again
    EXPECT_EQ(dispatcher->PrepareUpload(), -1);
    EXPECT_EQ(observer.messages.back(), "Parameter Upload: Can not open a serial port: ttyV1");
    EXPECT_EQ(ports->images[1], port_image::kClosed);
    EXPECT_TRUE(ports->sent[0].empty() && ports->sent[1].empty());
}

TEST_F(ApplicationRun, DownloadWritesOnlyTheTickedRowsIntoEveryPort)
{
    table.rows = {Row("0010", "[SYS] Unit", "1", "U", "2"), Row("0011", "Offset", "2", "S", "-2"),
                  Row("0013", "Model", "4", "C", "AB"), Row("0017", "Key", "3", "H", "0x0ab0ff"),
                  Row("01D0", "[LOG] Test year", "1", "U", "8"), Row("0030", "Spare", "2", "R", ""),
                  Row("0040", "Unticked", "1", "U", "1")};
    table.rows[6].checked = false;
    Make(3);
    ASSERT_TRUE(dispatcher->PrepareParamDownload());
    EXPECT_FALSE(table.rows[4].checked);
    EXPECT_FALSE(table.rows[5].checked);
    dispatcher->OnStatusRequest(1, code::kParamWrite);
    Drive();

    for (size_t p = 0; p < 3; ++p) {
        EXPECT_EQ(ports->baud[p], 9600u);
        std::array<uint8_t, 512> expected;
        expected.fill(0x5A);
        const uint8_t written[] = {0x02, 0xFF, 0xFE, 'A', 'B', 0xFF, 0xFF, 0x0A, 0xB0, 0xFF};
        for (size_t i = 0; i < sizeof written; ++i)
            expected[0x10 + i] = written[i];
        EXPECT_EQ(modules[p].eeprom, expected) << p;
    }
    EXPECT_EQ(dispatcher->DoneCount(), 3);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 1);
}

TEST_F(ApplicationRun, DownloadFailuresStopOnlyTheirPort)
{
    table.rows = {Row("10", "A", "1", "U", "1"), Row("11", "Key", "2", "H", "0x1234")};
    Make(3);
    ASSERT_TRUE(dispatcher->PrepareParamDownload());
    dispatcher->OnStatusRequest(1, code::kParamWrite);
    Drive(1);  // port 1 never answers
    EXPECT_EQ(modules[0].eeprom[0x10], 1);
    EXPECT_EQ(modules[0].eeprom[0x12], 0x34);
    EXPECT_EQ(dispatcher->DoneCount(), 2);
    dispatcher->OnChannelEvent(1, 11, code::kParamWrite);
    EXPECT_EQ(observer.errors.at("ttyV1"), "Time Out!");
    EXPECT_EQ(observer.Count(notice::kRunFinished), 0);

    // Only rows a download never writes are ticked: nothing starts.
    table.rows = {Row("1D0", "[LOG] Year", "1", "U", "8"), Row("30", "Spare", "1", "R", "")};
    Make(1);
    EXPECT_FALSE(dispatcher->PrepareParamDownload());
    EXPECT_EQ(observer.messages.back(), "Parameter Download: There is no selected parameter.");
    ports->checked[0] = false;
    EXPECT_FALSE(dispatcher->PrepareParamDownload());
    EXPECT_EQ(observer.messages.back(), "Parameter Download: Please, select ports");

    // The first ticked port cannot be opened: named, and nothing starts.
    table.rows = {Row("10", "A", "1", "U", "1")};
    Make(2);
    ports->checked[0] = false;
    ports->open[1] = false;
    EXPECT_FALSE(dispatcher->PrepareParamDownload());
    EXPECT_EQ(observer.messages.back(), "Parameter Download: Can not open a serial port: ttyV1");
    EXPECT_EQ(ports->images[1], port_image::kClosed);
    EXPECT_EQ(ports->baud[1], 9600u);
    ports->open[1] = true;
    EXPECT_TRUE(dispatcher->PrepareParamDownload());
    EXPECT_EQ(ports->images[1], port_image::kOpen);
    EXPECT_TRUE(ports->sent[0].empty() && ports->sent[1].empty());
}

// Cells of a parameter file are never checked when it is read, so a download
// refuses sizes no EEPROM has (atoi would wrap 4294967297 round to 1) before
// anything is written, and an address at the top of the int range counts on
// without overflow.
TEST_F(ApplicationRun, HugeNumbersInRowsStayWithinBounds)
{
    table.rows = {Row("0000", "Wraps", "4294967297", "U", "258"), Row("0000", "Negative", "-99999999999", "U", "1")};
    Make(1);
    EXPECT_FALSE(dispatcher->PrepareParamDownload());
    EXPECT_NE(observer.messages.back().find("ID  Wraps: Size \"4294967297\""), std::string::npos);
    EXPECT_NE(observer.messages.back().find("ID  Negative: Size"), std::string::npos);
    table.rows = {Row("7FFFFFFF", "Top", "2", "H", "0xabcd")};
    Make(1);
    ASSERT_TRUE(dispatcher->PrepareParamDownload());
    dispatcher->OnStatusRequest(1, code::kParamWrite);
    const std::vector<std::string> writes = Frames(0, code::kParamWrite);
    ASSERT_EQ(writes.size(), 1u);
    const auto address = [](const std::string& frame) {
        uint32_t value = 0;
        for (size_t i = 3; i < 7; ++i)
            value = (value << 8) | static_cast<uint8_t>(frame[i]);
        return value;
    };
    EXPECT_EQ(address(writes[0]), 0x7FFFFFFFu);
    dispatcher->OnReceivedData(0, writes[0].data(), writes[0].size());
    EXPECT_EQ(address(Frames(0, code::kParamWrite).back()), 0x80000000u);
}

TEST_F(ApplicationRun, ModuleTestStampsDateAndResultByte)
{
    SetUtcClockForTesting([] { return CalendarDate{2008, 5, 13}; });
    Make(1);
    dispatcher->SetTestItems({1, 1, 1, 1, 1, 1, 1, 1});
    dispatcher->OnStatusRequest(1, code::kTest);
    Drive();
    const auto tests = Frames(0, code::kTest);
    ASSERT_EQ(tests.size(), 8u);
    EXPECT_EQ(tests[0], BuildTestRequest(1));
    const auto stamps = Frames(0, code::kStampWrite);
    ASSERT_EQ(stamps.size(), 4u);
    EXPECT_EQ(stamps[0], std::string("\x1B\x45\x57\x00\x00\x01\xD0\x00\x00\x00\x08\xCB\x0D", 13));
    EXPECT_EQ(stamps[1], std::string("\x1B\x45\x57\x00\x00\x01\xD1\x00\x00\x00\x05\xC7\x0D", 13));
    EXPECT_EQ(stamps[2], std::string("\x1B\x45\x57\x00\x00\x01\xD2\x00\x00\x00\x0D\xCC\x0D", 13));
    EXPECT_EQ(stamps[3], BuildEepromWrite(467, 0x00));
    // The date bytes go out right after the first item.
    EXPECT_EQ(ports->sent[0][1].bytes, stamps[0]);
    EXPECT_EQ(observer.rowResults.back(), "0:3:EEP ROM Test Passed");
    EXPECT_EQ(observer.Count(notice::kRunFinished), 1);

    // Items 2 and 3 only: 0x9F. Items 1, 4 and 7: only those requested.
    Make(1);
    dispatcher->SetTestItems({0, 1, 1, 0, 0, 0, 0, 0});
    dispatcher->OnStatusRequest(1, code::kTest);
    Drive();
    EXPECT_EQ(Frames(0, code::kStampWrite).back(), BuildEepromWrite(467, 0x9F));
    Make(1);
    dispatcher->SetTestItems({1, 0, 0, 1, 0, 0, 1, 0});
    dispatcher->OnStatusRequest(1, code::kTest);
    Drive();
    EXPECT_EQ(Frames(0, code::kTest), (std::vector<std::string>{BuildTestRequest(1), BuildTestRequest(4),
                                                                 BuildTestRequest(7)}));
    EXPECT_EQ(Frames(0, code::kStampWrite).back(), BuildEepromWrite(467, 0x6D));
}

TEST_F(ApplicationRun, FailingItemWritesDateThenResultAndStopsThePort)
{
    SetUtcClockForTesting([] { return CalendarDate{2015, 1, 2}; });
    Make(2);
    modules[0].results[1] = -1;
    modules[1].results[2] = 7;
    dispatcher->SetTestItems({1, 1, 1, 0, 0, 0, 0, 0});
    dispatcher->OnStatusRequest(1, code::kTest);
    Drive();
    EXPECT_EQ(Frames(0, code::kTest).size(), 1u);
    const auto stamps = Frames(0, code::kStampWrite);
    ASSERT_EQ(stamps.size(), 4u);
    EXPECT_EQ(stamps[0], BuildEepromWrite(464, 15));
    EXPECT_EQ(stamps[3], BuildEepromWrite(467, 0xFF));
    EXPECT_NE(std::find(observer.rowResults.begin(), observer.rowResults.end(), "0:2:-1 - Port Fail!"),
              observer.rowResults.end());
    EXPECT_EQ(Frames(1, code::kStampWrite).back(), BuildEepromWrite(467, 0x7F));
    EXPECT_NE(std::find(observer.rowResults.begin(), observer.rowResults.end(), "1:2:7 - AD Ch1 Zero Fail!"),
              observer.rowResults.end());
    EXPECT_EQ(dispatcher->DoneCount(), 0);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 0);
}

TEST_F(ApplicationRun, APortPassesOnlyOnceItsModuleHasTakenTheResultByte)
{
    Make(1);
    dispatcher->SetTestItems({1, 0, 0, 0, 0, 0, 0, 0});
    dispatcher->OnStatusRequest(1, code::kTest);
    const auto answerNewest = [this] {
        const std::string reply = modules[0].Answer(ports->sent[0].back().bytes);
        dispatcher->OnReceivedData(0, reply.data(), reply.size());
    };
    for (int i = 0; i < 4; ++i)
        answerNewest();  // the item and the three date bytes
    ASSERT_EQ(ports->sent[0].size(), 5u);
    EXPECT_EQ(ports->sent[0].back().bytes, BuildEepromWrite(467, 0x7F));
    // The result byte is still on its way: the run must not end yet.
    EXPECT_EQ(dispatcher->DoneCount(), 0);
    EXPECT_EQ(observer.Count(notice::kPhaseDone), 0);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 0);
    answerNewest();
    EXPECT_EQ(dispatcher->DoneCount(), 1);
    EXPECT_EQ(observer.Count(notice::kPhaseDone), 1);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 1);
}

TEST_F(ApplicationRun, ModuleTestRunsOnlyOnTickedPorts)
{
    Make(2);
    ports->checked[1] = false;  // open, but not ticked
    dispatcher->SetTestItems({1, 0, 0, 0, 0, 0, 0, 0});
    dispatcher->OnStatusRequest(1, code::kTest);
    EXPECT_TRUE(ports->sent[1].empty());
    Drive();
    EXPECT_EQ(dispatcher->PortsToRun(), 1);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 1);

    // A ticked port that cannot be opened is reported and keeps the run open.
    Make(2);
    ports->open[1] = false;
    dispatcher->OnStatusRequest(1, code::kTest);
    Drive();
    EXPECT_EQ(observer.messages.back(), "Module Test: Can not open a serial port: ttyV1");
    EXPECT_EQ(dispatcher->DoneCount(), 1);
    EXPECT_EQ(observer.Count(notice::kRunFinished), 0);
}

TEST_F(ApplicationRun, TestRecordsAreReadPortByPortAndATimeOutMovesOn)
{
    Make(3);
    ports->checked[1] = false;
    const uint8_t record[] = {0x08, 0x05, 0x0D, 0x3F};
    for (size_t i = 0; i < 4; ++i) {
        modules[0].eeprom[464 + i] = record[i];
        modules[2].eeprom[464 + i] = static_cast<uint8_t>(0x10 + i);
    }
    dispatcher->PrepareRecordRead();
    dispatcher->OnStatusRequest(0, code::kRecordRead);
    Drive();
    EXPECT_EQ(observer.recordPorts, (std::vector<std::string>{"0:ttyV0", "2:ttyV2"}));
    EXPECT_EQ(observer.records.at(0), (std::array<uint8_t, 4>{0x08, 0x05, 0x0D, 0x3F}));
    EXPECT_EQ(observer.records.at(2), (std::array<uint8_t, 4>{0x10, 0x11, 0x12, 0x13}));
    EXPECT_EQ(ports->lastTimeout, 2000u);
    ASSERT_FALSE(observer.runOvers.empty());
    EXPECT_EQ(observer.runOvers.back().notice.code, notice::kPhaseDone);
    EXPECT_EQ(observer.runOvers.back().notice.active, 0);

    // The first port stays silent: its time-out moves the read on.
    Make(3);
    ports->checked[1] = false;
    dispatcher->PrepareRecordRead();
    dispatcher->OnStatusRequest(0, code::kRecordRead);
    dispatcher->OnChannelEvent(0, 11, code::kRecordRead);
    EXPECT_EQ(observer.portOvers, (std::vector<std::pair<int, int>>{{0, 11}}));
    Drive();
    EXPECT_EQ(observer.recordPorts, (std::vector<std::string>{"0:ttyV0", "2:ttyV2"}));
    EXPECT_EQ(observer.records.count(0), 0u);
    EXPECT_EQ(observer.records.count(2), 1u);

    // The first ticked port's channel is closed and would never answer: it
    // is timed out at once. After a good read a closed port is passed over.
    Make(3);
    ports->open[0] = false;
    ports->open[2] = false;
    dispatcher->PrepareRecordRead();
    dispatcher->OnStatusRequest(0, code::kRecordRead);
    Drive();
    EXPECT_EQ(observer.portOvers, (std::vector<std::pair<int, int>>{{0, 11}}));
    EXPECT_EQ(observer.recordPorts, (std::vector<std::string>{"0:ttyV0", "1:ttyV1"}));
    EXPECT_TRUE(ports->sent[0].empty());
    EXPECT_EQ(observer.records.count(1), 1u);
    ASSERT_FALSE(observer.runOvers.empty());
    EXPECT_EQ(observer.runOvers.back().notice.code, notice::kPhaseDone);

    // No port ticked: the window is told to close.
    Make(1);
    ports->checked[0] = false;
    dispatcher->OnStatusRequest(0, code::kRecordRead);
    EXPECT_EQ(observer.messages.back(), "Veltra Downloader: You should check the Ports!");
    EXPECT_EQ(observer.portOvers, (std::vector<std::pair<int, int>>{{0, 9}}));
}
