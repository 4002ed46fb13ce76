#include "SoakRig.h"

#include "ModuleTestWindow.h"
#include "PortList.h"
#include "UtcClock.h"

#include <QTableWidget>

#include <algorithm>
#include <array>
#include <cstdio>

namespace veltra::soak {

namespace {

constexpr uint32_t kRecordAddress = 464;
constexpr int kItems = 8;

// The fewest a port of a module test receives: its first item, the three
// date bytes and the result byte.
constexpr size_t kLeastTestRequests = 5;
constexpr size_t kLeastTestBytes = 9 + 3 * 13 + 13;
// A record read asks four bytes of every port.
constexpr size_t kRecordRequests = 4;
constexpr size_t kRecordRequestBytes = 9;

struct TestRecord {
    uint8_t year = 0;
    uint8_t month = 0;
    uint8_t day = 0;
    uint8_t result = 0;
};

TestRecord RecordOf(const ModuleMemory& memory)
{
    const auto& e = memory.eeprom;
    return {e[kRecordAddress], e[kRecordAddress + 1], e[kRecordAddress + 2], e[kRecordAddress + 3]};
}

TestRecord Stamped(const CalendarDate& date, uint8_t result)
{
    return {static_cast<uint8_t>(date.year % 100), static_cast<uint8_t>(date.month), static_cast<uint8_t>(date.day),
            result};
}

void Store(ModuleMemory& memory, const TestRecord& record)
{
    auto& e = memory.eeprom;
    e[kRecordAddress] = record.year;
    e[kRecordAddress + 1] = record.month;
    e[kRecordAddress + 2] = record.day;
    e[kRecordAddress + 3] = record.result;
}

// What one module makes of the chosen items: the result byte it must end
// with, and the row text of the first item it fails, if any.
struct TestVerdict {
    uint8_t result = 0xFF;
    std::string failure;
};

TestVerdict VerdictOf(const std::string& items, const std::array<int32_t, kItems>& codes)
{
    TestVerdict verdict;
    for (int item = 1; item <= kItems; ++item) {
        if (items[static_cast<size_t>(item - 1)] != '1')
            continue;
        const int32_t code = codes[static_cast<size_t>(item - 1)];
        if (code != 0) {
            verdict.failure = std::to_string(code) + " - " + TestItemName(item) + " Fail!";
            break;
        }
        verdict.result = static_cast<uint8_t>(verdict.result & ~(0x80u >> (item - 1)));
    }
    return verdict;
}

std::string Cell(const QTableWidget& list, int row, int column)
{
    const QTableWidgetItem* item = list.item(row, column);
    return item != nullptr ? item->text().toStdString() : std::string();
}

}  // namespace

// A random choice of items; some modules fail one of them, as a module on
// the jig may, which the status window must show as it shows a fault.
void SoakRig::ModuleTest(OperationRun& run)
{
    std::string items(kItems, '0');
    for (char& item : items)
        item = Chance(0.6) ? '1' : '0';
    items[static_cast<size_t>(Between(0, kItems - 1))] = '1';
    PortTraffic traffic;
    traffic.requests = kLeastTestRequests;
    traffic.bytes = kLeastTestBytes;
    for (int port = 0; port < options_.modules; ++port)
        run.ports.push_back(port);
    PlanFaults(run, traffic);
    PrepareModules(run, sim::Personality::Application);
    std::vector<TestVerdict> verdicts;
    for (const int port : run.ports) {
        std::array<int32_t, kItems> codes{};
        if (Chance(0.2))
            codes[static_cast<size_t>(Between(0, kItems - 1))] = Chance(0.5) ? -1 : Between(1, 100000);
        for (int item = 1; item <= kItems; ++item)
            modules_->Module(static_cast<size_t>(port)).SetTestResult(item, codes[static_cast<size_t>(item - 1)]);
        verdicts.push_back(VerdictOf(items, codes));
    }

    CFlashkitSheet& sheet = driver_->Sheet();
    driver_->AnswerTestOptionsWith(items);
    Connect(run, QStringLiteral("9600"));
    const CalendarDate dayBefore = TodayUtc();
    // A port pulled out before the test is said in a message of its own.
    run.refusal = "Module Test: Can not open a serial port: ";
    const std::vector<RowOutcome> rows = RunInStatusWindow(run, [&sheet] { sheet.JigTest(); });
    const CalendarDate dayAfter = TodayUtc();
    if (run.hung)
        return;

    for (const int port : run.ports) {
        const RowOutcome& row = rows[static_cast<size_t>(port)];
        const TestVerdict& verdict = verdicts[static_cast<size_t>(port)];
        const PortFault* fault = FaultOf(run, port);
        Expectation expected;
        if (fault != nullptr && fault->expectation.outcome != Outcome::Succeed)
            expected = fault->expectation;
        else if (!verdict.failure.empty())
            expected = {Outcome::Fail, verdict.failure};
        Judge(run, port, expected, row.finished, row.texts);
        // A port that failed its item as it had to has written its record too.
        const bool failedAsItHadTo = !verdict.failure.empty() && expected.failureText == verdict.failure &&
                                     std::count(row.texts.begin(), row.texts.end(), verdict.failure) > 0;
        if (!row.finished && !failedAsItHadTo)
            continue;
        // The record carries the day the test ran; a test across midnight may
        // carry either.
        ModuleMemory expectedMemory = model_[static_cast<size_t>(port)];
        Store(expectedMemory, Stamped(dayAfter, verdict.result));
        const ModuleMemory actual = ReadMemory(modules_->Module(static_cast<size_t>(port)));
        if (DifferingBytes(expectedMemory, actual) != 0)
            Store(expectedMemory, Stamped(dayBefore, verdict.result));
        CheckMemory(run, port, expectedMemory);
    }
}

// Every ticked port's record, read into the log window: one row per port,
// its date, result byte and an item's PASS or FAIL as the module holds them.
void SoakRig::RecordRead(OperationRun& run)
{
    PortTraffic traffic;
    traffic.requests = kRecordRequests;
    traffic.bytes = kRecordRequests * kRecordRequestBytes;
    for (int port = 0; port < options_.modules; ++port)
        run.ports.push_back(port);
    PlanFaults(run, traffic);
    PrepareModules(run, sim::Personality::Application);

    CFlashkitSheet& sheet = driver_->Sheet();
    Connect(run, QStringLiteral("9600"));
    auto& window = *sheet.findChild<ModuleTestWindow*>();
    const auto readsOver = [&] { return MessageCount(run, kRecordsRead); };
    // The log stays open for the operator to read: its OK once it said so.
    const bool pressed = RunWindow(run, window, "record window", "1", [&readsOver] { return readsOver() > 0; },
                                   [&sheet] { sheet.ShowJigTest(); });
    if (run.hung)
        return;
    if (readsOver() != 1 || !pressed)
        Fail(run, -1, "the record window must say \"" + std::string(kRecordsRead) +
                          "\" once and stay open; it said so " + std::to_string(readsOver()) + " time(s)" +
                          (pressed ? "" : " and closed by itself"));
    const QTableWidget& list = *window.List();
    if (list.rowCount() != static_cast<int>(run.ports.size()))
        Fail(run, -1, "the record window lists " + std::to_string(list.rowCount()) + " rows for " +
                          std::to_string(run.ports.size()) + " ports");

    for (const int port : run.ports) {
        const std::string name = sheet.Controls().portList->PortName(port);
        int row = 0;
        while (row < list.rowCount() && Cell(list, row, 0) != name)
            ++row;
        const std::string date = Cell(list, row, 1);
        const bool finished = row < list.rowCount() && date != TimeOutText(run.operation);
        const PortFault* fault = FaultOf(run, port);
        Judge(run, port, fault != nullptr ? fault->expectation : Expectation{}, finished, {date});
        const ModuleMemory& module = model_[static_cast<size_t>(port)];
        CheckMemory(run, port, module);
        if (!finished) {
            if (!Cell(list, row, 2).empty())
                Fail(run, port, "timed out, but its row shows the result byte " + Cell(list, row, 2));
            continue;
        }
        // Each of the record's four bytes counts once when any text that
        // shows it is wrong: the date's three, and the result byte's hex and
        // item columns.
        const TestRecord record = RecordOf(module);
        int year = -1;
        int month = -1;
        int day = -1;
        std::sscanf(date.c_str(), "20%d-%d-%d", &year, &month, &day);
        size_t wrong = (year != record.year ? 1 : 0) + (month != record.month ? 1 : 0) + (day != record.day ? 1 : 0);
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", record.result);
        bool resultWrong = Cell(list, row, 2) != hex;
        for (int item = 0; item < kItems; ++item) {
            const bool failedItem = (record.result >> (7 - item)) & 1;
            resultWrong = resultWrong || Cell(list, row, 3 + item) != (failedItem ? "FAIL" : "PASS");
        }
        wrong += resultWrong ? 1 : 0;
        if (wrong != 0) {
            tally_.CountWrongBytes(wrong);
            Fail(run, port, "its row shows " + date + " " + Cell(list, row, 2) + " for the record it holds");
        }
    }
}

}  // namespace veltra::soak
