#pragma once

#include "CFlashkitSheet.h"
#include "ProgramFolder.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace veltra::bench {

// The real sheet on a host view of its own, worked as the operator works it:
// ports ticked, Connection clicked, file dialogs answered. Message boxes are
// answered (a question with Yes) and kept, for the caller to judge.
class SheetDriver {
public:
    explicit SheetDriver(const ProgramFolder& folder, RunTimeouts timeouts = {});
    ~SheetDriver();
    SheetDriver(const SheetDriver&) = delete;
    SheetDriver& operator=(const SheetDriver&) = delete;

    CFlashkitSheet& Sheet() { return *sheet_; }
    void TickPorts(int count);
    bool Connect();
    // Lets the sheet handle what setting it up left pending (layouts, a
    // repaint of the parameter list), as an idle event loop has done before
    // an operator clicks: otherwise the first pass of the run's own loop does
    // it, between the first request and its reply.
    void Settle();
    // File dialogs are answered with this file.
    void AnswerFileDialogWith(std::string path) { filePath_ = std::move(path); }
    // The test options dialog is answered with these items ticked, item 1
    // first ("10100001"), and OK.
    void AnswerTestOptionsWith(std::string items) { testItems_ = std::move(items); }
    // A port that times out keeps its operation window open for good: after
    // `limitMs` the window is closed with its button, as the operator would.
    void ArmWatchdog(int limitMs);
    void DisarmWatchdog() { watchdog_.stop(); }
    bool WatchdogFired() const { return watchdogFired_; }
    const std::vector<std::string>& Messages() const { return messages_; }

private:
    // Calls back whenever a window shows: dialogs are answered when they
    // open, not looked for on a timer that would wake the tool all run long.
    class ShowWatcher : public QObject {
    public:
        explicit ShowWatcher(std::function<void()> shown) : shown_(std::move(shown)) {}
        bool eventFilter(QObject* watched, QEvent* event) override;

    private:
        std::function<void()> shown_;
    };

    void Poll();
    void CloseOperationWindow();

    QWidget view_;
    CFlashkitSheet* sheet_ = nullptr;
    QTimer poll_;
    ShowWatcher showWatcher_{[this] { poll_.start(0); }};
    QTimer watchdog_;
    std::string filePath_;
    std::string testItems_;
    std::vector<std::string> messages_;
    bool watchdogFired_ = false;
};

}  // namespace veltra::bench
