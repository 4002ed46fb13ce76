#pragma once

#include "CFlashkitSheet.h"
#include "ParameterList.h"
#include "PortList.h"
#include "TempDir.h"
#include "VirtualBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

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

// Runs the event loop until `done` holds or `limitMs` passes; true when it held.
inline bool WaitFor(const std::function<bool()>& done, int limitMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Answers the message boxes that open while it lives, keeping their texts:
// the first button whose role is `answer` is pressed (OK when there is one
// button). Other modal windows are left to the test.
class MessageBoxes {
public:
    explicit MessageBoxes(QMessageBox::StandardButton answer = QMessageBox::Ok) : answer_(answer)
    {
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

// A program folder with the shipped settings, captions and default parameter
// file, the given virtual modules listed as extra ports, and a sheet on a
// host view of its own. The machine's own serial ports are kept out with an
// empty system tree.
class SheetHarness {
public:
    explicit SheetHarness(int modules, sim::ModuleOptions options = {}, RunTimeouts timeouts = {})
    {
        if (modules > 0)
            bench = std::make_unique<sim::VirtualBench>(modules, options);
        namespace fs = std::filesystem;
        fs::copy(VELTRA_SOURCE_DIR "/config", dir.File("config"), fs::copy_options::recursive);
        fs::copy(VELTRA_SOURCE_DIR "/Data", dir.File("Data"), fs::copy_options::recursive);
        std::string extra;
        for (int i = 0; i < modules; ++i)
            extra += (i ? "," : "") + bench->Module(i).Path();
        std::string ini = TempDir::Read(dir.File("config/VTDown.ini"));
        ini += "\nEXTRA=" + extra + "\n";
        dir.Write("config/VTDown.ini", ini);
        fs::create_directories(dir.File("sys/class/tty"));
        view.resize(1024, 700);
        view.show();
        SheetEnvironment environment;
        environment.sysfsRoot = dir.File("sys");
        environment.timeouts = timeouts;
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
    QWidget view;
    CFlashkitSheet* sheet = nullptr;
};

}  // namespace veltra::testing
