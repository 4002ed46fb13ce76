#include "RomDownload.h"

#include "CommandRecord.h"
#include "ReplyRules.h"

#include <QCryptographicHash>
#include <QJsonObject>

#include <algorithm>

namespace veltra {

namespace {

using namespace module_facts;

constexpr uint32_t kFullBlockChars = 2 * kProgramBlockBytes;
constexpr uint32_t kFullRangeChars = 2 * kReadBackRangeBytes;

// What a run's results say of the image and the phases asked for.
QJsonObject RunData(const RomImage& image, const RomOptions& options)
{
    QJsonObject data{{"erase", options.erase},
                     {"blankCheck", options.blankCheck},
                     {"program", options.romDown},
                     {"verify", options.verify}};
    if (image.loaded == 1) {
        const QByteArray bytes(reinterpret_cast<const char*>(image.bytes.data()),
                               static_cast<qsizetype>(image.lastAddress) + 1);
        data["hex"] = QString::fromStdString(image.filePath);
        data["size"] = static_cast<qint64>(bytes.size());
        data["sha256"] = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    }
    return data;
}

}  // namespace

RomDownload::RomDownload(ReplyDispatcher& dispatcher, Prompts& prompts, const RomImage& image, const RunTexts& texts,
                         const RunTimeouts& timeouts)
    : dispatcher_(dispatcher), bank_(dispatcher.Bank()), prompts_(prompts), image_(image), texts_(texts),
      timeouts_(timeouts), options_([] { return RomOptions{}; }), rate_([] { return 115200u; })
{
}

bool RomDownload::RomImageReady()
{
    const RomOptions options = options_();
    if ((options.romDown || options.verify) && image_.loaded != 1) {
        prompts_.ShowMessage(texts_.downloaderCaption, texts_.loadRomFirst);
        return false;
    }
    return true;
}

void RomDownload::BeginRomRun()
{
    dispatcher_.StartRun(*this, "rom", true);
    states_.assign(static_cast<size_t>(bank_.PortCount()), Progress{});
    bank_.OpenSelected(rate_());
    const QJsonObject data = RunData(image_, options_());
    for (int port = 0; port < bank_.PortCount(); ++port) {
        if (bank_.Selected(port)) {
            dispatcher_.Slot(port).result.data = data;
            dispatcher_.SendNotice(port, notice::kPhaseStarts, code::kHandshake, 100);
        }
    }
    for (int port = 0; port < bank_.PortCount(); ++port) {
        if (!bank_.Selected(port))
            continue;
        if (!bank_.IsOpen(port)) {
            // Failed at once, with the system's reason: the window must not
            // wait for a port that was never opened.
            const std::string reason = bank_.OpenError(port);
            dispatcher_.FailPort(port, reason.empty() ? texts_.cannotOpen : texts_.cannotOpen + " " + reason);
            continue;
        }
        dispatcher_.Slot(port).running = true;
        dispatcher_.BeginPhase(port, "handshake");
        dispatcher_.Send(port, code::kHandshake, std::string(kHandshakeByte), 1, timeouts_.bootLoader);
    }
}

bool RomDownload::NextRomStep(int port)
{
    const RomOptions options = options_();
    const int step = State(port).step;
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

void RomDownload::SendErase(int port)
{
    dispatcher_.BeginPhase(port, "erase");
    dispatcher_.SendNotice(port, notice::kPhaseStarts, code::kErase, 100);
    dispatcher_.StartEraseTimer(port);
    dispatcher_.Send(port, code::kErase, std::string(kEraseRecord), static_cast<uint32_t>(kEraseRecord.size()),
                     timeouts_.bootLoader);
}

void RomDownload::SendBlankCheck(int port)
{
    dispatcher_.BeginPhase(port, "blank check");
    dispatcher_.SendNotice(port, notice::kPhaseStarts, code::kBlankCheck, 100);
    dispatcher_.Send(port, code::kBlankCheck, std::string(kBlankCheckRecord),
                     static_cast<uint32_t>(kBlankCheckRecord.size()), timeouts_.bootLoader);
}

void RomDownload::SendFirstBlock(int port)
{
    // The first block is always a full one, whatever the image's size.
    std::string record = BuildProgramRecord(image_, 0, kProgramBlockBytes);
    Progress& state = State(port);
    state.total = 2 * image_.lastAddress + 2;
    state.done = kFullBlockChars;
    state.remaining = state.total > kFullBlockChars ? state.total - kFullBlockChars : 0;
    state.finalIndex = 0;
    dispatcher_.BeginPhase(port, "program");
    dispatcher_.SendNotice(port, notice::kPhaseStarts, code::kProgram, static_cast<int>(state.total));
    const auto length = static_cast<uint32_t>(record.size());
    dispatcher_.Send(port, code::kProgram, std::move(record), length, timeouts_.bootLoader);
}

void RomDownload::SendNextBlock(int port)
{
    Progress& state = State(port);
    const uint32_t chars = std::min(state.remaining, kFullBlockChars);
    std::string record = BuildProgramRecord(image_, state.done / 2, chars / 2);
    state.remaining -= chars;
    state.done += chars;
    const auto length = static_cast<uint32_t>(record.size());
    dispatcher_.Send(port, code::kProgram, std::move(record), length, timeouts_.bootLoader);
}

void RomDownload::SendFinalisation(int port, int index)
{
    State(port).finalIndex = index;
    const std::string_view record = FinalisationRecord(index);
    dispatcher_.Send(port, code::kFinalise, std::string(record), static_cast<uint32_t>(record.size()),
                     timeouts_.bootLoader);
}

void RomDownload::SendFirstReadBack(int port)
{
    Progress& state = State(port);
    state.done = 0;
    state.total = 2 * image_.lastAddress + 2;
    state.rangeStart = 0;
    state.rangeChars = kFullRangeChars;
    dispatcher_.BeginPhase(port, "verify");
    dispatcher_.SendNotice(port, notice::kPhaseStarts, code::kReadBack, static_cast<int>(state.total));
    dispatcher_.Send(port, code::kReadBack, std::string(kFirstReadBackRecord), ReadBackReplyLength(kFullRangeChars),
                     timeouts_.bootLoader);
}

void RomDownload::SendNextReadBack(int port)
{
    Progress& state = State(port);
    const uint32_t start = (state.done + state.rangeChars) / 2;
    const uint32_t rest = state.total > 2 * start ? state.total - 2 * start : 0;
    const uint32_t chars = std::min(rest, kFullRangeChars);
    state.done += state.rangeChars;
    state.rangeStart = start;
    state.rangeChars = chars;
    // After an image that fills 0xFFFF the closing empty range would start at
    // 0x10000, which four address digits cannot say; FFFF-FFFE is the same
    // empty range in four digits.
    const uint32_t first = std::min<uint32_t>(start, 0xFFFF);
    const uint32_t end = chars == 0 ? first - 1 : start + chars / 2 - 1;
    dispatcher_.Send(port, code::kReadBack, BuildReadBackRecord(first, end), ReadBackReplyLength(chars),
                     timeouts_.bootLoader);
}

void RomDownload::OnReply(int port, PortSlot& slot, bool right)
{
    Progress& state = State(port);
    const char c = slot.code;
    if (c == code::kReadBack) {
        ReadBackReply(port, slot);
        return;
    }
    if (!right) {
        // A boot loader that answers the handshake with anything but "U", or
        // refuses a block, stops the port at once: left waiting, its time-out
        // would later take the place of what stopped it. The other steps
        // wait for their time-out.
        if (c == code::kHandshake) {
            bank_.Close(port);
            dispatcher_.FailPort(port, texts_.wrongReply);
        }
        else if (c == code::kProgram)
            dispatcher_.FailPort(port, texts_.checkSum);
        return;
    }
    slot.ClearReply();
    switch (c) {
    case code::kHandshake:
        dispatcher_.SendNotice(port, notice::kPhaseDone, 100);
        state.step = 0;
        break;
    case code::kErase:
        state.step = 1;
        dispatcher_.StopEraseTimer(port);
        dispatcher_.SendNotice(port, notice::kPhaseDone, 100);
        break;
    case code::kBlankCheck:
        state.step = 2;
        dispatcher_.SendNotice(port, notice::kPhaseDone, 100);
        break;
    case code::kProgram:
        if (state.remaining > 0) {
            dispatcher_.SendNotice(port, notice::kProgress, static_cast<int>(kFullBlockChars));
            SendNextBlock(port);
        } else {
            SendFinalisation(port, 0);
        }
        return;
    case code::kFinalise:
        if (state.finalIndex < 3) {
            SendFinalisation(port, state.finalIndex + 1);
            return;
        }
        // Programming is over: the port's bar is full, whatever comes next.
        state.step = 3;
        dispatcher_.SendNotice(port, notice::kPhaseDone, static_cast<int>(state.total));
        break;
    default:
        return;
    }
    if (!NextRomStep(port))
        dispatcher_.PortFinished(port);
}

void RomDownload::ReadBackReply(int port, PortSlot& slot)
{
    Progress& state = State(port);
    if (!CompareReadBack(slot.Reply(), slot.expectedLength, image_, state.rangeStart, state.rangeChars / 2)) {
        dispatcher_.FailPort(port, texts_.verificationFail);
        return;
    }
    if (state.rangeChars == kFullRangeChars) {
        const int progress = static_cast<int>(state.rangeChars);
        SendNextReadBack(port);
        dispatcher_.SendNotice(port, notice::kProgress, progress);
        return;
    }
    state.step = 4;
    dispatcher_.SendNotice(port, notice::kPhaseDone, static_cast<int>(state.total));
    if (!NextRomStep(port))
        dispatcher_.PortFinished(port);
}

void RomDownload::OnTimeout(int port, int eventCode, char lastCode)
{
    if (lastCode == code::kInitialErase && eventCode == kEventTimeOut) {
        // The module stops answering once it has taken the request: its
        // silence is its acknowledgement.
        dispatcher_.PortFinished(port);
        if (++initialEraseTimeouts_ == bank_.SelectedCount())
            prompts_.ShowMessage(texts_.romCaption, texts_.releaseCalMode);
        return;
    }
    dispatcher_.FailPort(port, eventCode == kEventTimeOut ? texts_.timeOut : std::string("Retry Over"));
}

std::vector<int> RomDownload::RunInitialErase(bool modeMark)
{
    dispatcher_.StartRun(*this, "rom", false);
    initialEraseTimeouts_ = 0;
    std::vector<int> missed;
    for (int port = 0; port < bank_.PortCount(); ++port) {
        if (!bank_.Selected(port))
            continue;
        PortResult& result = dispatcher_.Slot(port).result;
        result.data = QJsonObject{{"initialErase", true}, {"modeMark", modeMark}};
        // Whatever an earlier run left behind (closed after the last initial
        // erase, or open at another rate), every ticked port is opened afresh
        // at the application firmware's rate.
        if ((!bank_.IsOpen(port) || bank_.BaudRate(port) != kApplicationBaud) && !bank_.Open(port, kApplicationBaud)) {
            missed.push_back(port);
            dispatcher_.FailPort(port, texts_.cannotOpen + " " + bank_.OpenError(port), false);
            continue;
        }
        dispatcher_.BeginPhase(port, "initial erase");
        bool sent = true;
        if (modeMark)
            sent = bank_.Send(port, CommandRecord::Make(code::kModeMark, BuildEepromWrite(kModeMarkAddress, kModeMarkValue)),
                              timeouts_.bootLoader);
        sent = bank_.Send(port, CommandRecord::Make(code::kInitialErase, BuildInitialEraseRequest()),
                          timeouts_.bootLoader) &&
               sent;
        dispatcher_.Slot(port).code = code::kInitialErase;
        if (!sent) {
            missed.push_back(port);
            dispatcher_.FailPort(port, texts_.cannotOpen + " " + bank_.Label(port), false);
        }
    }
    if (missed.empty()) {
        prompts_.Beep();
        prompts_.ShowMessage(texts_.romCaption, texts_.initialEraseOk);
    } else {
        // "OK" only when every ticked module got the request; otherwise the
        // ports that did not are named.
        std::string names;
        for (const int port : missed)
            names += (names.empty() ? "" : ", ") + bank_.Label(port);
        prompts_.ShowMessage(texts_.romCaption, texts_.cannotOpen + " " + names, true);
    }
    for (int port = 0; port < bank_.PortCount(); ++port) {
        if (!bank_.Selected(port) || !bank_.IsOpen(port))
            continue;
        bank_.CloseAs(port, PortState::InitialEraseDone);
        dispatcher_.PortFinished(port);
    }
    return missed;
}

}  // namespace veltra
