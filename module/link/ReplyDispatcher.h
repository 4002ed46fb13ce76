#pragma once

#include "PortBank.h"
#include "PortSlot.h"
#include "RunObserver.h"
#include "Sequence.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veltra {

// What every run shares. Each port's chunks are gathered in its slot until
// the reply rule of the request in flight says the reply is whole (or wrong),
// then the run's sequence takes it, each port at its own pace. The dispatcher
// keeps the counts of ports done and failed, the end-of-run rule, the erase
// progress and every port's result. Runs on the bank's thread.
class ReplyDispatcher : public PortReceiver {
public:
    explicit ReplyDispatcher(PortBank& bank);
    ~ReplyDispatcher() override;
    ReplyDispatcher(const ReplyDispatcher&) = delete;
    ReplyDispatcher& operator=(const ReplyDispatcher&) = delete;

    // The open operation window, or none.
    void SetObserver(RunObserver* observer);
    RunObserver& Observer() { return *observer_; }
    // Told of every port's result as the port ends.
    void AddResultListener(std::function<void(const PortResult&)> listener);

    // A run of `sequence` on the selected ports, named `operation` in the
    // ports' results. `statusWindow`: notice 206 closes the run once every
    // port is done.
    void StartRun(Sequence& sequence, const std::string& operation, bool statusWindow);
    // The run is stopped: ports still in it end as stopped, their timers
    // stop and chunks that still come are ignored.
    void EndRun(const std::string& why);

    PortSlot& Slot(int port) { return slots_.at(static_cast<size_t>(port)); }
    const PortSlot& Slot(int port) const { return slots_.at(static_cast<size_t>(port)); }
    PortBank& Bank() { return bank_; }

    // Writes a request on the port and waits for its reply; `expectedLength`
    // is what the reply rule of `code` is computed from.
    void Send(int port, char code, std::string bytes, uint32_t expectedLength, uint32_t timeoutMs);
    // The port enters a phase of its part; the one before is timed.
    void BeginPhase(int port, const std::string& name);
    // The port is done, or has failed with `text` on its row (nothing more is
    // shown when `show` is false: the row already says why).
    void PortFinished(int port);
    void FailPort(int port, const std::string& text, bool show = true);

    // Notices to the operation window: the one shared record, filled anew.
    void SendNotice(int port, int code, int value, int range = 0);
    StatusNotice& SharedNotice() { return notice_; }
    void RunOver(int code, int value);

    // The erase's bar moves on once a second and never fills before the erase ends.
    void StartEraseTimer(int port);
    void StopEraseTimer(int port);

    int DoneCount() const { return doneCount_; }
    int FailCount() const { return failCount_; }
    int PortsToRun() const { return portsToRun_; }

    // PortReceiver
    void OnReceivedData(int port, const char* data, size_t count) override;
    void OnPortTimedOut(int port, int eventCode, char lastCode) override;

private:
    void Dispatch(int port, PortSlot& slot, std::string_view piece);
    void TakeFrame(int port, PortSlot& slot);
    void EndPort(int port, PortSlot& slot);
    void CheckEnd();
    void OnEraseTick(int port);
    void EnsureSlots();

    PortBank& bank_;
    RunObserver quiet_;  // stands in while no window is open
    RunObserver* observer_ = &quiet_;
    Sequence* sequence_ = nullptr;
    std::string operation_;
    bool statusWindow_ = false;
    std::vector<std::function<void(const PortResult&)>> resultListeners_;
    std::vector<PortSlot> slots_;
    std::vector<std::unique_ptr<QTimer>> eraseTimers_;
    std::vector<int> eraseProgress_;
    StatusNotice notice_;
    int doneCount_ = 0;
    int failCount_ = 0;
    int portsToRun_ = 0;
    bool runFinished_ = false;  // notice 206 sent
    bool runEnded_ = false;     // every port done or failed
};

}  // namespace veltra
