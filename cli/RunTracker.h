#pragma once

#include "CaptionSet.h"
#include "PortBank.h"
#include "RunObserver.h"
#include "RunOutput.h"

#include <vector>

namespace veltra::cli {

// Stands where the sheet's operation windows stand: follows each port's
// phase, progress and row text from the engine's notices, as the status
// window would show them, and hands them to the output.
class RunTracker : public RunObserver {
public:
    RunTracker(const PortBank& bank, const std::vector<PortTarget>& targets, CaptionSet statusCaptions,
               RunOutput& output);

    // A new attempt: rows start empty. `readRows` is the length of an upload's bar.
    void BeginAttempt(int attempt, int readRows);
    // The port's row as its result leaves it.
    PortView Final(const PortResult& result) const;

    void Notice(const StatusNotice& notice, int range, const std::string& portName) override;
    void ShowPortError(const std::string& portName, const std::string& text) override;
    void SetRowResult(int row, int kind, const std::string& text) override;
    void RunOver(const StatusNotice& notice, int value) override;
    void PortOver(int port, int value) override;
    void RecordReadMovesTo(int port, const std::string& portName) override;
    void RecordComplete(int port, const std::array<uint8_t, 4>& record) override;

private:
    struct Row {
        PortView view;
        std::string errorText;  // the row as a failure leaves it
        std::string doneText;   // the row as a record read leaves it
    };

    Row* At(int port);
    int PortNamed(const std::string& name) const;
    void StartPhase(int port, const std::string& phase, const std::string& row, int total);
    std::string Caption(int message) const;

    const PortBank& bank_;
    const std::vector<PortTarget>& targets_;
    CaptionSet captions_;
    RunOutput& output_;
    std::vector<Row> rows_;
    int readRows_ = 0;
};

}  // namespace veltra::cli
