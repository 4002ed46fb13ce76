#pragma once

#include "CaptionSet.h"
#include "OperationWindow.h"
#include "ParameterTable.h"
#include "PortDiscovery.h"
#include "ReceiveHandover.h"
#include "ReplyDispatcher.h"
#include "RomImage.h"
#include "SerialChannel.h"
#include "SheetControls.h"
#include "ToolStates.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

namespace veltra {

class ModuleTestWindow;
class SheetPorts;
class SheetRunObserver;
class StatusWindow;
class TestOptionsDialog;
class UploadProgressWindow;

// Where the sheet looks for the machine's serial ports; tests point it at a
// tree of their own.
struct SheetEnvironment {
    std::string sysfsRoot = "/sys";
    RunTimeouts timeouts;
};

// The code module's working window: the port list, the serial channels, the
// connection state, the options, the parameter list and the operations.
class CFlashkitSheet : public QWidget, public OperationOwner {
    Q_OBJECT

public:
    CFlashkitSheet(QWidget* hostView, std::string root, std::string country, SheetEnvironment environment = {});
    ~CFlashkitSheet() override;

    // Reads settings and captions, lays the sheet out, finds the ports and
    // loads the default parameter file.
    void Initialise();
    void LayoutSheet();

    // What the entry points reach.
    int GetToolMessage(int index) const;
    void CodeParamMode(bool on);
    int CodeRomDown();
    void ChooseRomFile();
    void ChooseParameterFile();
    void SaveParameterFile();
    // The default parameter file; `announce` names it in the host's status bar.
    int LoadDefaultParameterFile(bool announce = false);
    void StartUpload();
    void StartDownload();
    void JigTest();
    void ShowJigTest();

    // The sheet's own handlers.
    void OnConnect();
    void OnDisconnect();
    void OnStartDownload();
    void OnBaudRateChange();
    void SyncOptionControls();
    void OnRomModeClick();
    void OnParamModeClick();
    void OnPortListColumnClick();
    void OnOperationEnd();

    void SetPortStatus(const std::string& name, int image);
    int CountCheckedPorts();
    void OpenCheckedPorts();
    void ReopenCheckedPorts(uint32_t baud);
    void ResetToolStates();
    bool MarkEepromBeforeErase();

    // OperationOwner
    void RegisterOperationWindow(int type, OperationWindow* window) override;
    void OnOperationRequest(int type, int value) override;

    // For the module's callers and its tests.
    const SheetControls& Controls() const { return controls_; }
    int PortCount() const { return static_cast<int>(channels_.size()); }
    SerialChannel& Channel(int port) { return *channels_.at(static_cast<size_t>(port)); }
    ReplyDispatcher& Dispatcher() { return *dispatcher_; }
    RomImage& Rom() { return rom_; }
    ParameterTable& Parameters() { return parameters_; }
    bool IsConnected() const { return connected_; }
    int FailureCount() const { return failureCount_; }
    const CaptionSet& Captions() const { return captions_; }
    OperationWindow* CurrentOperationWindow() const { return operationWindow_; }
    StatusWindow& Status() { return *statusWindow_; }
    bool PreEraseOption() const { return preErase_; }
    const std::string& Root() const { return root_; }
    const std::string& Country() const { return country_; }

    // Shown to the user: message boxes of the sheet and its runs.
    void ShowMessage(const QString& caption, const QString& text, int icon = 0);
    QString Caption(const char* section, const char* key) const;


private:
    friend class SheetPorts;
    friend class SheetRunObserver;

    void LabelControls();
    void ConnectSignals();
    void EnumeratePorts();
    void OnChannelData(int port, const uint8_t* buffer, int count);
    void OnChannelEvent(const ChannelPacket& packet);
    void SendStatusText(int pane, const QString& text);
    void ShowParameterTable();
    uint32_t SheetBaudRate() const;
    bool OpenPort(int port, uint32_t baud);
    void ClosePort(int port);
    int RunStatusWindow(int letter);
    bool LoadRom(const std::string& path);
    bool ReloadRom();

    QWidget* hostView_;
    std::string root_;
    std::string country_;
    SheetEnvironment environment_;
    CaptionSet captions_;
    SheetControls controls_;
    RomImage rom_;
    ParameterTable parameters_;
    ToolStateTable toolStates_{};
    bool connected_ = false;
    bool preErase_ = false;
    bool allPortsTicked_ = false;
    int failureCount_ = 0;
    std::vector<std::string> portNames_;
    ReceiveHandover handover_;
    std::vector<std::unique_ptr<SerialChannel>> channels_;
    std::unique_ptr<SheetPorts> ports_;
    std::unique_ptr<SheetRunObserver> observer_;
    std::unique_ptr<ReplyDispatcher> dispatcher_;
    OperationWindow* operationWindow_ = nullptr;
    std::unique_ptr<StatusWindow> statusWindow_;
    std::unique_ptr<UploadProgressWindow> uploadWindow_;
    std::unique_ptr<TestOptionsDialog> testOptions_;
    std::unique_ptr<ModuleTestWindow> moduleTestWindow_;
};

}  // namespace veltra
