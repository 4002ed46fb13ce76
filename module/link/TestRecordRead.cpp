#include "ReplyDispatcher.h"

#include "ReplyRules.h"

namespace veltra {

namespace {

constexpr int kRecordFirst = 464;
constexpr int kRecordLast = 467;

}  // namespace

void ReplyDispatcher::PrepareRecordRead()
{
    StartRun();
    notice_ = StatusNotice{0, code::kRecordRead, 0, 0};
}

void ReplyDispatcher::ReadTestRecords()
{
    int port = 0;
    while (port < ports_.PortCount() && !ports_.IsChecked(port))
        ++port;
    if (port >= ports_.PortCount()) {
        observer_.ShowMessage(texts_.downloaderCaption, "You should check the Ports!");
        observer_.RunEnded();
        observer_.PortOver(0, 9);
        return;
    }
    MoveRecordReadTo(port);
}

void ReplyDispatcher::MoveRecordReadTo(int port)
{
    PortSlot& slot = SlotOf(port);
    slot = PortSlot{};
    slot.running = true;
    testRecord_.fill(0);
    observer_.RecordReadMovesTo(port, ports_.PortName(port));
    if (!ports_.IsOpen(port)) {
        // A port that could not be reopened has no watcher to report its
        // silence, so the read would wait on it for good: it is timed out at once.
        observer_.PortOver(port, kRecordTimedOut);
        ReadNextTestRecord(port);
        return;
    }
    ReadTestRecordByte(port, kRecordFirst);
}

void ReplyDispatcher::ReadTestRecordByte(int port, int address)
{
    if (port >= ports_.PortCount()) {
        notice_.code = notice::kPhaseDone;
        observer_.RunEnded();
        observer_.RunOver(notice_, port);
        return;
    }
    notice_.active = 0;
    notice_.code = code::kRecordRead;
    SlotOf(port).address = address;
    Send(port, code::kRecordRead, BuildEepromRead(static_cast<uint32_t>(address)), 9, timeouts_.testRecord);
}

void ReplyDispatcher::DispatchRecord(int port, PortSlot& slot)
{
    if (!TakeFrameReply(port, slot))
        return;
    const int address = slot.address;
    if (address >= kRecordFirst && address <= kRecordLast)
        testRecord_[static_cast<size_t>(address - kRecordFirst)] = static_cast<uint8_t>(slot.replyBuffer[10]);
    if (address == kRecordLast)
        observer_.RecordComplete(port, testRecord_);
    if (address < kRecordLast) {
        ReadTestRecordByte(port, address + 1);
        return;
    }
    slot.running = false;
    for (int next = port + 1; next < ports_.PortCount(); ++next) {
        if (ports_.IsChecked(next) && ports_.IsOpen(next)) {
            MoveRecordReadTo(next);
            return;
        }
    }
    notice_.active = 0;
    observer_.RunEnded();
    RunOver(notice::kPhaseDone, 0);
}

void ReplyDispatcher::ReadNextTestRecord(int port)
{
    for (int next = port + 1; next < ports_.PortCount(); ++next) {
        if (ports_.IsChecked(next)) {
            MoveRecordReadTo(next);
            return;
        }
    }
    notice_.active = 0;
    observer_.RunEnded();
    RunOver(notice::kPhaseDone, 0);
}

}  // namespace veltra
