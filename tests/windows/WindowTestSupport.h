#pragma once

#include "OperationDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace veltra::testing {

// Lets events run until `condition` holds or five seconds have passed.
inline bool WaitUntil(const std::function<bool()>& condition)
{
    const QDeadlineTimer deadline(5000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The sheet as a window sees it: every register and request in order, the
// register as (type, 0). `onStart` may answer a start request at once, as the
// sheet does when it runs the first steps inside the request.
class FakeOwner : public OperationOwner {
public:
    void RegisterOperationWindow(int type, RunObserver* window) override
    {
        log.emplace_back(type, 0);
        registered = window;
        if (onRegister)
            onRegister();
    }

    void OnOperationRequest(int type, int value) override
    {
        log.emplace_back(type, value);
        if (type != request::kEnd && onStart)
            onStart();
    }

    bool Has(int type, int value) const
    {
        for (const auto& entry : log) {
            if (entry == std::pair{type, value})
                return true;
        }
        return false;
    }

    std::vector<std::pair<int, int>> log;
    RunObserver* registered = nullptr;
    std::function<void()> onRegister;
    std::function<void()> onStart;
};

// Shows the dialog without blocking and waits until it has sent its first
// start request to `owner`.
inline bool OpenAndWaitForStart(QDialog& dialog, const FakeOwner& owner, size_t requests = 2)
{
    dialog.open();
    return WaitUntil([&] { return owner.log.size() >= requests; });
}

// Answers every message box that comes up with OK and keeps its title and text.
class MessageBoxWatcher {
public:
    MessageBoxWatcher()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen.emplace_back(box->windowTitle().toStdString(), box->text().toStdString());
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer_.start();
    }

    std::vector<std::pair<std::string, std::string>> seen;

private:
    QTimer timer_;
};

}  // namespace veltra::testing
