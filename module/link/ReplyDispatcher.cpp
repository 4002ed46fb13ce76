#include "ReplyDispatcher.h"

#include "ChannelPacket.h"
#include "ReplyRules.h"

#include <algorithm>

namespace veltra {

ReplyDispatcher::ReplyDispatcher(PortLink& ports, RunObserver& observer, const RomImage& image,
                                 ParameterTable& parameters, std::function<RomOptions()> romOptions, RunTexts texts,
                                 RunTimeouts timeouts)
    : ports_(ports), observer_(observer), image_(image), parameters_(parameters), romOptions_(std::move(romOptions)),
      texts_(std::move(texts)), timeouts_(timeouts), slots_(static_cast<size_t>(ports.PortCount()))
{
    eraseTimers_.resize(slots_.size());
}

ReplyDispatcher::~ReplyDispatcher() = default;

void ReplyDispatcher::OnReceivedData(int port, const char* data, size_t count)
{
    if (port < 0 || static_cast<size_t>(port) >= slots_.size() || count == 0)
        return;
    // The channel never hands over more than one buffer's worth, but a caller
    // may; each piece is judged as it would arrive.
    for (size_t at = 0; at < count; at += kReplyBufferSize)
        Dispatch(port, std::string_view(data + at, std::min(kReplyBufferSize, count - at)));
}

void ReplyDispatcher::Dispatch(int port, std::string_view piece)
{
    PortSlot& slot = SlotOf(port);
    if (!slot.running)
        return;  // nothing awaited: bytes after 'G' or 'K', or after the port stopped

    if (slot.code == code::kHandshake) {
        // Each handshake chunk is judged by itself. A boot loader that answers
        // anything but "U" stops the port here: left waiting, its time-out
        // would later take the place of what really stopped it.
        if (JudgeReply(code::kHandshake, 1, piece) != ReplyVerdict::Success) {
            ports_.SetPortStatus(port, port_image::kClosed);
            FailPort(port, texts_.wrongReply);
            return;
        }
        ports_.ReplyArrived(port);
        SendNotice(port, notice::kPhaseDone, 100);
        ports_.SetPortStatus(port, port_image::kOpen);
        slot.step = 0;
        if (!NextRomStep(port))
            PortFinished(port);
        CheckRunEnd();
        return;
    }

    const size_t room = kReplyBufferSize - slot.replyCount;
    const size_t take = std::min(room, piece.size());
    std::copy_n(piece.data(), take, slot.replyBuffer.data() + slot.replyCount);
    slot.replyCount += take;

    switch (slot.code) {
    case code::kParamRead:
    case code::kParamWrite:
        DispatchParameters(port, slot);
        break;
    case code::kTest:
    case code::kStampWrite:
        DispatchTest(port, slot);
        break;
    case code::kRecordRead:
        DispatchRecord(port, slot);
        break;
    default:
        DispatchRom(port, slot);
        break;
    }
    CheckRunEnd();
}

void ReplyDispatcher::SendNotice(int port, int code, int value, int range)
{
    notice_ = StatusNotice{1, code, value, port};
    observer_.Notice(notice_, range, ports_.PortName(port));
}

void ReplyDispatcher::RunOver(int code, int value)
{
    notice_.code = code;
    observer_.RunOver(notice_, value);
}

int ReplyDispatcher::CheckedPortCount() const
{
    int count = 0;
    for (int port = 0; port < ports_.PortCount(); ++port)
        count += ports_.IsChecked(port) ? 1 : 0;
    return count;
}

int ReplyDispatcher::CheckedRowCount() const
{
    int count = 0;
    for (const ParameterEntry& row : parameters_.rows)
        count += row.checked ? 1 : 0;
    return count;
}

void ReplyDispatcher::Send(int port, char requestCode, std::string bytes, uint32_t expectedLength, uint32_t timeoutMs)
{
    PortSlot& slot = SlotOf(port);
    slot.code = requestCode;
    slot.request = bytes;
    slot.expectedLength = expectedLength;
    slot.ClearReply();
    ports_.Send(port, CommandRecord::Make(requestCode, std::move(bytes), expectedLength), timeoutMs);
}

bool ReplyDispatcher::TakeFrameReply(int port, PortSlot& slot)
{
    const FrameScan scan = ScanFrameReply(slot.request, slot.Reply());
    if (scan.start > 0) {
        std::copy(slot.replyBuffer.begin() + static_cast<std::ptrdiff_t>(scan.start),
                  slot.replyBuffer.begin() + static_cast<std::ptrdiff_t>(slot.replyCount), slot.replyBuffer.begin());
        slot.replyCount -= scan.start;
    }
    if (scan.verdict == FrameVerdict::Complete) {
        ports_.ReplyArrived(port);
        return true;
    }
    if (scan.verdict == FrameVerdict::Wrong)
        WrongReply(port, slot);
    return false;
}

void ReplyDispatcher::WrongReply(int port, PortSlot& slot)
{
    slot.ClearReply();
    if (ports_.RetryRequest(port))
        return;
    ports_.ReplyArrived(port);
    if (slot.code == code::kParamRead) {
        // The one port of an upload: its values are left as they were read.
        slot.running = false;
        slot.failed = true;
        ports_.Close(port);
        ports_.SetPortStatus(port, port_image::kClosed);
        observer_.ShowMessage(texts_.uploadCaption, texts_.wrongReply);
        observer_.RunEnded();
        return;
    }
    if (slot.code == code::kRecordRead) {
        slot.running = false;
        observer_.PortOver(port, kRecordWrongReply);
        ReadNextTestRecord(port);
        return;
    }
    FailPort(port, texts_.wrongReply);
}

void ReplyDispatcher::PortFinished(int port)
{
    PortSlot& slot = SlotOf(port);
    if (slot.Ended())
        return;
    slot.finished = true;
    slot.running = false;
    ++doneCount_;
    CheckPortsEnded();
}

void ReplyDispatcher::FailPort(int port, const std::string& text)
{
    PortSlot& slot = SlotOf(port);
    if (slot.Ended())
        return;
    slot.failed = true;
    slot.running = false;
    StopEraseTimer(port);
    // The port stops waiting: its cause stays on its row, and no time-out
    // comes later to count it a second time.
    ports_.ReplyArrived(port);
    if (!text.empty())
        observer_.ShowPortError(ports_.PortName(port), text);
    ++failCount_;
    CheckPortsEnded();
}

void ReplyDispatcher::CheckPortsEnded()
{
    if (runEnded_ || portsToRun_ == 0 || doneCount_ + failCount_ < portsToRun_)
        return;
    runEnded_ = true;
    observer_.RunEnded();
}

void ReplyDispatcher::CheckRunEnd()
{
    if (runFinished_ || portsToRun_ == 0 || doneCount_ != portsToRun_)
        return;
    runFinished_ = true;
    // Like every notice, the last one is the shared record with only its code
    // changed: it still names the port that finished last and its progress.
    SendNotice(notice_.port, notice::kRunFinished, notice_.value);
}

void ReplyDispatcher::StartRun()
{
    for (size_t i = 0; i < slots_.size(); ++i) {
        StopEraseTimer(static_cast<int>(i));
        slots_[i] = PortSlot{};
    }
    doneCount_ = 0;
    failCount_ = 0;
    runFinished_ = false;
    runEnded_ = false;
    portsToRun_ = CheckedPortCount();
}

void ReplyDispatcher::EndRun()
{
    for (size_t i = 0; i < slots_.size(); ++i) {
        StopEraseTimer(static_cast<int>(i));
        slots_[i].running = false;
    }
}

void ReplyDispatcher::OnStatusRequest(int type, int value)
{
    if (type == 1 && value == code::kHandshake)
        BeginRomRun();
    else if (type == 1 && value == code::kParamWrite)
        BeginParamDownload();
    else if (type == 1 && value == code::kTest)
        StartModuleTest();
    else if (type == 0 && value == code::kParamRead && uploadPort_ >= 0 && !ParamReadStart(uploadPort_, 0))
        RunOver(notice::kPhaseDone, static_cast<int>(parameters_.rows.size()));
    else if (type == 0 && value == code::kRecordRead)
        ReadTestRecords();
}

bool ReplyDispatcher::OnChannelEvent(int port, int eventCode, char lastCode)
{
    if (port < 0 || static_cast<size_t>(port) >= slots_.size())
        return false;
    PortSlot& slot = SlotOf(port);
    if (slot.Ended())
        return false;  // a late event must not overwrite what stopped the port
    StopEraseTimer(port);
    if (eventCode == kEventRetryOver) {
        FailPort(port, {});
        return true;
    }
    if (eventCode != kEventTimeOut)
        return false;
    slot.running = false;
    if (lastCode == code::kParamRead) {
        slot.failed = true;
        observer_.ShowMessage(texts_.downloaderCaption, texts_.timeOut);
        observer_.RunEnded();
        return false;
    }
    if (lastCode == code::kRecordRead) {
        observer_.PortOver(port, kRecordTimedOut);
        ReadNextTestRecord(port);
        return false;
    }
    if (lastCode == code::kInitialErase)
        ++initialEraseCount_;
    FailPort(port, texts_.timeOut);
    return true;
}

void ReplyDispatcher::StartEraseTimer(int port)
{
    auto& timer = eraseTimers_.at(static_cast<size_t>(port));
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setInterval(1000);
        QObject::connect(timer.get(), &QTimer::timeout, [this, port] { OnEraseTick(port); });
    }
    SlotOf(port).eraseProgress = 0;
    timer->start();
}

void ReplyDispatcher::StopEraseTimer(int port)
{
    auto& timer = eraseTimers_.at(static_cast<size_t>(port));
    if (timer)
        timer->stop();
}

void ReplyDispatcher::OnEraseTick(int port)
{
    // 14 per second, and never the full bar while the erase is still going.
    PortSlot& slot = SlotOf(port);
    const int add = std::min(14, 99 - slot.eraseProgress);
    slot.eraseProgress += add;
    SendNotice(port, notice::kProgress, add);
}

}  // namespace veltra
