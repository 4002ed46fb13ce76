#include "SheetDriver.h"

#include "PortList.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace veltra::bench {

SheetDriver::SheetDriver(const ProgramFolder& folder, RunTimeouts timeouts)
{
    view_.resize(1024, 700);
    view_.show();
    SheetEnvironment environment;
    environment.sysfsRoot = folder.File("sys");
    environment.recordsFolder = folder.File("records");
    environment.timeouts = timeouts;
    sheet_ = new CFlashkitSheet(&view_, folder.Path().string(), "UN", environment);
    sheet_->Initialise();
    // Dialogs open inside the sheet's own modal loops; a slow look is enough,
    // and keeps its cost out of the tool's figures.
    poll_.setInterval(50);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start();
    watchdog_.setSingleShot(true);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { CloseOperationWindow(); });
}

SheetDriver::~SheetDriver()
{
    delete sheet_;
}

void SheetDriver::TickPorts(int count)
{
    PortList& ports = *sheet_->Controls().portList;
    for (int port = 0; port < ports.PortCount(); ++port)
        ports.SetChecked(port, port < count);
}

bool SheetDriver::Connect()
{
    sheet_->Controls().connect->click();
    return sheet_->IsConnected();
}

void SheetDriver::ArmWatchdog(int limitMs)
{
    watchdogFired_ = false;
    watchdog_.start(limitMs);
}

void SheetDriver::CloseOperationWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog != nullptr && dialog->isVisible() &&
            (dialog->objectName() == QStringLiteral("4003") || dialog->objectName() == QStringLiteral("4023") ||
             dialog->objectName() == QStringLiteral("148"))) {
            watchdogFired_ = true;
            dialog->reject();
        }
    }
}

void SheetDriver::Poll()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible())
            continue;
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            messages_.push_back(box->windowTitle().toStdString() + ": " + box->text().toStdString());
            // A question is answered Yes: go on as the run intends.
            const QList<QAbstractButton*> buttons = box->buttons();
            if (QAbstractButton* yes = box->button(QMessageBox::Yes))
                yes->click();
            else if (!buttons.isEmpty())
                buttons.front()->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(widget)) {
            if (filePath_.empty()) {
                dialog->reject();
                continue;
            }
            // Typed into the file name box, as the operator would: the dialog
            // does not let selectFile() overwrite a box that has the focus.
            // Its own check on accepting waits for a folder listing that may
            // come late on a loaded machine, so once it holds the file it is
            // closed as accepted.
            const QString file = QString::fromStdString(filePath_);
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                edit->setText(file);
            if (dialog->selectedFiles() == QStringList{file})
                static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        } else if (widget->objectName() == QStringLiteral("4024")) {
            AnswerTestOptions(*widget);
        }
    }
}

void SheetDriver::AnswerTestOptions(QWidget& dialog)
{
    // The item boxes are 4036 to 4043, item 1 first.
    for (size_t item = 0; item < testItems_.size(); ++item) {
        if (auto* box = dialog.findChild<QCheckBox*>(QString::number(4036 + static_cast<int>(item))))
            box->setChecked(testItems_[item] == '1');
    }
    if (auto* ok = dialog.findChild<QAbstractButton*>(QStringLiteral("1")))
        ok->click();
}

}  // namespace veltra::bench
