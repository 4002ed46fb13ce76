#pragma once

#include "CCorvidApp.h"
#include "CCorvidView.h"
#include "CMainFrame.h"
#include "FakeTessel01.h"
#include "TempDir.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <dlfcn.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace veltra::testing {

// Runs the event loop, so that the idle work happens too, until `done` holds
// or the time is up; says whether it holds.
inline bool RunUntil(const std::function<bool()>& done, int limitMs = 5000)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(1);
    limit.start(limitMs);
    loop.exec();
    return done();
}

// A program folder of its own: the given module files beside the settings.
class ProgramFolder {
public:
    ProgramFolder() = default;
    explicit ProgramFolder(const char* module) { AddModule(module, "Tessel01.so"); }

    void AddModule(const char* source, const std::string& fileName)
    {
        std::filesystem::copy_file(source, dir_.File(fileName));
    }
    void Write(const std::string& name, const std::string& content) { dir_.Write(name, content); }
    std::string ModulePath(const std::string& fileName = "Tessel01.so") const { return dir_.File(fileName); }
    QString Root() const { return QString::fromStdString(dir_.Path().string()); }

private:
    TempDir dir_;
};

// The test's own look into a module that the host has loaded.
class FakeModule {
public:
    // A handle of its own keeps the module mapped after the host frees it.
    explicit FakeModule(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW))
    {
        log_ = reinterpret_cast<FakeCallLogFn>(dlsym(handle_, "FakeCallLog"));
        setToolState_ = reinterpret_cast<FakeSetToolStateFn>(dlsym(handle_, "FakeSetToolState"));
        window_ = reinterpret_cast<FakeWindowFn>(dlsym(handle_, "FakeWindow"));
    }
    ~FakeModule() { dlclose(handle_); }
    FakeModule(const FakeModule&) = delete;
    FakeModule& operator=(const FakeModule&) = delete;

    // The calls in order; the idle GetToolMessage queries only when asked for.
    std::vector<std::string> Calls(bool withToolQueries = false) const
    {
        std::vector<std::string> calls;
        std::istringstream lines(log_());
        for (std::string line; std::getline(lines, line);) {
            if (withToolQueries || line.rfind("GetToolMessage", 0) != 0) {
                calls.push_back(line);
            }
        }
        return calls;
    }
    std::string LastCall() const
    {
        const auto calls = Calls();
        return calls.empty() ? std::string() : calls.back();
    }
    std::size_t Count(const std::string& call) const
    {
        const auto calls = Calls();
        return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
    }
    void SetToolState(int index, int value) const { setToolState_(index, value); }
    void SetAllToolStates(int value) const
    {
        for (int i = 0; i < 40; ++i) {
            setToolState_(i, value);
        }
    }
    void* Window() const { return window_(); }

private:
    void* handle_;
    FakeCallLogFn log_ = nullptr;
    FakeSetToolStateFn setToolState_ = nullptr;
    FakeWindowFn window_ = nullptr;
};

// Deals with the modal dialogs that open while it lives: hands each to
// `handle`, which must close it. Message boxes are answered with OK by default.
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QDialog&)> handle = {}) : handle_(std::move(handle))
    {
        QObject::connect(&poll_, &QTimer::timeout, [this] { Check(); });
        poll_.start(1);
    }

    const std::vector<QString>& Texts() const { return texts_; }
    const std::vector<QMessageBox::StandardButtons>& Buttons() const { return buttons_; }

private:
    void Check()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog == last_) {
            return;
        }
        last_ = dialog;
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            texts_.push_back(box->text());
            buttons_.push_back(box->standardButtons());
        }
        if (handle_) {
            handle_(*dialog);
        } else {
            dialog->accept();
        }
    }

    std::function<void(QDialog&)> handle_;
    QTimer poll_;
    QPointer<QDialog> last_;
    std::vector<QString> texts_;
    std::vector<QMessageBox::StandardButtons> buttons_;
};

inline QAction* FindAction(const CMainFrame& frame, int id)
{
    return frame.findChild<QAction*>(QString::number(id));
}

}  // namespace veltra::testing
