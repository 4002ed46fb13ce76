#include "TestRecordRead.h"

#include "CommandRecord.h"

namespace veltra {

namespace {

using namespace module_facts;

}  // namespace

TestRecordRead::TestRecordRead(ReplyDispatcher& dispatcher, Prompts& prompts, const RunTexts& texts,
                               const RunTimeouts& timeouts)
    : dispatcher_(dispatcher), bank_(dispatcher.Bank()), prompts_(prompts), texts_(texts), timeouts_(timeouts)
{
}

void TestRecordRead::PrepareRecordRead()
{
    dispatcher_.StartRun(*this, "records", false);
    dispatcher_.SharedNotice() = StatusNotice{0, code::kRecordRead, 0, 0};
}

void TestRecordRead::ReadTestRecords()
{
    int port = 0;
    while (port < bank_.PortCount() && !bank_.Selected(port))
        ++port;
    if (port >= bank_.PortCount()) {
        prompts_.ShowMessage(texts_.downloaderCaption, "You should check the Ports!");
        dispatcher_.Observer().RunEnded();
        dispatcher_.Observer().PortOver(0, 9);
        return;
    }
    MoveRecordReadTo(port);
}

void TestRecordRead::MoveRecordReadTo(int port)
{
    dispatcher_.Slot(port).running = true;
    record_.fill(0);
    dispatcher_.BeginPhase(port, "read");
    dispatcher_.Observer().RecordReadMovesTo(port, bank_.Label(port));
    if (!bank_.IsOpen(port)) {
        // A port that could not be reopened answers nothing: it is timed out
        // at once instead of holding the read up.
        PortNotRead(port, kRecordTimedOut, "Timeout!");
        ReadNextTestRecord(port, false);
        return;
    }
    ReadTestRecordByte(port, kTestRecordFirst);
}

void TestRecordRead::ReadTestRecordByte(int port, uint32_t address)
{
    StatusNotice& notice = dispatcher_.SharedNotice();
    notice.active = 0;
    notice.code = code::kRecordRead;
    address_ = address;
    dispatcher_.Send(port, code::kRecordRead, BuildEepromRead(address), 9, timeouts_.testRecord);
}

void TestRecordRead::OnReply(int port, PortSlot& slot, bool right)
{
    if (!right) {
        PortNotRead(port, kRecordWrongReply, texts_.wrongReply);
        ReadNextTestRecord(port, false);
        return;
    }
    record_.at(address_ - kTestRecordFirst) = static_cast<uint8_t>(slot.replyBuffer[10]);
    if (address_ < kTestRecordLast) {
        ReadTestRecordByte(port, address_ + 1);
        return;
    }
    dispatcher_.Observer().RecordComplete(port, record_);
    slot.result.data = QJsonObject{
        {"record", QString::asprintf("%02X %02X %02X %02X", record_[0], record_[1], record_[2], record_[3])},
        {"date", QString::asprintf("20%02d-%02d-%02d", record_[0], record_[1], record_[2])},
        {"resultByte", record_[3]}};
    dispatcher_.PortFinished(port);
    ReadNextTestRecord(port, true);
}

void TestRecordRead::OnTimeout(int port, int eventCode, char /*lastCode*/)
{
    PortNotRead(port, kRecordTimedOut, eventCode == kEventTimeOut ? "Timeout!" : "Retry Over");
    ReadNextTestRecord(port, false);
}

void TestRecordRead::PortNotRead(int port, int why, const std::string& text)
{
    dispatcher_.Observer().PortOver(port, why);
    dispatcher_.FailPort(port, text, false);
}

// After a record the read goes on with the next ticked port whose channel is
// open; after a port that failed, with the next ticked one, open or not.
void TestRecordRead::ReadNextTestRecord(int port, bool openOnly)
{
    for (int next = port + 1; next < bank_.PortCount(); ++next) {
        if (bank_.Selected(next) && (!openOnly || bank_.IsOpen(next))) {
            MoveRecordReadTo(next);
            return;
        }
    }
    // Ticked ports passed over because they could not be opened are not read.
    for (int other = 0; other < bank_.PortCount(); ++other) {
        if (bank_.Selected(other))
            dispatcher_.FailPort(other, texts_.cannotOpen + " " + bank_.OpenError(other), false);
    }
    dispatcher_.SharedNotice().active = 0;
    dispatcher_.RunOver(notice::kPhaseDone, 0);
}

}  // namespace veltra
