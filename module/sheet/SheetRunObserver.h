#pragma once

#include "RunInterfaces.h"

namespace veltra {

class CFlashkitSheet;

// Hands what a run reports to the operation window that is open, and shows
// the run's messages.
class SheetRunObserver : public RunObserver {
public:
    explicit SheetRunObserver(CFlashkitSheet& sheet) : sheet_(sheet) {}

    void Notice(const StatusNotice& notice, int range, const std::string& portName) override;
    void ShowPortError(const std::string& portName, const std::string& text) override;
    void ShowMessage(const std::string& caption, const std::string& text) override;
    void EnableDisconnect() override;
    void SetRowResult(int row, int kind, const std::string& text) override;
    void RunOver(const StatusNotice& notice, int value) override;
    void PortOver(int port, int value) override;
    void RecordReadMovesTo(int port, const std::string& portName) override;
    void RecordComplete(int port, const std::array<uint8_t, 4>& record) override;
    void ParameterRowChanged(int row) override;
    void RunEnded() override;

private:
    CFlashkitSheet& sheet_;
};

}  // namespace veltra
