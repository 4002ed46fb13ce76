#include "CFlashkitSheet.h"

#include "ParameterList.h"
#include "PortList.h"
#include "Settings.h"
#include "ModuleTestWindow.h"
#include "StatusWindow.h"
#include "TestOptionsDialog.h"
#include "UploadProgressWindow.h"

#include <QApplication>
#include <QHeaderView>
#include <QMessageBox>

namespace veltra {

CFlashkitSheet::CFlashkitSheet(QWidget* hostView, std::string root, std::string country, SheetEnvironment environment)
    : QWidget(hostView), hostView_(hostView), root_(std::move(root)), country_(std::move(country)),
      environment_(std::move(environment)), captions_(ModuleCaptionPath(root_, country_), CaptionReader::Sheet)
{
    setObjectName(QStringLiteral("105"));
    controls_ = CreateSheetControls(this, parameters_);
}

CFlashkitSheet::~CFlashkitSheet()
{
    // The engine first: its ports report to this sheet as they close.
    if (engine_)
        engine_->Ports().SetListener(nullptr);
    engine_.reset();
}

QString CFlashkitSheet::Caption(const char* section, const char* key) const
{
    return QString::fromStdString(captions_.Text(section, key));
}

void CFlashkitSheet::Initialise()
{
    preErase_ = ReadModeMarkOption(root_, preErase_);
    LabelControls();
    LayoutSheet();
    controls_.erase->setChecked(true);
    controls_.blankCheck->setChecked(true);
    controls_.romDown->setChecked(false);
    controls_.verify->setChecked(false);
    controls_.romMode->setChecked(true);
    controls_.parameterList->setEnabled(false);
    controls_.paramMode->setChecked(false);
    ConnectSignals();
    engine_ = std::make_unique<veltra::Engine>(rom_, parameters_, *this, RunTextsFrom(captions_), environment_.timeouts);
    engine_->Ports().SetListener(this);
    engine_->Ports().SetRetryLimit(ReadRetryLimit(root_));
    engine_->Rom().SetOptions([this] {
        return RomOptions{controls_.erase->isChecked(), controls_.blankCheck->isChecked(),
                          controls_.romDown->isChecked(), controls_.verify->isChecked()};
    });
    engine_->Rom().SetRunRate([this] { return SheetBaudRate(); });
    engine_->Ports().SetDeviceRoot(environment_.devRoot);
    station_ = std::make_unique<StationLog>(
        root_, StationLog::Places{environment_.sysfsRoot, environment_.devRoot, environment_.recordsFolder});
    engine_->Dispatcher().AddResultListener([this](const PortResult& result) { RecordResult(result); });
    EnumeratePorts();
    ShowTally();
    statusWindow_ = std::make_unique<StatusWindow>(this);
    uploadWindow_ = std::make_unique<UploadProgressWindow>(this);
    testOptions_ = std::make_unique<TestOptionsDialog>(this);
    moduleTestWindow_ = std::make_unique<ModuleTestWindow>(this);

    controls_.baudRate->setEditText(QStringLiteral("115200"));
    ResetToolStates();
    LoadDefaultParameterFile();
}

void CFlashkitSheet::LayoutSheet()
{
    // The host's window may not shrink below what the sheet needs, so no
    // control is ever cut off or pushed outside it.
    if (hostView_)
        hostView_->setMinimumSize(MinimumSheetSize(controls_) + QSize(4, 5));
    veltra::LayoutSheet(this, controls_, hostView_ ? hostView_->size() : size());
}

void CFlashkitSheet::LabelControls()
{
    controls_.connect->setText(Caption("SET_TITLE", "SET_CONNET"));
    controls_.disconnect->setText(Caption("SET_TITLE", "SET_DISCONNET"));
    controls_.startDownload->setText(Caption("SET_TITLE", "SET_START_DOWN"));
    controls_.baudLabel->setText(Caption("SET_TITLE", "SET_BAUDRATE"));
    controls_.modeLabel->setText(Caption("SET_TITLE", "SET_MODE"));
    controls_.romMode->setText(Caption("SET_TITLE", "SET_ROM_MODE"));
    controls_.paramMode->setText(Caption("SET_TITLE", "SET_PARAM_MODE"));
    controls_.initErase->setText(Caption("OPTION_CTRL", "OPT_INIT_ERASE"));
    controls_.erase->setText(Caption("OPTION_CTRL", "OPT_ERASE"));
    controls_.blankCheck->setText(Caption("OPTION_CTRL", "OPT_BLANK_CHECK"));
    controls_.romDown->setText(Caption("OPTION_CTRL", "OPT_ROM_DOWN"));
    controls_.verify->setText(Caption("OPTION_CTRL", "OPT_VERIFY"));
    controls_.portList->SetHeadings(Caption("PORT_LIST", "PORT_HEAD0"), Caption("PORT_LIST", "PORT_HEAD1"),
                                    Caption("PORT_LIST", "PORT_HEAD2"));
    QStringList headings;
    for (const char* key : {"PARAM_HEAD0", "PARAM_HEAD1", "PARAM_HEAD2", "PARAM_HEAD3", "PARAM_HEAD4", "PARAM_HEAD5",
                            "PARAM_HEAD6", "PARAM_HEAD7"})
        headings << Caption("PARAM_LIST", key);
    controls_.parameterList->SetHeadings(headings);
}

void CFlashkitSheet::ConnectSignals()
{
    connect(controls_.connect, &QPushButton::clicked, this, &CFlashkitSheet::OnConnect);
    connect(controls_.disconnect, &QPushButton::clicked, this, &CFlashkitSheet::OnDisconnect);
    connect(controls_.startDownload, &QPushButton::clicked, this, &CFlashkitSheet::OnStartDownload);
    connect(controls_.initErase, &QCheckBox::clicked, this, &CFlashkitSheet::SyncOptionControls);
    connect(controls_.baudRate, &QComboBox::activated, this, &CFlashkitSheet::OnBaudRateChange);
    connect(controls_.romMode, &QCheckBox::clicked, this, &CFlashkitSheet::OnRomModeClick);
    connect(controls_.paramMode, &QCheckBox::clicked, this, &CFlashkitSheet::OnParamModeClick);
    connect(controls_.portList->header(), &QHeaderView::sectionClicked, this,
            &CFlashkitSheet::OnPortListColumnClick);
    // The slot keeps its tick, so that an adapter plugged in again finds it.
    connect(controls_.portList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        const int row = controls_.portList->indexOfTopLevelItem(item);
        if (column == 0 && row >= 0 && row < static_cast<int>(slots_.Rows().size()))
            slots_.SetTicked(row, item->checkState(0) == Qt::Checked);
    });
}

