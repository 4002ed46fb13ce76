#pragma once

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <vector>

namespace veltra::testing {

// Runs the event loop itself, so that work done when it is about to wait (idle
// passes) happens too, until `done` holds or the time is up; says whether it holds.
inline bool RunUntil(const std::function<bool()>& done, int limitMs = 10000)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// Answers the modal dialogs that open while it lives: hands each to `handle`,
// which must close it, or else accepts it; keeps the texts of message boxes.
class ModalWatcher : public QObject {
public:
    explicit ModalWatcher(std::function<void(QDialog&)> handle = {}) : handle_(std::move(handle)) { startTimer(1); }
    std::vector<QString> texts;

protected:
    void timerEvent(QTimerEvent*) override
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog == last_)
            return;
        last_ = dialog;
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            texts.push_back(box->text());
        handle_ ? handle_(*dialog) : dialog->accept();
    }

private:
    std::function<void(QDialog&)> handle_;
    QPointer<QDialog> last_;
};

}  // namespace veltra::testing
