#include "CFlashkitSheet.h"

#include "ParameterFile.h"
#include "ParameterList.h"
#include "StatusTextEvent.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace veltra {

namespace {

QString AskForFile(QWidget* parent, const QString& filter, bool save)
{
    // Qt's own dialog rather than the desktop's, so that it behaves the same
    // everywhere and can be driven by tests.
    QFileDialog dialog(parent, QString(), QString(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

}  // namespace

void CFlashkitSheet::SendStatusText(int pane, const QString& text)
{
    if (!hostView_)
        return;
    const QByteArray bytes = text.toUtf8();
    StatusTextEvent event(pane, bytes.constData());
    QCoreApplication::sendEvent(hostView_, &event);
}

bool CFlashkitSheet::LoadRom(const std::string& path)
{
    const RomLoadResult result = LoadRomFile(rom_, path);
    if (!result.ok) {
        ShowMessage(Caption("FW_MSG", "MSG_CAPTION1"), QString::fromStdString(result.message), QMessageBox::Warning);
        return false;
    }
    if (connected_) {
        controls_.romDown->setEnabled(true);
        controls_.verify->setEnabled(true);
    }
    controls_.romDown->setChecked(true);
    return true;
}

void CFlashkitSheet::ChooseRomFile()
{
    const QString path = AskForFile(this, QStringLiteral("Intel HEX and AVR A90 Files(*.hex);;All fiels(*.*)"), false);
    if (path.isEmpty())
        return;
    // A file that is refused leaves everything as it was: the path, time and
    // image of the file before, and the status bar naming that one.
    const std::string previousPath = rom_.filePath;
    const FileTime previousTime = rom_.fileTime;
    const uint32_t previousLength = rom_.fileLength;
    rom_.filePath = path.toStdString();
    rom_.fileLength = 0;
    // A file that cannot be looked up is refused by the load itself, which says why.
    ReadFileTime(rom_.filePath, rom_.fileTime);
    if (!LoadRom(rom_.filePath)) {
        rom_.filePath = previousPath;
        rom_.fileTime = previousTime;
        rom_.fileLength = previousLength;
        return;
    }
    SendStatusText(0, Caption("FW_MSG", "MSG_STATUS4") + QStringLiteral(" ") + path);
}

bool CFlashkitSheet::ReloadRom()
{
    const FileTime previousTime = rom_.fileTime;
    ReadFileTime(rom_.filePath, rom_.fileTime);
    rom_.fileLength = 0;
    if (LoadRom(rom_.filePath))
        return true;
    // Still the old image: the next download asks again.
    rom_.fileTime = previousTime;
    return false;
}


void CFlashkitSheet::ShowParameterTable()
{
    controls_.parameterList->ShowTable();
}

void CFlashkitSheet::ChooseParameterFile()
{
    const QString path = AskForFile(this, QStringLiteral("Veltra Parameter File(*.vtp);;All fiels(*.*)"), false);
    if (path.isEmpty())
        return;
    std::string error;
    // A file the user picked that cannot be read is said at once: left
    // silent, the list would look like that file's while it still holds the
    // rows from before.
    if (LoadParameterFile(path.toStdString(), parameters_, error) != ParameterLoadStatus::Loaded) {
        ShowMessage(Caption("FW_MSG", "MSG_CAPTION1"), QString::fromStdString(error), QMessageBox::Warning);
        return;
    }
    ShowParameterTable();
    SendStatusText(1, Caption("FW_MSG", "MSG_STATUS5") + QStringLiteral(" ") + path);
}

int CFlashkitSheet::LoadDefaultParameterFile(bool announce)
{
    std::string error;
    const std::string path = root_ + "/Data/VELTRA_EEPROM_DATA_SIGN.vtp";
    const ParameterLoadStatus status = LoadParameterFile(path, parameters_, error);
    if (status == ParameterLoadStatus::Loaded) {
        ShowParameterTable();
        // Asked for after another file was opened, the status bar would
        // otherwise go on naming that one.
        if (announce)
            SendStatusText(1, Caption("FW_MSG", "MSG_STATUS5") + QStringLiteral(" ") + QString::fromStdString(path));
    }
    if (status == ParameterLoadStatus::ReadError)
        ShowMessage(Caption("FW_MSG", "MSG_CAPTION1"), QString::fromStdString(error), QMessageBox::Warning);
    return status == ParameterLoadStatus::Loaded ? 1 : 0;
}

void CFlashkitSheet::SaveParameterFile()
{
    const QString path = AskForFile(this, QStringLiteral("Veltra Parameter data file(*.vtp);;All fiels(*.*)"), true);
    if (path.isEmpty())
        return;
    std::string error;
    if (!veltra::SaveParameterFile(path.toStdString(), parameters_, error)) {
        ShowMessage(Caption("FW_MSG", "MSG_CAPTION7"), QString::fromStdString(error), QMessageBox::Warning);
        return;
    }
    ShowMessage(Caption("FW_MSG", "MSG_CAPTION7"), Caption("FW_MSG", "MSG_SAVE0"));
}

}  // namespace veltra
