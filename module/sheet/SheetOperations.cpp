#include "CFlashkitSheet.h"

#include "ParameterList.h"
#include "PortList.h"
#include "ModuleTestWindow.h"
#include "StatusWindow.h"
#include "TestOptionsDialog.h"
#include "UploadProgressWindow.h"

#include <QMessageBox>

namespace veltra {

int CFlashkitSheet::CodeRomDown()
{
    if (!connected_)
        return 0;
    OnStartDownload();
    return 1;
}

void CFlashkitSheet::OnStartDownload()
{
    CountCheckedPorts();
    if (controls_.initErase->isChecked()) {
        engine_->Rom().RunInitialErase(preErase_);
        controls_.initErase->setChecked(false);
        controls_.erase->setEnabled(true);
        controls_.blankCheck->setEnabled(true);
        if (controls_.romDown->isChecked()) {
            controls_.romDown->setEnabled(true);
            controls_.verify->setEnabled(true);
        }
        return;
    }

    if (!engine_->Rom().RomImageReady())
        return;
    const bool unchanged = IsRomFileUnchanged(rom_, rom_.filePath);
    if (controls_.romDown->isChecked() && !unchanged) {
        const auto answer = QMessageBox::question(this, Caption("FW_MSG", "MSG_CAPTION4"),
                                                  Caption("FW_MSG", "MSG_ROM1"), QMessageBox::Yes | QMessageBox::No);
        // A reload that fails has said why; the download does not go on with
        // an image other than the one the operator just agreed to.
        if (answer == QMessageBox::Yes && !ReloadRom())
            return;
    }
    controls_.disconnect->setEnabled(true);
    RunStatusWindow(code::kHandshake);
}

int CFlashkitSheet::RunWindow(OperationDialog& window)
{
    window.SetOwner(this);
    window.SetRootDirectory(root_);
    window.SetCountryCode(country_);
    const int result = window.exec();
    engine_->Dispatcher().SetObserver(nullptr);
    return result;
}

int CFlashkitSheet::RunStatusWindow(int letter)
{
    StatusWindow& window = *statusWindow_;
    window.ClearPortRows();
    for (int port = 0; port < PortCount(); ++port)
        window.AddPortRow(Ports().Label(port));
    window.SetOperation(request::kStartRun, letter);
    return RunWindow(window);
}

void CFlashkitSheet::RegisterOperationWindow(int type, RunObserver* window)
{
    engine_->Dispatcher().SetObserver(window);
    if (type != request::kRegisterStatus || window == nullptr)
        return;
    for (int port = 0; port < PortCount(); ++port) {
        if (!controls_.portList->IsChecked(port))
            window->SetRowText("Not used", port);
    }
}

void CFlashkitSheet::OnOperationRequest(int type, int value)
{
    if (type == request::kEnd) {
        OnOperationEnd();
        return;
    }
    engine_->OnStatusRequest(type, value);
}

void CFlashkitSheet::StartUpload()
{
    CountCheckedPorts();
    const int port = engine_->Parameters().PrepareUpload();
    ShowParameterTable();
    if (port < 0)
        return;
    // The bar counts the rows that will be read, not every row of the list.
    const auto ticked = std::count_if(parameters_.rows.begin(), parameters_.rows.end(),
                                      [](const ParameterEntry& row) { return row.checked; });
    UploadProgressWindow& window = *uploadWindow_;
    window.SetRowCount(static_cast<int>(ticked));
    window.SetOperation(request::kStartRead, code::kParamRead);
    RunWindow(window);
    ShowParameterTable();
}

void CFlashkitSheet::StartDownload()
{
    CountCheckedPorts();
    const bool ready = engine_->Parameters().PrepareParamDownload();
    ShowParameterTable();
    if (ready)
        RunStatusWindow(code::kParamWrite);
}

void CFlashkitSheet::JigTest()
{
    CountCheckedPorts();
    if (!engine_->Test().HasPorts())
        return;
    TestOptionsDialog& dialog = *testOptions_;
    dialog.SetRootDirectory(root_);
    dialog.SetCountryCode(country_);
    dialog.SetItemCount(8);
    if (dialog.exec() != QDialog::Accepted)
        return;
    engine_->Test().SetTestItems(dialog.Items());
    if (engine_->Test().TestItemCount() < 1)
        return;
    RunStatusWindow(code::kTest);
}

void CFlashkitSheet::ShowJigTest()
{
    ReopenCheckedPorts(module_facts::kApplicationBaud);
    engine_->Records().PrepareRecordRead();
    ModuleTestWindow& window = *moduleTestWindow_;
    window.SetPortCount(PortCount());
    window.SetOperation(request::kStartRead, code::kRecordRead);
    RunWindow(window);
}

}  // namespace veltra
