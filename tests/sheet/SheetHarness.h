#pragma once

#include "BootLoader.h"
#include "CFlashkitSheet.h"
#include "EventLoop.h"
#include "HexText.h"
#include "Operator.h"
#include "ParameterList.h"
#include "PortList.h"
#include "PosixSerial.h"
#include "ProgressListCtrl.h"
#include "Profile.h"
#include "StatusWindow.h"
#include "TempDir.h"
#include "VirtualBench.h"

#include <QApplication>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veltra::testing {

// Window template numbers, the names the windows go by.
constexpr const char* kStatusWindow = "4003";
constexpr const char* kUploadWindow = "4023";
constexpr const char* kTestLogWindow = "148";

using Settings = std::vector<std::array<std::string, 3>>;
using Texts = std::vector<std::string>;

inline QWidget* VisibleWindow(const char* objectName)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->objectName() == QLatin1String(objectName))
            return widget;
    }
    return nullptr;
}

// Polls as often as a test needs.
class TestPoller : public Poller {
public:
    explicit TestPoller(std::function<void()> poll) : Poller(std::move(poll), 5) {}
};

// Answers the message boxes that open while it lives with `answer`, keeping their texts.
class MessageBoxes {
public:
    explicit MessageBoxes(QMessageBox::StandardButton answer = QMessageBox::Ok) : answer_(answer) {}
    const std::vector<std::string>& Texts() const { return texts_; }
    std::string Last() const { return texts_.empty() ? std::string() : texts_.back(); }

private:
    QMessageBox::StandardButton answer_;
    std::vector<std::string> texts_;
    TestPoller poller_{[this] {
        ForEachShown([this](QWidget& widget) {
            if (auto* box = qobject_cast<QMessageBox*>(&widget))
                texts_.push_back(AnswerMessageBox(*box, answer_));
        });
    }};
};

// What the message boxes that `action` brings up say; each is answered as
// MessageBoxes does.
inline Texts Said(const std::function<void()>& action)
{
    MessageBoxes boxes;
    action();
    return boxes.Texts();
}

// Answers every file dialog that opens with `path`.
class FileDialogs {
public:
    explicit FileDialogs(std::string path) : path_(std::move(path)) {}

private:
    std::string path_;
    TestPoller poller_{[this] {
        ForEachShown([this](QWidget& widget) {
            if (auto* dialog = qobject_cast<QFileDialog*>(&widget))
                AnswerFileDialog(*dialog, path_);
        });
    }};
};

// Presses a window's button whenever the window shows and `ready` holds, as
// the user would; counts the presses.
class PressWhen {
public:
    PressWhen(const char* window, const char* button, std::function<bool()> ready)
        : window_(window), button_(button), ready_(std::move(ready))
    {
    }
    int Presses() const { return presses_; }

private:
    const char* window_;
    const char* button_;
    std::function<bool()> ready_;
    int presses_ = 0;
    TestPoller poller_{[this] {
        QWidget* shown = VisibleWindow(window_);
        if (!shown || !ready_())
            return;
        ++presses_;
        shown->findChild<QAbstractButton*>(QLatin1String(button_))->click();
    }};
};

// Answers the test options dialog whenever it shows as AnswerTestOptions
// does, keeping the boxes as the dialog opened them.
class OptionsAnswer {
public:
    OptionsAnswer(std::string wanted, bool ok) : wanted_(std::move(wanted)), ok_(ok) {}
    void Set(std::string wanted, bool ok)
    {
        wanted_ = std::move(wanted);
        ok_ = ok;
    }
    const std::vector<std::string>& Shown() const { return shown_; }

private:
    std::string wanted_;
    bool ok_;
    std::vector<std::string> shown_;
    TestPoller poller_{[this] {
        if (QWidget* dialog = VisibleWindow(kOptionsDialog))
            shown_.push_back(AnswerTestOptions(*dialog, wanted_, ok_));
    }};
};

// Another program holding a port, the way the tool itself holds one.
class HeldPort {
public:
    explicit HeldPort(const std::string& path) : fd_(posix::OpenSerialPort(path, 9600, error_)) {}
    ~HeldPort()
    {
        if (fd_ >= 0)
            posix::CloseSerialPort(fd_, 9600);
    }
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int error_ = 0;
    int fd_;
};

// A program folder with the shipped settings, captions and default parameter
// file, the given virtual modules listed as extra ports, and a sheet on a
// host view of its own. The machine's own serial ports are kept out with an
// empty system tree, and the records of every board go into the test's folder.
class SheetHarness {
public:
    explicit SheetHarness(int modules, sim::ModuleOptions options = {}, RunTimeouts timeouts = {})
        : SheetHarness(std::vector<sim::ModuleOptions>(static_cast<size_t>(modules), options), timeouts)
    {
    }

    // `settings` go into the settings file; `beforeStart` may change the
    // program folder, the environment or the country before the sheet starts.
    explicit SheetHarness(const std::vector<sim::ModuleOptions>& perModule, RunTimeouts timeouts = {},
                          const Settings& settings = {}, const std::function<void(SheetHarness&)>& beforeStart = {})
    {
        if (!perModule.empty())
            bench = std::make_unique<sim::VirtualBench>(perModule);
        namespace fs = std::filesystem;
        fs::copy(VELTRA_SOURCE_DIR "/config", dir.File("config"), fs::copy_options::recursive);
        fs::copy(VELTRA_SOURCE_DIR "/Data", dir.File("Data"), fs::copy_options::recursive);
        std::string extra;
        for (size_t i = 0; i < perModule.size(); ++i)
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
        sheet = new CFlashkitSheet(&view, dir.Path().string(), country, environment);
        sheet->Initialise();
    }

    ~SheetHarness() { delete sheet; }

    PortList& Ports() { return *sheet->Controls().portList; }
    void Tick(int port, bool on = true) { Ports().SetChecked(port, on); }
    void TickAll()
    {
        for (int port = 0; port < Ports().PortCount(); ++port)
            Tick(port);
    }
    sim::VirtualModule& Module(int module) { return bench->Module(static_cast<size_t>(module)); }
    const SheetControls& Controls() { return sheet->Controls(); }
    void Connect() { Controls().connect->click(); }
    // The text in a port's row of the status window.
    QString Row(int port) { return sheet->Status().List()->CellText(port, 3); }
    int Finished() { return sheet->Dispatcher().DoneCount() + sheet->Dispatcher().FailCount(); }

    void LoadRom(const std::vector<uint8_t>& image)
    {
        FileDialogs dialogs(dir.Write("firmware.hex", sim::HexFileText(image)));
        sheet->ChooseRomFile();
    }
    void LoadParameters(const std::string& text)
    {
        FileDialogs dialogs(dir.Write("table.vtp", text));
        sheet->ChooseParameterFile();
    }

    TempDir dir;
    std::unique_ptr<sim::VirtualBench> bench;
    SheetEnvironment environment;
    std::string country = "UN";
    QWidget view;
    CFlashkitSheet* sheet = nullptr;
};

}  // namespace veltra::testing
