#include "SheetDriver.h"

#include "Operator.h"
#include "PortList.h"

#include <QCoreApplication>

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
    poll_.setSingleShot(true);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    QApplication::instance()->installEventFilter(&showWatcher_);
    watchdog_.setSingleShot(true);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { CloseOperationWindow(); });
}

SheetDriver::~SheetDriver()
{
    QApplication::instance()->removeEventFilter(&showWatcher_);
    delete sheet_;
}

bool SheetDriver::ShowWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
        shown_();
    return false;
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

void SheetDriver::Settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
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
    bool unanswered = false;
    testing::ForEachShown([this, &unanswered](QWidget& widget) {
        // A question is answered Yes: go on as the run intends.
        if (auto* box = qobject_cast<QMessageBox*>(&widget)) {
            messages_.push_back(testing::AnswerMessageBox(*box, QMessageBox::Yes));
        } else if (auto* dialog = qobject_cast<QFileDialog*>(&widget); dialog != nullptr && filePath_.empty()) {
            dialog->reject();
        } else if (dialog != nullptr) {
            testing::AnswerFileDialog(*dialog, filePath_);
            unanswered = unanswered || dialog->isVisible();
        } else if (widget.objectName() == QLatin1String(testing::kOptionsDialog)) {
            testing::AnswerTestOptions(widget, testItems_, true);
        }
    });
    // A file dialog takes the file once its folder is listed: look again soon.
    if (unanswered)
        poll_.start(50);
}

}  // namespace veltra::bench
