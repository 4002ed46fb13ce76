#include "ReplyDispatcher.h"

#include "ReplyRules.h"

#include "UtcClock.h"

#include <cstdio>

namespace veltra {

namespace {

constexpr uint32_t kApplicationBaud = 9600;
constexpr uint32_t kYearAddress = 464;
constexpr uint32_t kResultAddress = 467;

}  // namespace

std::string TestItemName(int item)
{
    static const char* const names[] = {"Port", "AD Ch1 Zero", "AD Ch1 Low", "AD Ch2 Zero",
                                        "AD Ch2 Low", "Temp. Sensor", "RTC", "EEP ROM"};
    return item >= 1 && item <= 8 ? names[item - 1] : "";
}

int ReplyDispatcher::TestItemCount() const
{
    int count = 0;
    for (const int flag : testItemFlags_)
        count += flag;
    return count;
}

void ReplyDispatcher::StartModuleTest()
{
    StartRun();
    int first = 1;
    while (first <= 8 && testItemFlags_[static_cast<size_t>(first - 1)] != 1)
        ++first;
    if (first > 8)
        return;
    for (int port = 0; port < ports_.PortCount(); ++port) {
        // Only ticked ports are tested: an open port that is not ticked is not
        // among the ports to run, and its finishing must not end the run.
        if (!ports_.IsChecked(port))
            continue;
        if (!ports_.ReopenAt(port, kApplicationBaud)) {
            ports_.SetPortStatus(port, port_image::kClosed);
            observer_.ShowMessage(texts_.testCaption, texts_.cannotOpen + " " + ports_.PortName(port));
            FailPort(port, CannotOpenText(port));
            continue;
        }
        ports_.SetPortStatus(port, port_image::kOpen);
        PortSlot& slot = SlotOf(port);
        slot = PortSlot{};
        slot.running = true;
        slot.stampWrites = 0;
        slot.resultBits = 0xFF;
        slot.testItem = first;
        SendNotice(port, notice::kPhaseStarts, code::kTest, 8);
        Send(port, code::kTest, BuildTestRequest(static_cast<uint32_t>(first)), 9, timeouts_.application);
    }
    observer_.EnableDisconnect();
}

void ReplyDispatcher::DispatchTest(int port, PortSlot& slot)
{
    if (!TakeFrameReply(port, slot))
        return;
    if (slot.code == code::kTest) {
        EvaluateTestReply(port);
        return;
    }
    if (slot.stampWrites < 3)
        WriteTestStamp(port);
    else if (slot.testItem > 8)
        ResultByteTaken(port);
    else if (slot.itemPassed == 1)
        NextTestItem(port);
    else if (slot.resultWritten == 0) {
        slot.resultWritten = 1;
        WriteTestResult(kResultAddress, slot.resultBits, port);
    } else {
        FailPort(port, {});  // the row shows the item that failed
    }
}

void ReplyDispatcher::EvaluateTestReply(int port)
{
    PortSlot& slot = SlotOf(port);
    const auto* reply = reinterpret_cast<const uint8_t*>(slot.replyBuffer.data());
    const auto result = static_cast<int32_t>((uint32_t{reply[7]} << 24) | (uint32_t{reply[8]} << 16) |
                                             (uint32_t{reply[9]} << 8) | uint32_t{reply[10]});
    const std::string name = TestItemName(slot.testItem);
    if (result == 0) {
        observer_.SetRowResult(port, 3, name + " " + texts_.testPassed);
        slot.itemPassed = 1;
        slot.resultBits = static_cast<uint8_t>(slot.resultBits ^ (0x80u >> (slot.testItem - 1)));
    } else {
        observer_.SetRowResult(port, 2, std::to_string(result) + " - " + name + " " + texts_.testFailed);
        slot.itemPassed = 0;
    }
    slot.resultWritten = 0;
    if (slot.stampWrites == 0)
        WriteTestStamp(port);
    else if (slot.testItem <= 8 && slot.itemPassed == 1)
        NextTestItem(port);
    else if (slot.resultWritten == 0) {
        slot.resultWritten = 1;
        WriteTestResult(kResultAddress, slot.resultBits, port);
    }
}

void ReplyDispatcher::NextTestItem(int port)
{
    PortSlot& slot = SlotOf(port);
    int item = slot.testItem + 1;
    while (item <= 8 && testItemFlags_[static_cast<size_t>(item - 1)] != 1)
        ++item;
    slot.testItem = item;
    if (item > 8) {
        WriteTestResult(kResultAddress, slot.resultBits, port);
        return;
    }
    SendNotice(port, notice::kProgress, 1);
    Send(port, code::kTest, BuildTestRequest(static_cast<uint32_t>(item)), 9, timeouts_.application);
}

// A port passes only once its module has taken the result byte. Counted any
// earlier, the run's end would close the window with the write's answer still
// on the line, and the record read that follows on the open port would take
// that answer for its own.
void ReplyDispatcher::ResultByteTaken(int port)
{
    PortFinished(port);
    SendNotice(port, notice::kPhaseDone, 8);
}

void ReplyDispatcher::WriteTestStamp(int port)
{
    PortSlot& slot = SlotOf(port);
    // One reading of the clock for all three bytes: a test that runs across
    // midnight must not stamp the year of one day with the month of the next.
    if (slot.stampWrites == 0)
        slot.stampDate = TodayUtc();
    const CalendarDate& today = slot.stampDate;
    const int values[] = {today.year % 100, today.month, today.day};
    const int index = slot.stampWrites;
    Send(port, code::kStampWrite,
         BuildEepromWrite(kYearAddress + static_cast<uint32_t>(index), static_cast<uint8_t>(values[index])), 13,
         timeouts_.application);
    ++slot.stampWrites;
}

void ReplyDispatcher::WriteTestResult(uint32_t address, uint8_t value, int port)
{
    Send(port, code::kStampWrite, BuildEepromWrite(address, value), 13, timeouts_.application);
}

}  // namespace veltra
