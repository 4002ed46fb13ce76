#pragma once

#include "ExitStatus.h"
#include "Operation.h"
#include "RunOutput.h"
#include "RunTracker.h"
#include "Session.h"
#include "StationLog.h"

#include <QEventLoop>

#include <map>
#include <set>

namespace veltra::cli {

// Runs an operation on every port of the session in the event loop: again
// on the ports that failed, as often as --retry allows, until every port has
// its last word; stops everything on SIGINT or SIGTERM. Each port's result
// is printed once, and every attempt is kept in the station's records.
class RunController : public PortStateListener {
public:
    RunController(Session& session, Operation& operation, RunOutput& output);
    ~RunController() override;

    ExitStatus Run();

    void PortStateChanged(int port, PortState state, const std::string& reason) override;

private:
    struct Failure {
        PortView view;
        PortResult result;
    };

    void StartAttempt();
    void OnResult(const PortResult& engineResult);
    void Report(const PortView& view, const PortResult& result);
    void Interrupt();
    void Finish();

    Session& session_;
    Operation& operation_;
    RunOutput& output_;
    RunTracker tracker_;
    StationLog log_;
    QEventLoop loop_;
    std::set<int> pending_;  // ports without their last word
    std::map<int, Failure> lastFailure_;  // of pending ports waiting for their next attempt
    int attempt_ = 0;
    int awaiting_ = 0;  // results still to come in this attempt
    int passed_ = 0;
    int failed_ = 0;
    bool anyOpened_ = false;
    bool interrupted_ = false;
    bool finished_ = false;
    bool logWarned_ = false;
};

}  // namespace veltra::cli
