#include "ReplyDispatcher.h"

#include "ReplyRules.h"

#include <algorithm>

namespace veltra {

namespace {

constexpr uint32_t kFullBlockChars = 2 * kProgramBlockBytes;
constexpr uint32_t kFullRangeChars = 2 * kReadBackRangeBytes;
constexpr uint32_t kApplicationBaud = 9600;
constexpr uint32_t kModeMarkAddress = 509;
constexpr uint8_t kModeMarkValue = 0xAA;

}  // namespace

bool ReplyDispatcher::RomImageReady()
{
    const RomOptions options = romOptions_();
    if ((options.romDown || options.verify) && image_.loaded != 1) {
        observer_.ShowMessage(texts_.downloaderCaption, texts_.loadRomFirst);
        return false;
    }
    return true;
}

void ReplyDispatcher::BeginRomRun()
{
    StartRun();
    ports_.OpenCheckedPorts();
    for (int port = 0; port < ports_.PortCount(); ++port) {
        if (ports_.IsChecked(port))
            SendNotice(port, notice::kPhaseStarts, code::kHandshake, 100);
    }
    for (int port = 0; port < ports_.PortCount(); ++port) {
        if (!ports_.IsChecked(port))
            continue;
        if (!ports_.IsOpen(port)) {
            // Failed at once, with the system's reason: the window must not
            // wait for a port that was never opened.
            FailPort(port, CannotOpenText(port));
            continue;
        }
        SlotOf(port).running = true;
        Send(port, code::kHandshake, std::string(kHandshakeByte), 1, timeouts_.bootLoader);
    }
    observer_.EnableDisconnect();
}

std::string ReplyDispatcher::CannotOpenText(int port) const
{
    const std::string reason = ports_.OpenError(port);
    return reason.empty() ? texts_.cannotOpen : texts_.cannotOpen + " " + reason;
}

bool ReplyDispatcher::NextRomStep(int port)
{
    const RomOptions options = romOptions_();
    const int step = SlotOf(port).step;
    if (options.erase && step <= 0) {
        SendErase(port);
        return true;
    }
    if (options.blankCheck && step < 2) {
        SendBlankCheck(port);
        return true;
    }
    if (options.romDown && step < 3) {
        SendFirstBlock(port);
        return true;
    }
    if (options.verify && step <= 3) {
        SendFirstReadBack(port);
        return true;
    }
    return false;
}

void ReplyDispatcher::SendErase(int port)
{
    SendNotice(port, notice::kPhaseStarts, code::kErase, 100);
    StartEraseTimer(port);
    Send(port, code::kErase, std::string(kEraseRecord), static_cast<uint32_t>(kEraseRecord.size()), timeouts_.bootLoader);
}

void ReplyDispatcher::SendBlankCheck(int port)
{
    SendNotice(port, notice::kPhaseStarts, code::kBlankCheck, 100);
    Send(port, code::kBlankCheck, std::string(kBlankCheckRecord), static_cast<uint32_t>(kBlankCheckRecord.size()),
         timeouts_.bootLoader);
}

void ReplyDispatcher::SendFirstBlock(int port)
{
    // The first block is always a full one, whatever the image's size.
    std::string record = BuildProgramRecord(image_, 0, kProgramBlockBytes);
    PortSlot& slot = SlotOf(port);
    slot.total = 2 * image_.lastAddress + 2;
    slot.done = kFullBlockChars;
    slot.remaining = slot.total > kFullBlockChars ? slot.total - kFullBlockChars : 0;
    slot.finalIndex = 0;
    SendNotice(port, notice::kPhaseStarts, code::kProgram, static_cast<int>(slot.total));
    const auto length = static_cast<uint32_t>(record.size());
    Send(port, code::kProgram, std::move(record), length, timeouts_.bootLoader);
}

void ReplyDispatcher::SendNextBlock(int port)
{
    if (!ports_.IsOpen(port)) {
        SlotOf(port).running = false;
        return;
    }
    PortSlot& slot = SlotOf(port);
    const uint32_t chars = std::min(slot.remaining, kFullBlockChars);
    std::string record = BuildProgramRecord(image_, slot.done / 2, chars / 2);
    slot.remaining -= chars;
    slot.done += chars;
    const auto length = static_cast<uint32_t>(record.size());
    Send(port, code::kProgram, std::move(record), length, timeouts_.bootLoader);
}

void ReplyDispatcher::SendFinalisation(int port, int index)
{
    SlotOf(port).finalIndex = index;
    const std::string_view record = FinalisationRecord(index);
    Send(port, code::kFinalise, std::string(record), static_cast<uint32_t>(record.size()), timeouts_.bootLoader);
}

void ReplyDispatcher::SendFirstReadBack(int port)
{
    PortSlot& slot = SlotOf(port);
    slot.readBackExpected = ReadBackReplyLength(kFullRangeChars);
    slot.done = 0;
    slot.total = 2 * image_.lastAddress + 2;
    slot.rangeStart = 0;
    slot.rangeBytes = kReadBackRangeBytes;
    SendNotice(port, notice::kPhaseStarts, code::kReadBack, static_cast<int>(slot.total));
    Send(port, code::kReadBack, std::string(kFirstReadBackRecord), kFullRangeChars, timeouts_.bootLoader);
}

void ReplyDispatcher::SendNextReadBack(int port)
{
    PortSlot& slot = SlotOf(port);
    const uint32_t start = (slot.done + slot.expectedLength) / 2;
    const uint32_t rest = slot.total > 2 * start ? slot.total - 2 * start : 0;
    const uint32_t chars = std::min(rest, kFullRangeChars);
    slot.readBackExpected = ReadBackReplyLength(chars);
    slot.done += slot.expectedLength;
    slot.rangeStart = start;
    slot.rangeBytes = chars / 2;
    // After an image that fills 0xFFFF the closing empty range would start at
    // 0x10000, which four address digits cannot say; FFFF-FFFE is the same
    // empty range in four digits.
    const uint32_t first = std::min<uint32_t>(start, 0xFFFF);
    const uint32_t end = chars == 0 ? first - 1 : start + chars / 2 - 1;
    Send(port, code::kReadBack, BuildReadBackRecord(first, end), chars, timeouts_.bootLoader);
}

void ReplyDispatcher::DispatchRom(int port, PortSlot& slot)
{
    const char c = slot.code;
    const uint32_t wanted = c == code::kReadBack ? slot.readBackExpected : slot.expectedLength;
    if (!IsReplyComplete(c, wanted, slot.replyCount))
        return;

    if (c == code::kReadBack) {
        ports_.ReplyArrived(port);
        if (!CompareReadBack(slot.Reply(), slot.readBackExpected, image_, slot.rangeStart, slot.rangeBytes)) {
            FailPort(port, texts_.verificationFail);
            return;
        }
        const int progress = static_cast<int>(slot.expectedLength);
        if (slot.readBackExpected == ReadBackReplyLength(kFullRangeChars)) {
            SendNextReadBack(port);
            SendNotice(port, notice::kProgress, progress);
            return;
        }
        slot.step = 4;
        SendNotice(port, notice::kPhaseDone, static_cast<int>(slot.total));
        if (!NextRomStep(port))
            PortFinished(port);
        return;
    }

    const bool success = JudgeReply(c, slot.expectedLength, slot.Reply()) == ReplyVerdict::Success;
    if (!success) {
        // A block the module refused is reported at once; the other phases wait
        // for the channel's time-out, which names the port's failure.
        if (c == code::kProgram)
            FailPort(port, texts_.checkSum);
        return;
    }
    ports_.ReplyArrived(port);
    slot.ClearReply();
    switch (c) {
    case code::kErase:
        slot.step = 1;
        StopEraseTimer(port);
        SendNotice(port, notice::kPhaseDone, 100);
        break;
    case code::kBlankCheck:
        slot.step = 2;
        SendNotice(port, notice::kPhaseDone, 100);
        break;
    case code::kProgram:
        if (slot.remaining > 0) {
            SendNotice(port, notice::kProgress, static_cast<int>(kFullBlockChars));
            SendNextBlock(port);
        } else {
            SendFinalisation(port, 0);
        }
        return;
    case code::kFinalise:
        if (slot.finalIndex < 3) {
            SendFinalisation(port, slot.finalIndex + 1);
            return;
        }
        // Programming is over: the port's bar is full, whatever comes next.
        slot.step = 3;
        SendNotice(port, notice::kPhaseDone, static_cast<int>(slot.total));
        break;
    default:
        return;
    }
    if (!NextRomStep(port))
        PortFinished(port);
}

std::vector<int> ReplyDispatcher::RunInitialErase(bool modeMark)
{
    // Whatever an earlier run left behind (closed after the last initial
    // erase, or open at another rate), every ticked port is opened afresh at
    // the application firmware's rate.
    std::vector<int> missed;
    for (int port = 0; port < ports_.PortCount(); ++port) {
        if (!ports_.IsChecked(port))
            continue;
        if (ports_.BaudRate(port) != kApplicationBaud || !ports_.IsOpen(port)) {
            if (!ports_.ReopenAt(port, kApplicationBaud)) {
                missed.push_back(port);
                continue;
            }
        }
        bool sent = true;
        if (modeMark)
            sent = ports_.Send(port, CommandRecord::Make(code::kModeMark, BuildEepromWrite(kModeMarkAddress, kModeMarkValue)),
                               timeouts_.bootLoader);
        sent = ports_.Send(port, CommandRecord::Make(code::kInitialErase, BuildInitialEraseRequest()), timeouts_.bootLoader) &&
               sent;
        if (!sent)
            missed.push_back(port);
    }
    initialEraseCount_ = 0;
    return missed;
}

}  // namespace veltra
