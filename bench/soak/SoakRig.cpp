#include "SoakRig.h"

#include "FirmwareImage.h"
#include "ParameterRows.h"
#include "PortList.h"
#include "ProcessResources.h"
#include "ProgressListCtrl.h"
#include "SoakTiming.h"
#include "StatusWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QAbstractButton>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstdio>

namespace veltra::soak {

namespace {

std::string Quoted(const std::vector<std::string>& texts)
{
    if (texts.empty())
        return "nothing";
    std::string joined;
    for (const std::string& text : texts)
        joined += (joined.empty() ? "\"" : ", \"") + text + "\"";
    return joined;
}

// Qt's pool keeps an idle thread for half a minute before it lets it go, so
// its threads come and go on their own time; every other thread is ours or
// lives as long as the application.
int ThreadsToAccountFor()
{
    const std::vector<std::string> names = bench::ThreadNames();
    return static_cast<int>(std::count_if(names.begin(), names.end(),
                                          [](const std::string& name) { return name != "Thread (pooled)"; }));
}

// Runs the event loop until `done` holds or `limitMs` has passed.
bool Within(int limitMs, const std::function<bool()>& done)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > limitMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace

SoakRig::SoakRig(const SoakOptions& options, SoakTally& tally)
    : options_(options), tally_(tally), random_(options.seed)
{
    if (!folder_.Ready()) {
        setUpFailure_ = "the program folder could not be made";
        return;
    }
    sim::ModuleOptions start;
    start.seed = static_cast<uint32_t>(options.seed);
    modules_ = std::make_unique<sim::VirtualBench>(static_cast<size_t>(options.modules), start);
    // The tool reads its ports once; a module that hangs up comes back on a
    // new terminal, so the tool is given stable links instead.
    links_ = std::make_unique<sim::DeviceLinks>(folder_.File("ports"));
    std::vector<std::string> ports;
    for (int port = 0; port < options.modules; ++port) {
        setUpFailure_ = Relink(port);
        if (!setUpFailure_.empty())
            return;
        ports.push_back(links_->LinkPath(static_cast<size_t>(port)));
    }
    if (!folder_.ListPorts(ports)) {
        setUpFailure_ = "the ports could not be listed in the settings";
        return;
    }
    driver_ = std::make_unique<bench::SheetDriver>(folder_, kTimeouts);
    CFlashkitSheet& sheet = driver_->Sheet();
    for (int port = 0; port < options.modules; ++port) {
        const std::string& link = ports[static_cast<size_t>(port)];
        if (port >= sheet.PortCount() || sheet.Controls().portList->PortName(port) != link) {
            setUpFailure_ = "the sheet does not list " + link + " as port " + std::to_string(port);
            return;
        }
    }
    layout_ = sheet.Parameters();
    if (layout_.rows.empty()) {
        setUpFailure_ = "the shipped parameter file did not load";
        return;
    }
    statusRows_ = std::make_unique<RowHistory>(*sheet.Status().List(), 3);
    // Modules that have been in service: every parameter holds a value of its
    // type, the rest of the EEPROM whatever it may.
    for (int port = 0; port < options.modules; ++port) {
        sim::VirtualModule& module = modules_->Module(static_cast<size_t>(port));
        std::vector<uint8_t> eeprom(sim::kEepromSize);
        for (uint8_t& byte : eeprom)
            byte = static_cast<uint8_t>(Between(0, 255));
        module.SetEeprom(0, eeprom);
        for (const ParameterEntry& row : layout_.rows) {
            if (row.type != "R")
                module.SetEeprom(static_cast<uint32_t>(RowAddress(row)), RandomRowValue(row, random_));
        }
        model_.push_back(ReadMemory(module));
    }
    // The image is chosen once, as an operator would; every ROM download
    // rewrites the file and has the sheet read it again. The first file
    // dialog also sets Qt up for good (its MIME database stays open), which
    // is no leak of whichever operation would open it first.
    driver_->AnswerFileDialogWith(WriteFirmware(bench::FirmwareBytes(0x100)));
    sheet.ChooseRomFile();
    driver_->AnswerFileDialogWith({});
    if (sheet.Rom().loaded != 1)
        setUpFailure_ = "the first firmware image did not load";
}

SoakRig::~SoakRig() = default;

int SoakRig::Between(int low, int high)
{
    return std::uniform_int_distribution<int>(low, std::max(low, high))(random_);
}

bool SoakRig::Chance(double probability)
{
    return std::bernoulli_distribution(probability)(random_);
}

std::string SoakRig::Relink(int port)
{
    std::string error;
    links_->Point(static_cast<size_t>(port), modules_->Module(static_cast<size_t>(port)).Path(), error);
    return error;
}

void SoakRig::Restart(const OperationRun& run, int port, sim::Personality personality)
{
    modules_->Module(static_cast<size_t>(port)).Restart(personality);
    const std::string error = Relink(port);
    if (!error.empty())
        Fail(run, port, "its link could not follow the restart: " + error);
}

void SoakRig::Fail(const OperationRun& run, int port, const std::string& what)
{
    tally_.Fail(run.number, port, std::string(OperationName(run.operation)) + ": " + what);
}

void SoakRig::WarmUp()
{
    for (int kind = 0; kind < kOperationKinds; ++kind)
        Run(0, static_cast<Operation>(kind));
}

void SoakRig::Run(int number, Operation operation)
{
    OperationRun run;
    run.number = number;
    run.operation = operation;
    run.messagesBefore = driver_->Messages().size();
    const int threadsBefore = ThreadsToAccountFor();
    const size_t descriptorsBefore = bench::OpenDescriptors().size();
    if (number > 0)
        tally_.CountOperation(operation);
    switch (operation) {
    case Operation::RomDownload:
        RomDownload(run);
        break;
    case Operation::ParameterDownload:
        ParameterDownload(run);
        break;
    case Operation::ParameterUpload:
        ParameterUpload(run);
        break;
    case Operation::ModuleTest:
        ModuleTest(run);
        break;
    case Operation::RecordRead:
        RecordRead(run);
        break;
    }
    EndOperation(run, TalksToBootLoader(operation) ? sim::Personality::BootLoader : sim::Personality::Application);
    CheckNothingLeft(run, threadsBefore, descriptorsBefore);
}

void SoakRig::PlanFaults(OperationRun& run, const PortTraffic& traffic)
{
    for (const int port : run.ports) {
        if (run.number == 0 || !Chance(options_.faultRate))
            continue;
        const PortFault fault = DrawFault(run.operation, traffic, kReplyTimeoutMs, port == run.ports.front(), random_);
        if (fault.exercised)
            tally_.CountInjected();
        run.faults.emplace(port, fault);
    }
    std::string faults;
    for (const auto& [port, fault] : run.faults)
        faults += (faults.empty() ? ", faults " : "; ") + std::to_string(port) + ": " + fault.description;
    const std::string name = run.number > 0 ? "operation " + std::to_string(run.number) : std::string("warm-up");
    std::printf("%s: %s on %zu port(s)%s\n", name.c_str(), OperationName(run.operation), run.ports.size(),
                faults.c_str());
}

void SoakRig::PrepareModules(const OperationRun& run, sim::Personality personality)
{
    for (const int port : run.ports) {
        sim::VirtualModule& module = modules_->Module(static_cast<size_t>(port));
        const PortFault* fault = FaultOf(run, port);
        if (module.Running() != personality || fault != nullptr)
            Restart(run, port, personality);
        module.SetFaults(fault != nullptr ? fault->faults : sim::Faults{});
        if (fault != nullptr && fault->unplug == PortFault::Unplug::Before)
            links_->Remove(static_cast<size_t>(port));
        if (fault != nullptr && fault->unplug == PortFault::Unplug::During)
            pullWhenHungUp_.push_back(port);
        // A stuck flash bit reads as stuck from now on, whatever the operation.
        model_[static_cast<size_t>(port)] = ReadMemory(module);
    }
}

const PortFault* SoakRig::FaultOf(const OperationRun& run, int port) const
{
    const auto found = run.faults.find(port);
    return found != run.faults.end() ? &found->second : nullptr;
}

void SoakRig::Connect(OperationRun& run, const QString& baudRate)
{
    CFlashkitSheet& sheet = driver_->Sheet();
    const SheetControls& controls = sheet.Controls();
    controls.baudRate->setCurrentText(baudRate);
    for (int port = 0; port < sheet.PortCount(); ++port)
        controls.portList->SetChecked(port, std::find(run.ports.begin(), run.ports.end(), port) != run.ports.end());
    controls.connect->click();
    run.noneOpened = std::all_of(run.ports.begin(), run.ports.end(),
                                 [this, &run](int port) { return Unplugged(run, port); });
    if (run.noneOpened && MessageCount(run, kNoPortOpened) != 1)
        Fail(run, -1, std::string("Connection with no port to open must say \"") + kNoPortOpened + "\" once");
    for (const int port : run.ports) {
        const bool unplugged = Unplugged(run, port);
        if (sheet.Ports().IsOpen(port) == unplugged)
            Fail(run, port, (unplugged ? "opened unplugged: " : "did not open on Connection: ") +
                                controls.portList->StatusText(port).toStdString());
    }
}

bool SoakRig::Unplugged(const OperationRun& run, int port) const
{
    const PortFault* fault = FaultOf(run, port);
    return fault != nullptr && fault->unplug == PortFault::Unplug::Before;
}

void SoakRig::PullHungUpAdapters()
{
    for (auto it = pullWhenHungUp_.begin(); it != pullWhenHungUp_.end();) {
        if (modules_->Module(static_cast<size_t>(*it)).HungUp()) {
            links_->Remove(static_cast<size_t>(*it));
            it = pullWhenHungUp_.erase(it);
        } else {
            ++it;
        }
    }
}

size_t SoakRig::RecordLines() const
{
    size_t lines = 0;
    std::error_code error;
    for (const auto& file : std::filesystem::directory_iterator(folder_.File("records"), error)) {
        std::ifstream in(file.path());
        lines += static_cast<size_t>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
    }
    return lines;
}

std::vector<std::string> SoakRig::MessagesSince(const OperationRun& run) const
{
    const std::vector<std::string>& all = driver_->Messages();
    return {all.begin() + static_cast<long>(std::min(run.messagesBefore, all.size())), all.end()};
}

int SoakRig::MessageCount(const OperationRun& run, const std::string& text) const
{
    const std::vector<std::string> messages = MessagesSince(run);
    return static_cast<int>(std::count(messages.begin(), messages.end(), text));
}

bool SoakRig::RunWindow(OperationRun& run, QDialog& window, const std::string& name, const char* button,
                        const std::function<bool()>& pressWhen, const std::function<void()>& start)
{
    bool pressed = false;
    QTimer operatorEye;
    operatorEye.setInterval(10);
    QObject::connect(&operatorEye, &QTimer::timeout, [&] {
        PullHungUpAdapters();
        if (pressed || !window.isVisible() || !pressWhen())
            return;
        pressed = true;
        window.findChild<QAbstractButton*>(QString::fromLatin1(button))->click();
    });
    operatorEye.start();
    driver_->ArmWatchdog(kWatchdogMs);
    start();
    driver_->DisarmWatchdog();
    if (driver_->WatchdogFired()) {
        run.hung = true;
        tally_.CountHang();
        Fail(run, -1, "the " + name + " had not ended after " + std::to_string(kWatchdogMs / 1000) + " s");
    }
    return pressed;
}

std::vector<SoakRig::RowOutcome> SoakRig::RunInStatusWindow(OperationRun& run, const std::function<void()>& start)
{
    CFlashkitSheet& sheet = driver_->Sheet();
    StatusWindow& window = sheet.Status();
    const ProgressListCtrl& list = *window.List();
    const auto finished = [&sheet](int port) { return sheet.Dispatcher().Slot(port).finished; };
    statusRows_->Clear();
    // A run with a failed port never ends by itself: once every port has
    // finished or failed for good (its time-out, if one follows, included),
    // the window is closed with its button. A run whose ports all finished
    // must close by itself.
    const auto everyPortOverOneFailed = [&] {
        bool anyFailed = false;
        for (const int port : run.ports) {
            const bool failed = list.RowColour(port) == row_colour::kRed;
            if (!(finished(port) || failed) || (sheet.Ports().IsOpen(port) && sheet.Ports().AwaitingReply(port)))
                return false;
            anyFailed = anyFailed || failed;
        }
        return anyFailed;
    };
    const bool pressed = RunWindow(run, window, "status window", "2", everyPortOverOneFailed, start);

    std::vector<RowOutcome> rows(static_cast<size_t>(sheet.PortCount()));
    if (run.hung)
        return rows;
    bool allFinished = true;
    for (const int port : run.ports) {
        RowOutcome& row = rows[static_cast<size_t>(port)];
        // What the operator sees decides: a "Completed!" row is judged as a
        // port whose work was done, and its module's memory must show it.
        row.finished = list.CellText(port, 3) == QStringLiteral("Completed!");
        row.texts = statusRows_->Texts(port);
        if (row.finished != finished(port))
            Fail(run, port, std::string("its row and the run disagree on whether it finished"));
        allFinished = allFinished && row.finished;
        const std::string last = list.CellText(port, 3).toStdString();
        if (row.finished && (last != "Completed!" || list.RowColour(port) != row_colour::kBlue))
            Fail(run, port, "finished, but its row shows \"" + last + "\" and is not blue");
        if (!row.finished && list.RowColour(port) != row_colour::kRed)
            Fail(run, port, "did not finish, but its row shows \"" + last + "\" and is not red");
    }
    if (allFinished && window.result() != QDialog::Accepted)
        Fail(run, -1, "every port finished, but the status window did not close by itself");
    if (!allFinished && !pressed)
        Fail(run, -1, "a port failed, but the status window closed by itself");
    return rows;
}

void SoakRig::Judge(OperationRun& run, int port, const Expectation& expected, bool finished,
                    const std::vector<std::string>& shown)
{
    const PortFault* fault = FaultOf(run, port);
    const bool exercised = fault != nullptr && fault->exercised;
    const std::string what = fault != nullptr ? "with its module " + fault->description : "with a sound module";
    if (!finished)
        run.failed.insert(port);
    if (expected.outcome == Outcome::Succeed || (expected.outcome == Outcome::Either && finished)) {
        if (!finished)
            Fail(run, port, what + " it failed, showing " + Quoted(shown));
        else if (exercised)
            tally_.CountSurvived();
        return;
    }
    if (finished) {
        tally_.CountUnearnedCompletion();
        Fail(run, port, what + " it finished: the fault went unnoticed");
        return;
    }
    const bool said = std::any_of(shown.begin(), shown.end(), [&expected](const std::string& text) {
        return expected.prefix ? text.rfind(expected.failureText, 0) == 0 : text == expected.failureText;
    });
    if (expected.failureText.empty() ? shown.empty() : !said) {
        Fail(run, port, what + " it had to show \"" + expected.failureText + "\" but showed " + Quoted(shown));
        return;
    }
    if (exercised)
        tally_.CountDetected();
}

void SoakRig::CheckMemory(const OperationRun& run, int port, const ModuleMemory& expected)
{
    const size_t wrong = DifferingBytes(expected, ReadMemory(modules_->Module(static_cast<size_t>(port))));
    if (wrong == 0)
        return;
    tally_.CountWrongBytes(wrong);
    Fail(run, port, std::to_string(wrong) + " byte(s) of the module's memory are not what the operation left there");
}

void SoakRig::EndOperation(OperationRun& run, sim::Personality personality)
{
    CFlashkitSheet& sheet = driver_->Sheet();
    if (sheet.Controls().disconnect->isEnabled())
        sheet.Controls().disconnect->click();
    // Between two operations the program's main event loop runs and deletes
    // what the windows gave up with deleteLater (the rows' progress bars);
    // this program works the sheet from outside any event loop, so it does
    // that itself, or they would pile up as if leaked.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (int port = 0; port < sheet.PortCount(); ++port) {
        if (sheet.Ports().IsOpen(port))
            Fail(run, port, "still open after Disconnection");
    }
    std::set<int> reset = run.failed;
    for (const auto& [port, fault] : run.faults)
        reset.insert(port);
    if (run.hung)
        reset.insert(run.ports.begin(), run.ports.end());
    for (const int port : reset) {
        modules_->Module(static_cast<size_t>(port)).SetFaults({});
        Restart(run, port, personality);
    }
    // Checked modules hold what they should; failed ones hold what the
    // failure left, and the next operation starts from that. Their logs are
    // of no more use, and would only grow.
    for (size_t port = 0; port < model_.size(); ++port) {
        model_[port] = ReadMemory(modules_->Module(port));
        modules_->Module(port).ClearRequests();
    }
    // The upload says its time-out in a message, the record read its end;
    // any other message means the operation did not go as planned.
    const std::string expected = run.operation == Operation::ParameterUpload ? TimeOutText(run.operation)
                                 : run.operation == Operation::RecordRead   ? kRecordsRead
                                 : run.operation == Operation::RomDownload  ? kFirmwareChanged
                                                                             : "";
    const size_t records = RecordLines();
    const size_t wanted = run.records >= 0 ? static_cast<size_t>(run.records) : run.ports.size();
    if (!run.hung && records - recordLinesBefore_ != wanted)
        Fail(run, -1, "left " + std::to_string(records - recordLinesBefore_) + " record lines for " +
                          std::to_string(wanted) + " ports");
    recordLinesBefore_ = records;
    pullWhenHungUp_.clear();
    for (const std::string& message : MessagesSince(run)) {
        const bool refusal = !run.refusal.empty() && message.rfind(run.refusal, 0) == 0;
        if (message != expected && !refusal && !(run.noneOpened && message == kNoPortOpened))
            Fail(run, -1, "unexpected message \"" + message + "\"");
    }
}

void SoakRig::CheckNothingLeft(const OperationRun& run, int threadsBefore, size_t descriptorsBefore)
{
    // Our threads are joined when their port closes; Qt may end a worker of
    // its own a little later, so the count is given a moment to settle.
    if (!Within(kSettleMs, [threadsBefore] { return ThreadsToAccountFor() <= threadsBefore; }))
        Fail(run, -1, std::to_string(ThreadsToAccountFor() - threadsBefore) + " thread(s) more than before it");
    std::set<std::string> terminals;
    for (size_t port = 0; port < model_.size(); ++port)
        terminals.insert(modules_->Module(port).Path());
    for (const auto& [fd, target] : bench::OpenDescriptors()) {
        if (terminals.count(target) != 0)
            Fail(run, -1, "descriptor " + std::to_string(fd) + " is still open on " + target);
    }
    if (!Within(kSettleMs, [descriptorsBefore] { return bench::OpenDescriptors().size() <= descriptorsBefore; }))
        Fail(run, -1, std::to_string(bench::OpenDescriptors().size() - descriptorsBefore) +
                          " descriptor(s) more than before it");
    for (size_t port = 0; port < model_.size(); ++port) {
        const std::string held = bench::PortHeldReason(links_->LinkPath(port));
        if (!held.empty())
            Fail(run, static_cast<int>(port), "another program could not take the port: " + held);
    }
}

}  // namespace veltra::soak
