#include "ModuleTest.h"

#include "CommandRecord.h"

#include <QJsonArray>

namespace veltra {

namespace {

using namespace module_facts;

constexpr uint32_t kResultAddress = kTestRecordLast;

QString DateText(const CalendarDate& date)
{
    return QString::asprintf("%04d-%02d-%02d", date.year, date.month, date.day);
}

}  // namespace

std::string TestItemName(int item)
{
    static const char* const names[] = {"Port", "AD Ch1 Zero", "AD Ch1 Low", "AD Ch2 Zero",
                                        "AD Ch2 Low", "Temp. Sensor", "RTC", "EEP ROM"};
    return item >= 1 && item <= kTestItems ? names[item - 1] : "";
}

ModuleTest::ModuleTest(ReplyDispatcher& dispatcher, Prompts& prompts, const RunTexts& texts,
                       const RunTimeouts& timeouts)
    : dispatcher_(dispatcher), bank_(dispatcher.Bank()), prompts_(prompts), texts_(texts), timeouts_(timeouts)
{
}

int ModuleTest::TestItemCount() const
{
    int count = 0;
    for (const int flag : testItemFlags_)
        count += flag;
    return count;
}

bool ModuleTest::HasPorts()
{
    if (bank_.SelectedCount() > 0)
        return true;
    prompts_.ShowMessage(texts_.testCaption, texts_.selectPort);
    return false;
}

void ModuleTest::StartModuleTest()
{
    dispatcher_.StartRun(*this, "test", true);
    states_.assign(static_cast<size_t>(bank_.PortCount()), Progress{});
    int first = 1;
    while (first <= kTestItems && testItemFlags_[static_cast<size_t>(first - 1)] != 1)
        ++first;
    if (first > kTestItems)
        return;
    QString items;
    for (const int flag : testItemFlags_)
        items += flag == 1 ? '1' : '0';
    for (int port = 0; port < bank_.PortCount(); ++port) {
        // Only ticked ports are tested: an open port that is not ticked is not
        // among the ports to run, and its finishing must not end the run.
        if (!bank_.Selected(port))
            continue;
        dispatcher_.Slot(port).result.data = QJsonObject{{"items", items}};
        // The application firmware listens at 9,600 bit/s whatever the box says.
        if (!bank_.Open(port, kApplicationBaud)) {
            prompts_.ShowMessage(texts_.testCaption, texts_.cannotOpen + " " + bank_.Label(port));
            dispatcher_.FailPort(port, texts_.cannotOpen + " " + bank_.OpenError(port));
            continue;
        }
        At(port).testItem = first;
        dispatcher_.Slot(port).running = true;
        dispatcher_.BeginPhase(port, "test");
        dispatcher_.SendNotice(port, notice::kPhaseStarts, code::kTest, kTestItems);
        dispatcher_.Send(port, code::kTest, BuildTestRequest(static_cast<uint32_t>(first)), 9, timeouts_.application);
    }
}

void ModuleTest::OnReply(int port, PortSlot& slot, bool right)
{
    if (!right) {
        dispatcher_.FailPort(port, texts_.wrongReply);
        return;
    }
    if (slot.code == code::kTest)
        EvaluateTestReply(port, slot);
    else
        AfterWrite(port);
}

void ModuleTest::EvaluateTestReply(int port, PortSlot& slot)
{
    Progress& progress = At(port);
    const auto* reply = reinterpret_cast<const uint8_t*>(slot.replyBuffer.data());
    const auto result = static_cast<int32_t>((uint32_t{reply[7]} << 24) | (uint32_t{reply[8]} << 16) |
                                             (uint32_t{reply[9]} << 8) | uint32_t{reply[10]});
    const std::string name = TestItemName(progress.testItem);
    QJsonObject& data = slot.result.data;
    QJsonArray results = data["results"].toArray();
    results.append(QJsonObject{{"item", progress.testItem}, {"code", result}});
    data["results"] = results;
    if (result == 0) {
        dispatcher_.Observer().SetRowResult(port, 3, name + " " + texts_.testPassed);
        progress.itemPassed = true;
        progress.resultBits = static_cast<uint8_t>(progress.resultBits ^ (0x80u >> (progress.testItem - 1)));
    } else {
        const std::string text = std::to_string(result) + " - " + name + " " + texts_.testFailed;
        dispatcher_.Observer().SetRowResult(port, 2, text);
        slot.result.failure = text;
        progress.itemPassed = false;
    }
    progress.resultWritten = false;
    if (progress.stampWrites == 0) {
        WriteTestStamp(port);
    } else if (progress.testItem <= kTestItems && progress.itemPassed) {
        NextTestItem(port);
    } else {
        progress.resultWritten = true;
        WriteTestResult(port);
    }
}

// After a date byte or the result byte has been taken.
void ModuleTest::AfterWrite(int port)
{
    Progress& progress = At(port);
    if (progress.stampWrites < 3) {
        WriteTestStamp(port);
    } else if (progress.testItem > kTestItems) {
        // A port passes only once its module has taken the result byte.
        // Counted any earlier, the run's end would close the window with the
        // write's answer still on the line, and the record read that follows
        // on the open port would take that answer for its own.
        dispatcher_.SendNotice(port, notice::kPhaseDone, kTestItems);
        dispatcher_.PortFinished(port);
    } else if (progress.itemPassed) {
        NextTestItem(port);
    } else if (!progress.resultWritten) {
        progress.resultWritten = true;
        WriteTestResult(port);
    } else {
        dispatcher_.FailPort(port, {}, false);  // the row shows the item that failed
    }
}

void ModuleTest::NextTestItem(int port)
{
    Progress& progress = At(port);
    int item = progress.testItem + 1;
    while (item <= kTestItems && testItemFlags_[static_cast<size_t>(item - 1)] != 1)
        ++item;
    progress.testItem = item;
    if (item > kTestItems) {
        WriteTestResult(port);
        return;
    }
    dispatcher_.SendNotice(port, notice::kProgress, 1);
    dispatcher_.Send(port, code::kTest, BuildTestRequest(static_cast<uint32_t>(item)), 9, timeouts_.application);
}

void ModuleTest::WriteTestStamp(int port)
{
    Progress& progress = At(port);
    // One reading of the clock for all three bytes: a test that runs across
    // midnight must not stamp the year of one day with the month of the next.
    if (progress.stampWrites == 0) {
        progress.stampDate = TodayUtc();
        dispatcher_.Slot(port).result.data["date"] = DateText(progress.stampDate);
    }
    const CalendarDate& date = progress.stampDate;
    const int values[] = {date.year % 100, date.month, date.day};
    const int index = progress.stampWrites++;
    dispatcher_.Send(port, code::kStampWrite,
                     BuildEepromWrite(kTestRecordFirst + static_cast<uint32_t>(index), static_cast<uint8_t>(values[index])),
                     13, timeouts_.application);
}

void ModuleTest::WriteTestResult(int port)
{
    const uint8_t bits = At(port).resultBits;
    dispatcher_.Slot(port).result.data["resultByte"] = bits;
    dispatcher_.Send(port, code::kStampWrite, BuildEepromWrite(kResultAddress, bits), 13, timeouts_.application);
}

void ModuleTest::OnTimeout(int port, int eventCode, char /*lastCode*/)
{
    dispatcher_.FailPort(port, eventCode == kEventTimeOut ? texts_.timeOut : std::string("Retry Over"));
}

}  // namespace veltra
