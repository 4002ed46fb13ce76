#pragma once

#include "PortSlot.h"
#include "RunInterfaces.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace veltra {

// The engine room of a run: every port's replies are accumulated in its slot,
// judged by the rule of the request in flight, and answered with the port's
// next request, each port at its own pace. Runs entirely on the owner's
// (GUI) thread; the channels hand their chunks over to it.
class ReplyDispatcher {
public:
    ReplyDispatcher(PortLink& ports, RunObserver& observer, const RomImage& image,
                    std::function<RomOptions()> romOptions, RunTexts texts);
    ~ReplyDispatcher();
    ReplyDispatcher(const ReplyDispatcher&) = delete;
    ReplyDispatcher& operator=(const ReplyDispatcher&) = delete;

    // A chunk received on `port`.
    void OnReceivedData(int port, const char* data, size_t count);

    // An operation window asks for its run: type 1 with '?' starts the ROM download.
    void OnStatusRequest(int type, int value);

    // The channel of `port` gave up waiting (8 "Retry Over", 11 "Time out!")
    // on a request of `lastCode`; the sheet has closed it already.
    void OnChannelEvent(int port, int eventCode, char lastCode);

    // Ends every port's part in the run: timers stop and late chunks are ignored.
    void EndRun();

    // ROM download.
    void BeginRomRun();
    bool NextRomStep(int port);
    // Sends the application firmware the request to give way to its boot
    // loader, with the mode mark first when `modeMark` is set.
    void RunInitialErase(bool modeMark);
    void OnEraseTick(int port);

    int DoneCount() const { return doneCount_; }
    int FailCount() const { return failCount_; }
    int PortsToRun() const { return portsToRun_; }
    const PortSlot& Slot(int port) const { return slots_.at(static_cast<size_t>(port)); }
    bool RunFinished() const { return runFinished_; }

private:
    void Dispatch(int port, std::string_view piece);
    void DispatchRom(int port, PortSlot& slot);
    void StartRun();
    void SendNotice(int port, int code, int value, int range = 0);
    void Send(int port, char code, std::string bytes, uint32_t expectedLength, uint32_t timeoutMs);
    void PortFinished(int port);
    void PortFailed(int port, const std::string& text);
    void CheckRunEnd();
    void StartEraseTimer(int port);
    void StopEraseTimer(int port);
    PortSlot& SlotOf(int port) { return slots_.at(static_cast<size_t>(port)); }

    void SendErase(int port);
    void SendBlankCheck(int port);
    void SendFirstBlock(int port);
    void SendNextBlock(int port);
    void SendFinalisation(int port, int index);
    void SendFirstReadBack(int port);
    void SendNextReadBack(int port);

    PortLink& ports_;
    RunObserver& observer_;
    const RomImage& image_;
    std::function<RomOptions()> romOptions_;
    RunTexts texts_;

    StatusNotice notice_;
    std::vector<PortSlot> slots_;
    std::vector<std::unique_ptr<QTimer>> eraseTimers_;
    int doneCount_ = 0;
    int failCount_ = 0;
    int portsToRun_ = 0;
    int initialEraseCount_ = 0;
    bool runFinished_ = false;
    bool missingImageShown_ = false;
};

}  // namespace veltra
