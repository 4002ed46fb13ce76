#include "ReplyDispatcher.h"

#include "CommandRecord.h"
#include "ReplyRules.h"

#include <algorithm>

namespace veltra {

namespace {

bool IsFrameCode(char c)
{
    return c == code::kTest || c == code::kStampWrite || c == code::kRecordRead || c == code::kParamRead ||
           c == code::kParamWrite;
}

int64_t MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

ReplyDispatcher::ReplyDispatcher(PortBank& bank) : bank_(bank) {}

ReplyDispatcher::~ReplyDispatcher() = default;

void ReplyDispatcher::SetObserver(RunObserver* observer)
{
    observer_ = observer != nullptr ? observer : &quiet_;
}

void ReplyDispatcher::AddResultListener(std::function<void(const PortResult&)> listener)
{
    resultListeners_.push_back(std::move(listener));
}

// Ports may have been added since the last run: the slots follow the bank.
void ReplyDispatcher::EnsureSlots()
{
    const auto count = static_cast<size_t>(bank_.PortCount());
    if (slots_.size() < count) {
        slots_.resize(count);
        eraseTimers_.resize(count);
        eraseProgress_.resize(count, 0);
    }
}

void ReplyDispatcher::StartRun(Sequence& sequence, const std::string& operation, bool statusWindow)
{
    EnsureSlots();
    for (size_t port = 0; port < slots_.size(); ++port) {
        StopEraseTimer(static_cast<int>(port));
        slots_[port] = PortSlot{};
    }
    sequence_ = &sequence;
    operation_ = operation;
    statusWindow_ = statusWindow;
    doneCount_ = 0;
    failCount_ = 0;
    runFinished_ = false;
    runEnded_ = false;
    portsToRun_ = bank_.SelectedCount();
    const auto now = std::chrono::system_clock::now();
    for (int port = 0; port < bank_.PortCount(); ++port) {
        if (!bank_.Selected(port))
            continue;
        PortResult& result = Slot(port).result;
        result.port = port;
        result.portName = bank_.PortName(port);
        result.operation = operation;
        result.start = now;
    }
}

void ReplyDispatcher::EndRun(const std::string& why)
{
    for (int port = 0; port < static_cast<int>(slots_.size()); ++port) {
        StopEraseTimer(port);
        PortSlot& slot = Slot(port);
        if (bank_.Selected(port) && !slot.Ended() && !slot.result.operation.empty()) {
            slot.failed = true;
            slot.result.failure = why;
            EndPort(port, slot);
        }
        slot.running = false;
    }
    sequence_ = nullptr;
}

void ReplyDispatcher::Send(int port, char requestCode, std::string bytes, uint32_t expectedLength, uint32_t timeoutMs)
{
    PortSlot& slot = Slot(port);
    slot.code = requestCode;
    slot.request = bytes;
    slot.expectedLength = expectedLength;
    slot.ClearReply();
    bank_.Send(port, CommandRecord::Make(requestCode, std::move(bytes), expectedLength), timeoutMs);
}

void ReplyDispatcher::BeginPhase(int port, const std::string& name)
{
    PortSlot& slot = Slot(port);
    if (!slot.result.phases.empty())
        slot.result.phases.back().ms = MillisecondsSince(slot.phaseStart);
    slot.result.phases.push_back({name, 0});
    slot.phaseStart = std::chrono::steady_clock::now();
}

void ReplyDispatcher::OnReceivedData(int port, const char* data, size_t count)
{
    if (port < 0 || static_cast<size_t>(port) >= slots_.size() || count == 0)
        return;
    // The channel never hands over more than one buffer's worth, but a caller
    // may; each piece is judged as it would arrive.
    const size_t piece = module_facts::kBufferSize;
    for (size_t at = 0; at < count; at += piece)
        Dispatch(port, Slot(port), std::string_view(data + at, std::min(piece, count - at)));
}

void ReplyDispatcher::Dispatch(int port, PortSlot& slot, std::string_view piece)
{
    if (!slot.running || sequence_ == nullptr)
        return;  // nothing awaited: bytes after 'G' or 'K', or after the port stopped

    if (slot.code == code::kHandshake) {
        // Each handshake chunk is judged by itself.
        const bool right = JudgeReply(code::kHandshake, 1, piece) == ReplyVerdict::Success;
        if (right)
            bank_.ReplyArrived(port);
        sequence_->OnReply(port, slot, right);
        CheckEnd();
        return;
    }

    const size_t take = std::min(slot.replyBuffer.size() - slot.replyCount, piece.size());
    std::copy_n(piece.data(), take, slot.replyBuffer.data() + slot.replyCount);
    slot.replyCount += take;

    if (IsFrameCode(slot.code)) {
        TakeFrame(port, slot);
    } else if (IsReplyComplete(slot.code, slot.expectedLength, slot.replyCount)) {
        // A read-back is judged by the sequence against its image.
        const bool right =
            slot.code == code::kReadBack || JudgeReply(slot.code, slot.expectedLength, slot.Reply()) == ReplyVerdict::Success;
        // A boot loader that refuses a step leaves the port waiting for its
        // time-out, unless the sequence stops the port at once.
        if (right)
            bank_.ReplyArrived(port);
        sequence_->OnReply(port, slot, right);
    }
    CheckEnd();
}

void ReplyDispatcher::TakeFrame(int port, PortSlot& slot)
{
    const FrameScan scan = ScanFrameReply(slot.request, slot.Reply());
    if (scan.start > 0) {
        std::copy(slot.replyBuffer.begin() + static_cast<std::ptrdiff_t>(scan.start),
                  slot.replyBuffer.begin() + static_cast<std::ptrdiff_t>(slot.replyCount), slot.replyBuffer.begin());
        slot.replyCount -= scan.start;
    }
    if (scan.verdict == FrameVerdict::Incomplete)
        return;
    if (scan.verdict == FrameVerdict::Wrong) {
        slot.ClearReply();
        if (bank_.RetryRequest(port))
            return;
    }
    bank_.ReplyArrived(port);
    sequence_->OnReply(port, slot, scan.verdict == FrameVerdict::Complete);
}

void ReplyDispatcher::OnPortTimedOut(int port, int eventCode, char lastCode)
{
    if (port < 0 || static_cast<size_t>(port) >= slots_.size() || sequence_ == nullptr)
        return;
    PortSlot& slot = Slot(port);
    if (slot.Ended())
        return;  // a late event must not overwrite what stopped the port
    StopEraseTimer(port);
    sequence_->OnTimeout(port, eventCode, lastCode);
    CheckEnd();
}

void ReplyDispatcher::PortFinished(int port)
{
    PortSlot& slot = Slot(port);
    if (slot.Ended())
        return;
    slot.finished = true;
    slot.running = false;
    slot.result.ok = true;
    ++doneCount_;
    EndPort(port, slot);
}

void ReplyDispatcher::FailPort(int port, const std::string& text, bool show)
{
    PortSlot& slot = Slot(port);
    if (slot.Ended())
        return;
    slot.failed = true;
    slot.running = false;
    StopEraseTimer(port);
    // The port stops waiting: its cause stays on its row, and no time-out
    // comes later to count it a second time.
    bank_.ReplyArrived(port);
    if (show)
        observer_->ShowPortError(bank_.Label(port), text);
    if (slot.result.failure.empty())
        slot.result.failure = text;
    ++failCount_;
    EndPort(port, slot);
}

void ReplyDispatcher::EndPort(int port, PortSlot& slot)
{
    if (!slot.result.phases.empty())
        slot.result.phases.back().ms = MillisecondsSince(slot.phaseStart);
    slot.result.end = std::chrono::system_clock::now();
    slot.result.port = port;
    for (const auto& listener : resultListeners_)
        listener(slot.result);
    if (!runEnded_ && portsToRun_ > 0 && doneCount_ + failCount_ >= portsToRun_) {
        runEnded_ = true;
        observer_->RunEnded();
    }
}

void ReplyDispatcher::CheckEnd()
{
    if (!statusWindow_ || runFinished_ || portsToRun_ == 0 || doneCount_ != portsToRun_)
        return;
    runFinished_ = true;
    // Like every notice, the last one is the shared record with only its code
    // changed: it still names the port that finished last and its progress.
    SendNotice(notice_.port, notice::kRunFinished, notice_.value);
}

void ReplyDispatcher::SendNotice(int port, int code, int value, int range)
{
    notice_ = StatusNotice{1, code, value, port};
    observer_->Notice(notice_, range, bank_.Label(port));
}

void ReplyDispatcher::RunOver(int code, int value)
{
    notice_.code = code;
    observer_->RunOver(notice_, value);
}

void ReplyDispatcher::StartEraseTimer(int port)
{
    auto& timer = eraseTimers_.at(static_cast<size_t>(port));
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setInterval(1000);
        QObject::connect(timer.get(), &QTimer::timeout, [this, port] { OnEraseTick(port); });
    }
    eraseProgress_.at(static_cast<size_t>(port)) = 0;
    timer->start();
}

void ReplyDispatcher::StopEraseTimer(int port)
{
    if (auto& timer = eraseTimers_.at(static_cast<size_t>(port)))
        timer->stop();
}

void ReplyDispatcher::OnEraseTick(int port)
{
    // 14 a second, and never the full bar while the erase is still going.
    int& progress = eraseProgress_.at(static_cast<size_t>(port));
    const int add = std::min(14, 99 - progress);
    progress += add;
    SendNotice(port, notice::kProgress, add);
}

}  // namespace veltra
