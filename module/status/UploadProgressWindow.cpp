#include "UploadProgressWindow.h"

#include "DialogUnits.h"

#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace veltra {

UploadProgressWindow::UploadProgressWindow(QWidget* parent)
    : OperationDialog(parent),
      bar_(new QProgressBar(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      button_(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("4023"));
    bar_->setObjectName(QStringLiteral("4033"));
    ok_->setObjectName(QStringLiteral("1"));
    button_->setObjectName(QStringLiteral("2"));
    bar_->setTextVisible(false);

    const DialogUnits units(*this);
    setFixedSize(units.Size(187, 39));
    bar_->setGeometry(units.Rect(7, 7, 173, 8));
    ok_->setGeometry(units.Rect(72, 18, 50, 14));
    button_->setGeometry(units.Rect(130, 18, 50, 14));
    UseEndingButton(button_, ok_);
}

void UploadProgressWindow::SetRowCount(int rows)
{
    rowCount_ = rows;
}

QString UploadProgressWindow::Caption(const char* key) const
{
    return captions_ ? QString::fromStdString(captions_->Text("COMM_STATUS", key)) : QString();
}

void UploadProgressWindow::Prepare()
{
    captions_.emplace(CaptionSet::ForCountry(RootDirectory(), CountryCode(), CaptionReader::UploadWindow));
    button_->setText(QStringLiteral("Cancel"));
    setWindowTitle(Caption("STATUS_TITLE3"));
    bar_->reset();
}

void UploadProgressWindow::Opened()
{
    Register(request::kRegisterOther);
    if (OperationType() == request::kStartRead) {
        total_ = 0;
        // The whole count is the range: a list of more than 65,535 ticked rows
        // would otherwise get a bar that fills long before the upload ends.
        bar_->setRange(0, std::max(rowCount_, 0));
        bar_->setValue(0);
    }
    Request(OperationType(), CommandLetter());
}

// The upload's notices come with active 0; a status window's notice (active
// 1) that reaches this window is not meant for it.
void UploadProgressWindow::RunOver(const StatusNotice& notice, int value)
{
    if (notice.active != 0)
        return;
    if (notice.code == notice::kProgress) {
        button_->setText(Caption("BTN_STOP"));
        total_ += value;
        ShowPosition(total_);
    } else if (notice.code == notice::kPhaseDone) {
        setWindowTitle(Caption("STATUS_TITLE4"));
        ShowPosition(value);
        CloseWithOk();
    }
}

// A position past the range would be dropped by the bar and leave it short.
void UploadProgressWindow::ShowPosition(int position)
{
    bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
}

void UploadProgressWindow::CloseWithOk()
{
    accept();
}

}  // namespace veltra