int CFlashkitSheet::GetToolMessage(int index) const
{
    return index >= 0 && index < static_cast<int>(toolStates_.size()) ? toolStates_[static_cast<size_t>(index)] : 0;
}

void CFlashkitSheet::ResetToolStates()
{
    toolStates_.fill(connected_ ? 1 : 0);
    toolStates_[tool::kParameterFiles] = controls_.paramMode->isChecked() ? 1 : 0;
}

void CFlashkitSheet::CodeParamMode(bool on)
{
    controls_.paramMode->setChecked(on);
    controls_.parameterList->setEnabled(on);
}

void CFlashkitSheet::OnParamModeClick()
{
    const bool on = controls_.paramMode->isChecked();
    CodeParamMode(on);
    const int state = on ? 1 : 0;
    toolStates_[tool::kParameterFiles] = state;
    toolStates_[tool::kParamMode3] = state;
    if (connected_) {
        for (const int entry : {tool::kParamDownload2, tool::kParamUpload2, tool::kParamDownload, tool::kParamUpload})
            toolStates_[static_cast<size_t>(entry)] = state;
    }
    toolStates_[tool::kParamMode0] = state;
}

void CFlashkitSheet::OnRomModeClick()
{
    controls_.romMode->setChecked(true);
}

void CFlashkitSheet::OnPortListColumnClick()
{
    allPortsTicked_ = !allPortsTicked_;
    for (int row = 0; row < controls_.portList->PortCount(); ++row)
        controls_.portList->SetChecked(row, allPortsTicked_);
}

void CFlashkitSheet::OnConnect()
{
    CountCheckedPorts();
    controls_.statusText->setText(Caption("FW_MSG", "MSG_STATUS2"));
    connected_ = false;
    OpenCheckedPorts();
    if (connected_) {
        controls_.startDownload->setEnabled(true);
        controls_.disconnect->setEnabled(true);
        if (!controls_.initErase->isChecked()) {
            controls_.erase->setEnabled(true);
            controls_.blankCheck->setEnabled(true);
            controls_.initErase->setEnabled(true);
            if (controls_.romDown->isChecked()) {
                controls_.romDown->setEnabled(true);
                controls_.verify->setEnabled(true);
            }
        }
        toolStates_[tool::kRomDownload] = 1;
        toolStates_[tool::kModuleTest] = 1;
        if (controls_.paramMode->isChecked()) {
            for (const int entry : {tool::kParamDownload2, tool::kParamUpload2, tool::kParamDownload, tool::kParamUpload})
                toolStates_[static_cast<size_t>(entry)] = 1;
        }
    } else {
        ShowMessage(Caption("FW_MSG", "MSG_CAPTION1"), Caption("FW_MSG", "MSG_COMM3"));
    }
    controls_.statusText->setText(Caption("FW_MSG", "MSG_STATUS3"));
}

void CFlashkitSheet::OnDisconnect()
{
    OnOperationEnd();
}

void CFlashkitSheet::OnOperationEnd()
{
    controls_.statusText->setText(Caption("FW_MSG", "MSG_STATUS6"));
    engine_->StopRun("Stopped");
    connected_ = false;
    SyncOptionControls();
    ResetToolStates();
}

void CFlashkitSheet::OnBaudRateChange()
{
    for (int port = 0; port < PortCount(); ++port) {
        if (Ports().IsOpen(port))
            Ports().Close(port);
    }
    controls_.disconnect->setEnabled(false);
    connected_ = false;
    SyncOptionControls();
    ResetToolStates();
}

void CFlashkitSheet::SyncOptionControls()
{
    QWidget* const options[] = {controls_.erase, controls_.blankCheck, controls_.romDown, controls_.verify};
    if (connected_) {
        controls_.startDownload->setEnabled(true);
        controls_.disconnect->setEnabled(true);
        for (QWidget* option : options)
            option->setEnabled(true);
        controls_.initErase->setEnabled(true);
    } else {
        controls_.startDownload->setEnabled(false);
        controls_.disconnect->setEnabled(false);
        for (QWidget* option : options)
            option->setEnabled(false);
    }
    if (controls_.initErase->isChecked()) {
        for (QWidget* option : options)
            option->setEnabled(false);
    }
}

void CFlashkitSheet::ShowMessage(const QString& caption, const QString& text, int icon)
{
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), caption, text, QMessageBox::Ok, this);
    box.exec();
}

void CFlashkitSheet::ShowMessage(const std::string& caption, const std::string& text, bool warning)
{
    ShowMessage(QString::fromStdString(caption), QString::fromStdString(text), warning ? QMessageBox::Warning : 0);
}

void CFlashkitSheet::Beep()
{
    QApplication::beep();
}

}  // namespace veltra
