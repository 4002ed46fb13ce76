#pragma once

#include "RunOutput.h"

#include <QTimer>

#include <map>

namespace veltra::cli {

// For people: a line per port on standard output as the port ends and a
// summary; while the run goes, a block of one line per running port on
// standard error, redrawn in place, when standard error is a terminal.
class TextOutput : public RunOutput {
public:
    explicit TextOutput(bool showProgress);
    ~TextOutput() override;

    void PhaseStarted(const PortView& view) override;
    void Progress(const PortView& view) override;
    void Result(const PortView& view, const PortResult& result, int attempts) override;
    void Summary(const RunSummary& summary) override;

private:
    void Changed(const PortView& view);
    void Erase();
    void Draw();

    bool showProgress_;
    std::map<int, PortView> running_;
    int linesShown_ = 0;
    QTimer redraw_;
};

}  // namespace veltra::cli
