#pragma once

#include "CFlashkitSheet.h"
#include "ParameterList.h"
#include "PortList.h"
#include "Profile.h"
#include "TempDir.h"
#include "HexText.h"
#include "VirtualBench.h"
#include "WaitFor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veltra::testing {

inline QApplication& App()
{
    static int argc = 1;
    static char name[] = "sheet_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Answers the message boxes that open while it lives, keeping their texts:
// the first button whose role is `answer` is pressed (OK when there is one
// button). Other modal windows are left to the test.
class MessageBoxes {
public:
    explicit MessageBoxes(QMessageBox::StandardButton answer = QMessageBox::Ok) : answer_(answer)
    {
        App();
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }

    void SetAnswer(QMessageBox::StandardButton answer) { answer_ = answer; }
    const std::vector<std::string>& Texts() const { return texts_; }
    std::string Last() const { return texts_.empty() ? std::string() : texts_.back(); }

private:
    void Poll()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible())
                continue;
            texts_.push_back(box->windowTitle().toStdString() + ": " + box->text().toStdString());
            QAbstractButton* button = box->button(answer_);
            if (!button)
                button = box->buttons().isEmpty() ? nullptr : box->buttons().front();
            if (button)
                button->click();
        }
    }

    QTimer timer_;
    QMessageBox::StandardButton answer_;
    std::vector<std::string> texts_;
};

// Answers the next file dialog that opens with `path` (an empty path cancels it).
class FileDialogs {
public:
    explicit FileDialogs(std::string path) : path_(std::move(path))
    {
        App();
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }
    int Answered() const { return answered_; }

private:
    void Poll()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            if (!dialog || !dialog->isVisible())
                continue;
            ++answered_;
            if (path_.empty()) {
                dialog->reject();
                continue;
            }
            // Typed into the name box as a user would: selectFile() leaves a
            // box that has the focus alone.
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(QString::fromStdString(path_));
            dialog->selectFile(QString::fromStdString(path_));
            static_cast<QDialog*>(dialog)->accept();
        }
    }

    QTimer timer_;
    std::string path_;
    int answered_ = 0;
};

using sim::HexFileText;

// Another program holding a port, the way the tool itself holds one.
class HeldPort {
public:
    explicit HeldPort(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~HeldPort()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;
    bool Held() const { return held_; }

private:
    int fd_;
    bool held_ = false;
};

// Presses an operation window's visible button once `ready` holds, as the user would.
class CloseWhen {
public:
    CloseWhen(QDialog& window, std::function<bool()> ready) : ready_(std::move(ready))
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this, &window] {
            if (!window.isVisible() || !ready_())
                return;
            timer_.stop();
            window.findChild<QPushButton*>(QStringLiteral("2"))->click();
        });
        timer_.start();
    }

private:
    QTimer timer_;
    std::function<bool()> ready_;
};

// A program folder with the shipped settings, captions and default parameter
// file, the given virtual modules listed as extra ports, and a sheet on a
// host view of its own. The machine's own serial ports are kept out with an
// empty system tree.
class SheetHarness {
public:
    explicit SheetHarness(int modules, sim::ModuleOptions options = {}, RunTimeouts timeouts = {})
        : SheetHarness(std::vector<sim::ModuleOptions>(static_cast<size_t>(modules), options), timeouts)
    {
    }

    // One module per entry; `settings` are section, key and value written
    // into the settings file; `beforeStart` may change the program folder
    // further before the sheet reads it.
    explicit SheetHarness(const std::vector<sim::ModuleOptions>& perModule, RunTimeouts timeouts = {},
                          const std::vector<std::array<std::string, 3>>& settings = {},
                          const std::function<void(SheetHarness&)>& beforeStart = {})
    {
        const int modules = static_cast<int>(perModule.size());
        if (modules > 0)
            bench = std::make_unique<sim::VirtualBench>(perModule);
        namespace fs = std::filesystem;
        fs::copy(VELTRA_SOURCE_DIR "/config", dir.File("config"), fs::copy_options::recursive);
        fs::copy(VELTRA_SOURCE_DIR "/Data", dir.File("Data"), fs::copy_options::recursive);
        std::string extra;
        for (int i = 0; i < modules; ++i)
            extra += (i ? "," : "") + bench->Module(i).Path();
        std::string error;
        const std::string ini = dir.File("config/VTDown.ini");
        WriteProfileString(ini, "PORTS", "EXTRA", extra, error);
        for (const auto& [section, key, value] : settings)
            WriteProfileString(ini, section, key, value, error);
        fs::create_directories(dir.File("sys/class/tty"));
        environment.sysfsRoot = dir.File("sys");
        environment.recordsFolder = dir.File("records");
        environment.timeouts = timeouts;
        if (beforeStart)
            beforeStart(*this);
        view.resize(1024, 700);
        view.show();
        sheet = new CFlashkitSheet(&view, dir.Path().string(), "UN", environment);
        sheet->Initialise();
    }

    ~SheetHarness()
    {
        delete sheet;
    }

    PortList& Ports() { return *sheet->Controls().portList; }
    void Tick(int port, bool on = true) { Ports().SetChecked(port, on); }
    void TickAll()
    {
        for (int port = 0; port < Ports().PortCount(); ++port)
            Tick(port);
    }

    // The application comes before any widget of the harness.
    QApplication& app = App();
    TempDir dir;
    std::unique_ptr<sim::VirtualBench> bench;
    // The machine's own serial ports are kept out with an empty system tree,
    // and the records of every board go into the test's folder.
    SheetEnvironment environment;
    QWidget view;
    CFlashkitSheet* sheet = nullptr;
};

}  // namespace veltra::testing
