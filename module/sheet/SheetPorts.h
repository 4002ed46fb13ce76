#pragma once

#include "RunInterfaces.h"

namespace veltra {

class CFlashkitSheet;

// The sheet's port list and channels as a run sees them.
class SheetPorts : public PortLink {
public:
    explicit SheetPorts(CFlashkitSheet& sheet) : sheet_(sheet) {}

    int PortCount() const override;
    std::string PortName(int port) const override;
    bool IsChecked(int port) const override;
    bool IsOpen(int port) const override;
    uint32_t BaudRate(int port) const override;
    void OpenCheckedPorts() override;
    bool ReopenAt(int port, uint32_t baud) override;
    bool Send(int port, const CommandRecord& record, uint32_t timeoutMs) override;
    void ReplyArrived(int port) override;
    bool RetryRequest(int port) override;
    std::string OpenError(int port) const override;
    void Close(int port) override;
    void SetPortStatus(int port, int image) override;

private:
    CFlashkitSheet& sheet_;
};

}  // namespace veltra
