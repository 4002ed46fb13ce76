#include "CFlashkitSheet.h"

#include "PortList.h"
#include "SheetPorts.h"
#include "ModuleTestWindow.h"
#include "StatusWindow.h"
#include "TestOptionsDialog.h"
#include "UploadProgressWindow.h"

#include <QApplication>
#include <QMessageBox>

#include <algorithm>

namespace veltra {

int CFlashkitSheet::CodeRomDown()
{
    if (!connected_)
        return 0;
    OnStartDownload();
    return 1;
}

bool CFlashkitSheet::MarkEepromBeforeErase()
{
    const std::string frame = BuildEepromWrite(509, 0xAA);
    for (int port = 0; port < PortCount(); ++port) {
        if (!Channel(port).IsOpen() || !controls_.portList->IsChecked(port))
            continue;
        ports_->Send(port, CommandRecord::Make(code::kModeMark, frame), environment_.timeouts.bootLoader);
    }
    return false;
}

void CFlashkitSheet::OnStartDownload()
{
    if (controls_.initErase->isChecked()) {
        const std::vector<int> missed = dispatcher_->RunInitialErase(preErase_);
        if (missed.empty()) {
            QApplication::beep();
            ShowMessage(Caption("FW_MSG", "MSG_CAPTION4"), Caption("FW_MSG", "MSG_ROM2"));
        } else {
            // "OK" only when every ticked module got the request; otherwise
            // the ports that did not are named.
            QString names;
            for (const int port : missed)
                names += (names.isEmpty() ? "" : ", ") + QString::fromStdString(portNames_[static_cast<size_t>(port)]);
            ShowMessage(Caption("FW_MSG", "MSG_CAPTION4"), Caption("FW_MSG", "MSG_COMM2") + " " + names,
                        QMessageBox::Warning);
        }
        for (int port = 0; port < PortCount(); ++port) {
            if (Channel(port).IsOpen() && controls_.portList->IsChecked(port)) {
                SetPortStatus(portNames_[static_cast<size_t>(port)], port_image::kInitialEraseDone);
                ClosePort(port);
            }
        }
        controls_.initErase->setChecked(false);
        controls_.erase->setEnabled(true);
        controls_.blankCheck->setEnabled(true);
        if (controls_.romDown->isChecked()) {
            controls_.romDown->setEnabled(true);
            controls_.verify->setEnabled(true);
        }
        return;
    }

    if (!dispatcher_->RomImageReady())
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
    RunStatusWindow(code::kHandshake);
}

int CFlashkitSheet::RunStatusWindow(int letter)
{
    StatusWindow& window = *statusWindow_;
    window.ClearPortRows();
    for (const std::string& name : portNames_)
        window.AddPortRow(name);
    window.SetOperation(1, letter);
    window.SetOwner(this);
    window.SetRootDirectory(root_);
    window.SetCountryCode(country_);
    const int result = window.exec();
    operationWindow_ = nullptr;
    return result;
}

void CFlashkitSheet::RegisterOperationWindow(int type, OperationWindow* window)
{
    operationWindow_ = window;
    if (type != request::kRegisterStatus || window == nullptr)
        return;
    const QString notUsed = QStringLiteral("Not used");
    for (int port = 0; port < PortCount(); ++port) {
        if (!controls_.portList->IsChecked(port))
            window->SetRowText(notUsed.toStdString(), port);
    }
}

void CFlashkitSheet::OnOperationRequest(int type, int value)
{
    if (type == request::kEnd) {
        OnOperationEnd();
        return;
    }
    dispatcher_->OnStatusRequest(type, value);
}

void CFlashkitSheet::StartUpload()
{
    const int port = dispatcher_->PrepareUpload();
    if (port < 0)
        return;
    // The bar counts the rows that will be read, not every row of the list.
    const auto ticked = std::count_if(parameters_.rows.begin(), parameters_.rows.end(),
                                      [](const ParameterEntry& row) { return row.checked; });
    UploadProgressWindow& window = *uploadWindow_;
    window.SetRowCount(static_cast<int>(ticked));
    window.SetPortIndex(port);
    window.SetOperation(request::kStartRead, code::kParamRead);
    window.SetOwner(this);
    window.SetRootDirectory(root_);
    window.SetCountryCode(country_);
    window.exec();
    operationWindow_ = nullptr;
}

void CFlashkitSheet::StartDownload()
{
    if (dispatcher_->PrepareParamDownload())
        RunStatusWindow(code::kParamWrite);
}

void CFlashkitSheet::JigTest()
{
    if (CountCheckedPorts() == 0) {
        ShowMessage(Caption("FW_MSG", "MSG_CAPTION6"), Caption("FW_MSG", "MSG_COMM4"));
        return;
    }
    TestOptionsDialog& dialog = *testOptions_;
    dialog.SetRootDirectory(root_);
    dialog.SetCountryCode(country_);
    dialog.SetItemCount(8);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dispatcher_->SetTestItems(dialog.Items());
    if (dispatcher_->TestItemCount() < 1)
        return;
    RunStatusWindow(code::kTest);
}

void CFlashkitSheet::ShowJigTest()
{
    ReopenCheckedPorts(9600);
    dispatcher_->PrepareRecordRead();
    ModuleTestWindow& window = *moduleTestWindow_;
    window.SetPortCount(PortCount());
    window.SetOperation(request::kStartRead, code::kRecordRead);
    window.SetOwner(this);
    window.SetRootDirectory(root_);
    window.SetCountryCode(country_);
    window.exec();
    operationWindow_ = nullptr;
}

}  // namespace veltra
