#pragma once

#include "CaptionSet.h"
#include "Engine.h"
#include "OperationDialog.h"
#include "ParameterTable.h"
#include "PortBank.h"
#include "PortDiscovery.h"
#include "Prompts.h"
#include "RomImage.h"
#include "SheetControls.h"
#include "PortWatcher.h"
#include "RecordBook.h"
#include "SlotTable.h"
#include "StationLog.h"
#include "ToolStates.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veltra {

class ModuleTestWindow;
class StatusWindow;
class TestOptionsDialog;
class UploadProgressWindow;

// Where the sheet looks for the machine's serial ports and keeps its records;
// tests point it at folders of their own.
struct SheetEnvironment {
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";
    std::string recordsFolder = RecordBook::DefaultFolder();
    // What tells of adapters plugged in and out: udev, or a test's own notices.
    std::function<DeviceEventSource()> deviceEvents = OpenUdevTtyEvents;
    RunTimeouts timeouts;
};

// The code module's working window: the port list, the connection state, the
// options, the parameter list and the operation windows. The ports and the
// runs belong to the engine; the sheet hands it the ticked ports, shows what
// it reports and answers its prompts with dialogs.
class CFlashkitSheet : public QWidget, public OperationOwner, public Prompts, public PortStateListener {
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

    int CountCheckedPorts();
    void OpenCheckedPorts();
    void ReopenCheckedPorts(uint32_t baud);
    void ResetToolStates();

    // OperationOwner
    void RegisterOperationWindow(int type, RunObserver* window) override;
    void OnOperationRequest(int type, int value) override;
    // Prompts
    void ShowMessage(const std::string& caption, const std::string& text, bool warning) override;
    void Beep() override;
    // PortStateListener
    void PortStateChanged(int port, PortState state, const std::string& reason) override;

    // For the module's callers and its tests.
    const SheetControls& Controls() const { return controls_; }
    int PortCount() const { return engine_ ? engine_->Ports().PortCount() : 0; }
    PortBank& Ports() { return engine_->Ports(); }
    veltra::Engine& Engine() { return *engine_; }
    ReplyDispatcher& Dispatcher() { return engine_->Dispatcher(); }
    RomImage& Rom() { return rom_; }
    ParameterTable& Parameters() { return parameters_; }
    bool IsConnected() const { return connected_; }
    StatusWindow& Status() { return *statusWindow_; }
    const std::string& Root() const { return root_; }

    // Shown to the user: message boxes of the sheet and its runs.
    void ShowMessage(const QString& caption, const QString& text, int icon = 0);
    QString Caption(const char* section, const char* key) const;

private:
    void LabelControls();
    void ConnectSignals();
    void EnumeratePorts();
    // The port list follows the slot table: rows are added, unplugged and
    // plugged in again as adapters come and go.
    void AddSlotRow(int row);
    void OnPortsChanged(const SlotTable::Change& change);
    void ShowSlot(int row);
    void RecordResult(const PortResult& result);
    void ShowTally();
    void SendStatusText(int pane, const QString& text);
    void ShowParameterTable();
    uint32_t SheetBaudRate() const;
    // Shows the operation window modally, with the engine reporting to it.
    int RunWindow(OperationDialog& window);
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
    std::unique_ptr<veltra::Engine> engine_;
    SlotTable slots_;
    std::unique_ptr<PortWatcher> watcher_;
    std::unique_ptr<StationLog> station_;
    std::unique_ptr<StatusWindow> statusWindow_;
    std::unique_ptr<UploadProgressWindow> uploadWindow_;
    std::unique_ptr<TestOptionsDialog> testOptions_;
    std::unique_ptr<ModuleTestWindow> moduleTestWindow_;
};

}  // namespace veltra
