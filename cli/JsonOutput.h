#pragma once

#include "RunOutput.h"

#include <QJsonObject>

#include <chrono>
#include <map>

namespace veltra::cli {

// JSON Lines on standard output, each line flushed as it is written so that
// a script reading along sees every event when it happens.
class JsonOutput : public RunOutput {
public:
    void PhaseStarted(const PortView& view) override;
    // At most one progress line every 250 ms per port.
    void Progress(const PortView& view) override;
    void Result(const PortView& view, const PortResult& result, int attempts) override;
    void Summary(const RunSummary& summary) override;

private:
    std::map<int, std::chrono::steady_clock::time_point> lastProgress_;
};

// One object as one line on standard output.
void PrintJsonLine(const QJsonObject& object);

}  // namespace veltra::cli
