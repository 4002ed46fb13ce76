#include "RunController.h"

#include "SignalWatch.h"

#include <QTimer>

namespace veltra::cli {

RunController::RunController(Session& session, Operation& operation, RunOutput& output)
    : session_(session), operation_(operation), output_(output),
      tracker_(session.engine.Ports(), session.targets,
               CaptionSet::ForCountry(session.options.root, session.country, CaptionReader::StatusWindow), output),
      log_(session.options.root)
{
    session_.engine.Dispatcher().SetObserver(&tracker_);
    session_.engine.Dispatcher().AddResultListener([this](const PortResult& result) { OnResult(result); });
    session_.engine.Ports().SetListener(this);
}

RunController::~RunController()
{
    session_.engine.Ports().SetListener(nullptr);
    session_.engine.Dispatcher().SetObserver(nullptr);
}

void RunController::PortStateChanged(int /*port*/, PortState state, const std::string& /*reason*/)
{
    anyOpened_ = anyOpened_ || state == PortState::Open;
}

ExitStatus RunController::Run()
{
    const auto start = std::chrono::steady_clock::now();
    for (int port = 0; port < static_cast<int>(session_.targets.size()); ++port)
        pending_.insert(port);
    SignalWatch stopSignals([this] { Interrupt(); });
    QTimer::singleShot(0, [this] { StartAttempt(); });
    loop_.exec();

    ExitStatus status = ExitStatus::Failed;
    if (interrupted_)
        status = ExitStatus::Interrupted;
    else if (failed_ == 0)
        status = ExitStatus::Passed;
    else if (!anyOpened_)
        status = ExitStatus::NoPort;
    RunSummary summary;
    summary.operation = session_.options.command;
    summary.ports = static_cast<int>(session_.targets.size());
    summary.passed = passed_;
    summary.failed = failed_;
    summary.interrupted = interrupted_;
    summary.exitStatus = static_cast<int>(status);
    summary.ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    output_.Summary(summary);
    return status;
}

void RunController::StartAttempt()
{
    if (SignalWatch::Caught()) {
        Interrupt();
        return;
    }
    ++attempt_;
    tracker_.BeginAttempt(attempt_, operation_.ReadRows());
    PortBank& bank = session_.engine.Ports();
    for (int port = 0; port < bank.PortCount(); ++port)
        bank.SetSelected(port, pending_.count(port) > 0);
    awaiting_ = static_cast<int>(pending_.size());
    operation_.Start([this](const PortResult& result) { OnResult(result); });
}

// Called by the engine in the middle of its work: whatever comes next starts
// from the event loop.
void RunController::OnResult(const PortResult& engineResult)
{
    if (finished_)
        return;
    PortResult result = engineResult;
    // Some operations show a port that would not open only as timed out; here
    // no port list shows the reason beside it. An open that worked clears it.
    const bool notOpened = !result.ok && !session_.engine.Ports().OpenError(result.port).empty();
    if (notOpened)
        result.failure = session_.CannotOpen(result.port);
    if (const std::string message = log_.Record(result); !message.empty() && !logWarned_) {
        Say(message);
        logWarned_ = true;
    }
    const bool passed = result.ok;
    if (passed)
        operation_.Complete(result);
    PortView view = tracker_.Final(result);
    if (notOpened)
        view.row = " - " + result.failure + " ";
    if (passed || attempt_ > session_.options.retry || interrupted_)
        Report(view, result);
    else
        lastFailure_[result.port] = {view, result};
    if (--awaiting_ == 0 && !interrupted_) {
        QTimer::singleShot(0, [this] {
            if (finished_)
                return;
            if (pending_.empty())
                Finish();
            else
                StartAttempt();
        });
    }
}

void RunController::Report(const PortView& view, const PortResult& result)
{
    pending_.erase(result.port);
    lastFailure_.erase(result.port);
    (result.ok ? passed_ : failed_)++;
    output_.Result(view, result, attempt_);
}

// The ports still running end as interrupted, those waiting for another
// attempt with what stopped them last; then every port is closed.
void RunController::Interrupt()
{
    if (finished_ || interrupted_)
        return;
    interrupted_ = true;
    session_.engine.StopRun("interrupted");
    while (!lastFailure_.empty()) {
        const Failure failure = lastFailure_.begin()->second;
        Report(failure.view, failure.result);
    }
    Finish();
}

void RunController::Finish()
{
    finished_ = true;
    session_.engine.Ports().CloseAll();
    loop_.quit();
}

}  // namespace veltra::cli
