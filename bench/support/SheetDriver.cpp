#include "SheetDriver.h"

#include "Operator.h"
#include "PortList.h"

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
    testing::ForEachShown([this](QWidget& widget) {
        // A question is answered Yes: go on as the run intends.
        if (auto* box = qobject_cast<QMessageBox*>(&widget))
            messages_.push_back(testing::AnswerMessageBox(*box, QMessageBox::Yes));
        else if (auto* dialog = qobject_cast<QFileDialog*>(&widget); dialog != nullptr && filePath_.empty())
            dialog->reject();
        else if (dialog != nullptr)
            testing::AnswerFileDialog(*dialog, filePath_);
        else if (widget.objectName() == QLatin1String(testing::kOptionsDialog))
            testing::AnswerTestOptions(widget, testItems_, true);
    });
}

}  // namespace veltra::bench
