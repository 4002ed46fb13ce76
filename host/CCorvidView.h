#pragma once

#include "Commands.h"
#include "HostSettings.h"
#include "ModuleBinding.h"

#include <QLibrary>
#include <QWidget>

#include <functional>

namespace veltra {

// The main window's client area. It holds the loaded code module, whose sheet
// covers it, and routes commands and their enabled states to the module.
class CCorvidView : public QWidget {
    Q_OBJECT
public:
    // statusSink puts a text into a status-bar pane and says whether that
    // pane takes it.
    using StatusSink = std::function<bool(int pane, const QString& text)>;

    CCorvidView(const HostSettings& settings, StatusSink statusSink, QWidget* parent);

    // Loads and starts code module `number`; nothing happens when it is the
    // one already loaded.
    void LoadModule(int number);

    int ModuleNumber() const { return moduleNumber_; }

    // Whether the module lets the command run; every command is enabled while
    // no module answers.
    bool IsCommandEnabled(const Command& command) const;

    // Calls the command's entry point when the module has it.
    void RunModuleCommand(CommandAction action);

    void CodeRomMode(int checkedFlag);
    void CodeParamMode(int checkedFlag);

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const HostSettings& settings_;
    StatusSink statusSink_;
    int moduleNumber_ = 0;
    QLibrary library_;
    EntryPoints entry_;
};

}  // namespace veltra
