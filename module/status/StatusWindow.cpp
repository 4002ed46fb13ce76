#include "StatusWindow.h"

#include "DialogUnits.h"
#include "ProgressListCtrl.h"

#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace veltra {

namespace {

constexpr int kProgressColumn = 2;
constexpr int kStepColumn = 3;
constexpr int kRowBarId = 4022;
// A bar repaints itself at once on every visible step, and every port steps
// with every reply: bars follow their counts at most this often.
constexpr int kBarPaceMs = 200;

// Letters of the runs and their steps.
constexpr int kHandshake = '?';
constexpr int kErase = '@';
constexpr int kBlankCheck = 'A';
constexpr int kProgram = 'B';
constexpr int kReadBack = 'C';
constexpr int kInitialErase = 'G';
constexpr int kModuleTest = 'H';
constexpr int kParamWrite = 'Q';

}  // namespace

StatusWindow::StatusWindow(QWidget* parent)
    : OperationDialog(parent),
      list_(new ProgressListCtrl(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      button_(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("4003"));
    list_->setObjectName(QStringLiteral("4023"));
    ok_->setObjectName(QStringLiteral("1"));
    button_->setObjectName(QStringLiteral("2"));

    const DialogUnits units(*this);
    setFixedSize(units.Size(326, 170));
    list_->setGeometry(units.Rect(7, 7, 312, 137));
    ok_->setGeometry(units.Rect(212, 149, 50, 14));
    button_->setGeometry(units.Rect(269, 149, 50, 14));
    UseEndingButton(button_, ok_);
    barPace_.setSingleShot(true);
    barPace_.setInterval(kBarPaceMs);
    connect(&barPace_, &QTimer::timeout, this, &StatusWindow::CatchUpBars);
}

void StatusWindow::ClearPortRows()
{
    portRows_.clear();
}

// Names are kept whole: a device name such as "ttyUSB10" or a pseudo-terminal
// path is longer than the old fifteen characters and must still match the
// names the notices carry.
void StatusWindow::AddPortRow(const std::string& portName)
{
    portRows_.push_back(PortRow{portName, 0});
}

QString StatusWindow::Caption(const char* key) const
{
    return captions_ ? QString::fromStdString(captions_->Text("COMM_STATUS", key)) : QString();
}

void StatusWindow::Prepare()
{
    captions_.emplace(CaptionSet::ForCountry(RootDirectory(), CountryCode(), CaptionReader::StatusWindow));

    list_->Reset({{Caption("STATUS_HEAD0"), 35},
                  {Caption("STATUS_HEAD1"), 120},
                  {Caption("STATUS_HEAD2"), 220},
                  {Caption("STATUS_HEAD3"), 250}});
    list_->SetColouredColumn(kStepColumn);
    const int firstRow = list_->AppendRows(static_cast<int>(portRows_.size()));
    for (size_t i = 0; i < portRows_.size(); ++i) {
        // Every bar starts at 0 to 100, the range of the ROM download's first
        // steps; each port's phase notices set their own range from then on.
        portRows_[i].count = 0;
        portRows_[i].maximum = 100;
        portRows_[i].barBehind = false;
        const int row = firstRow + static_cast<int>(i);
        portRows_[i].listRow = row;
        list_->SetCellText(row, 0, QString::number(row + 1));
        list_->SetCellText(row, 1, QString::fromStdString(portRows_[i].name));
        list_->AddProgressBar(row, kProgressColumn, kRowBarId);
    }

    barPace_.stop();
    ok_->setEnabled(true);
    button_->setEnabled(true);
    button_->setText(Caption("BTN_CANCEL"));
    setWindowTitle(Caption("STATUS_TITLE0"));
}

void StatusWindow::Opened()
{
    Register(request::kRegisterStatus);
    Request(OperationType(), CommandLetter());
}

QString StatusWindow::StepText(int letter) const
{
    switch (letter) {
    case kHandshake:
    case kInitialErase:
        return Caption("STATUS_MSG0");
    case kErase:
        return Caption("STATUS_MSG1");
    case kBlankCheck:
        return Caption("STATUS_MSG2");
    case kProgram:
        return Caption("STATUS_MSG3");
    case kReadBack:
        return Caption("STATUS_MSG4");
    case kParamWrite:
        return Caption("STATUS_MSG5");
    case kModuleTest:
        return Caption("STATUS_MSG6");
    default:
        return {};
    }
}

void StatusWindow::Notice(const StatusNotice& notice, int range, const std::string& portName)
{
    if (notice.active != 1)
        return;
    switch (notice.code) {
    case notice::kPhaseStarts: {
        // A port index without a row would have the window write past its rows.
        if (notice.port < 0 || static_cast<size_t>(notice.port) >= portRows_.size())
            return;
        PortRow& row = portRows_[static_cast<size_t>(notice.port)];
        row.maximum = range;
        row.count = 0;
        if (QProgressBar* bar = list_->ProgressBar(notice.port))
            bar->setRange(0, range);
        button_->setText(Caption("BTN_CANCEL"));
        list_->SetCellText(notice.port, kStepColumn, StepText(notice.value));
        if (notice.value == kModuleTest)
            setWindowTitle(Caption("STATUS_TITLE2"));
        break;
    }
    case notice::kProgress:
        if (PortRow* row = RowNamed(portName)) {
            row->count += notice.value;
            ShowCount(*row);
            ok_->setEnabled(false);
            button_->setEnabled(true);
            button_->setText(Caption("BTN_STOP"));
        }
        break;
    case notice::kPhaseDone:
        PortFinished(notice, portName);
        break;
    case notice::kRunFinished:
        PortFinished(notice, portName);
        CloseWithOk();
        break;
    default:
        break;
    }
}

void StatusWindow::PortFinished(const StatusNotice& notice, const std::string& portName)
{
    PortRow* row = RowNamed(portName);
    if (row == nullptr)
        return;
    row->count = notice.value;
    ShowBar(*row);  // a finished port's bar is never left behind
    MarkFinished(portName, Caption("STATUS_MSG7"));
    button_->setEnabled(true);
    ok_->setEnabled(true);
    button_->setText(Caption("BTN_CLOSE"));
}

StatusWindow::PortRow* StatusWindow::RowNamed(const std::string& portName)
{
    for (PortRow& row : portRows_) {
        if (row.name == portName)
            return &row;
    }
    return nullptr;
}

// Progress comes with every reply of every port. A step after a quiet spell
// shows at once; the steps that follow it soon after are shown together when
// the pace allows.
void StatusWindow::ShowCount(PortRow& row)
{
    if (barPace_.isActive()) {
        row.barBehind = true;
        return;
    }
    ShowBar(row);
    barPace_.start();
}

// Each row is capped at its own maximum: ports run at their own pace, and a
// phase starting on one port must not cut back the count of another that is
// further on in a longer phase. The bar is found by the row the port was
// given, not by comparing every row's name each time.
void StatusWindow::ShowBar(PortRow& row)
{
    row.count = std::min(row.count, row.maximum);
    row.barBehind = false;
    if (row.listRow < 0)
        return;
    if (QProgressBar* bar = list_->ProgressBar(row.listRow))
        bar->setValue(row.count);
}

void StatusWindow::CatchUpBars()
{
    bool shown = false;
    for (PortRow& row : portRows_) {
        if (row.barBehind) {
            ShowBar(row);
            shown = true;
        }
    }
    if (shown)
        barPace_.start();
}

void StatusWindow::MarkFinished(const std::string& portName, const QString& text)
{
    const QString name = QString::fromStdString(portName);
    for (int i = 0; i < list_->rowCount(); ++i) {
        if (list_->CellText(i, 1) == name) {
            list_->SetRowColour(i, 3);
            list_->SetCellText(i, kStepColumn, text);
        }
    }
}

void StatusWindow::ShowPortError(const std::string& portName, const std::string& text)
{
    const QString name = QString::fromStdString(portName);
    const QString shown = QStringLiteral(" - ") + QString::fromStdString(text) + QStringLiteral(" ");
    for (int i = 0; i < list_->rowCount(); ++i) {
        if (list_->CellText(i, 1) == name) {
            list_->SetRowColour(i, 2);
            list_->SetCellText(i, kStepColumn, shown);
        }
    }
}

void StatusWindow::SetRowText(const std::string& text, int row)
{
    list_->SetCellText(row, kStepColumn, QString::fromStdString(text));
}

void StatusWindow::SetRowResult(int row, int kind, const std::string& text)
{
    list_->SetRowColour(row, kind);
    list_->SetCellText(row, kStepColumn, QString::fromStdString(text));
}

void StatusWindow::CloseWithOk()
{
    accept();
}

}  // namespace veltra
