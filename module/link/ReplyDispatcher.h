#pragma once

#include "ParameterTable.h"
#include "PortSlot.h"
#include "RunInterfaces.h"

#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veltra {

// The engine room of a run: every port's replies are accumulated in its slot,
// judged by the rule of the request in flight, and answered with the port's
// next request, each port at its own pace. Runs entirely on the owner's
// (GUI) thread; the channels hand their chunks over to it.
// Reply time-outs of the requests, in milliseconds.
struct RunTimeouts {
    uint32_t bootLoader = 60000;
    uint32_t application = 60000;
    uint32_t testRecord = 2000;
};

enum class WriteStep { Sent, Finished };

// What the record read shows for a port it could not read.
constexpr int kRecordTimedOut = 11;
constexpr int kRecordWrongReply = 12;

// The name a module test item (1 to 8) goes by in the status window's rows.
std::string TestItemName(int item);

class ReplyDispatcher {
public:
    ReplyDispatcher(PortLink& ports, RunObserver& observer, const RomImage& image, ParameterTable& parameters,
                    std::function<RomOptions()> romOptions, RunTexts texts, RunTimeouts timeouts = {});
    ~ReplyDispatcher();
    ReplyDispatcher(const ReplyDispatcher&) = delete;
    ReplyDispatcher& operator=(const ReplyDispatcher&) = delete;

    // A chunk received on `port`.
    void OnReceivedData(int port, const char* data, size_t count);

    // An operation window asks for its run: type 1 with '?' starts the ROM download.
    void OnStatusRequest(int type, int value);

    // The channel of `port` gave up waiting (8 "Retry Over", 11 "Time out!")
    // on a request of `lastCode`; the sheet has closed it already. True when
    // it counts as the port's failure: not for a port that had ended already,
    // nor for an upload or a test record read, which say so on their own.
    bool OnChannelEvent(int port, int eventCode, char lastCode);

    // Ends every port's part in the run: timers stop and late chunks are ignored.
    void EndRun();

    // ROM download. Programming and verification need an image: without one,
    // false with the reason shown, before anything is sent.
    bool RomImageReady();
    void BeginRomRun();
    bool NextRomStep(int port);
    // Sends the application firmware the request to give way to its boot
    // loader, with the mode mark first when `modeMark` is set. The ticked
    // ports the request did not go out to.
    std::vector<int> RunInitialErase(bool modeMark);
    void OnEraseTick(int port);

    // Parameter upload from the one ticked port: checks, reopens the port at
    // 9,600 bit/s and prepares the list; the port, or -1 with the reason shown.
    int PrepareUpload();
    bool ParamReadStart(int port, int firstRow);
    bool ParamReadNext(int port);
    // Parameter download: checks and unticks the rows a download never writes;
    // false with the reason shown.
    bool PrepareParamDownload();
    void BeginParamDownload();
    WriteStep ParamWriteNext(int port);

    // Module test. The items selected, entry n - 1 for item n.
    void SetTestItems(const std::array<int, 8>& flags) { testItemFlags_ = flags; }
    const std::array<int, 8>& TestItems() const { return testItemFlags_; }
    int TestItemCount() const;
    void StartModuleTest();

    // Test record read of every ticked port.
    void PrepareRecordRead();
    void ReadTestRecords();

    int DoneCount() const { return doneCount_; }
    int FailCount() const { return failCount_; }
    int PortsToRun() const { return portsToRun_; }
    int InitialEraseCount() const { return initialEraseCount_; }
    const PortSlot& Slot(int port) const { return slots_.at(static_cast<size_t>(port)); }
    bool RunFinished() const { return runFinished_; }

private:
    void Dispatch(int port, std::string_view piece);
    void DispatchRom(int port, PortSlot& slot);
    void DispatchParameters(int port, PortSlot& slot);
    void DispatchTest(int port, PortSlot& slot);
    void DispatchRecord(int port, PortSlot& slot);
    int CheckedPortCount() const;
    int CheckedRowCount() const;
    std::string ValueProblems() const;
    void SendParamRead(int port);
    void EvaluateTestReply(int port);
    void NextTestItem(int port);
    void ResultByteTaken(int port);
    void WriteTestStamp(int port);
    void WriteTestResult(uint32_t address, uint8_t value, int port);
    void ReadTestRecordByte(int port, int address);
    void ReadNextTestRecord(int port);
    void MoveRecordReadTo(int port);
    void StartRun();
    std::string CannotOpenText(int port) const;
    void SendNotice(int port, int code, int value, int range = 0);
    void RunOver(int code, int value);
    void Send(int port, char code, std::string bytes, uint32_t expectedLength, uint32_t timeoutMs);
    void PortFinished(int port);
    // The port ends failed with `text` on its row (none when the row says it
    // already).
    void FailPort(int port, const std::string& text);
    void CheckPortsEnded();
    void CheckRunEnd();
    // For application frames: true when the reply to the slot's request is
    // complete and at the front of its buffer; a wrong reply is dealt with.
    bool TakeFrameReply(int port, PortSlot& slot);
    void WrongReply(int port, PortSlot& slot);
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
    ParameterTable& parameters_;
    std::function<RomOptions()> romOptions_;
    RunTexts texts_;
    RunTimeouts timeouts_;

    StatusNotice notice_;
    std::vector<PortSlot> slots_;
    std::vector<std::unique_ptr<QTimer>> eraseTimers_;
    int doneCount_ = 0;
    int failCount_ = 0;
    int portsToRun_ = 0;
    int initialEraseCount_ = 0;
    int uploadPort_ = -1;
    std::array<int, 8> testItemFlags_{1, 1, 1, 1, 1, 1, 1, 1};
    std::array<uint8_t, 4> testRecord_{};
    bool runFinished_ = false;
    bool runEnded_ = false;  // every port of the run is done or has failed
};

}  // namespace veltra
