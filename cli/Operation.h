#pragma once

#include "ExitStatus.h"
#include "PortResult.h"
#include "Session.h"

#include <functional>
#include <memory>

namespace veltra::cli {

// One command's part: what it reads and checks before any port is touched,
// and how it starts a run on the ports the engine has selected.
class Operation {
public:
    using Ended = std::function<void(const PortResult&)>;

    virtual ~Operation() = default;
    // Passed, or the status that refuses the run, with the reason said.
    virtual ExitStatus Prepare() = 0;
    // Starts a run. A port that cannot even start ends through `ended`; every
    // other one through the engine's result listener.
    virtual void Start(const Ended& ended) = 0;
    // What follows for a port that passed (the upload's file is saved).
    virtual void Complete(PortResult& /*result*/) {}
    // How many rows an upload reads, for its progress.
    virtual int ReadRows() const { return 0; }
};

std::unique_ptr<Operation> MakeRomOperation(Session& session);
std::unique_ptr<Operation> MakeParamsDownOperation(Session& session);
std::unique_ptr<Operation> MakeParamsUpOperation(Session& session);
std::unique_ptr<Operation> MakeTestOperation(Session& session);
std::unique_ptr<Operation> MakeRecordsOperation(Session& session);

}  // namespace veltra::cli
