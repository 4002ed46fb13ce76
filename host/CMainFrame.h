#pragma once

#include "HostCaptions.h"
#include "HostSettings.h"

#include <QList>
#include <QMainWindow>

class QAction;
class QMenu;

namespace veltra {

class CCorvidView;
class StatusPanes;

// The main window: menu, toolbar, status bar and the view the module's sheet
// covers. Every command goes to the module through the view.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(const HostSettings& settings);

    CCorvidView& View() const { return *view_; }

    std::string GetCountryCode() const;
    void LoadMenuTexts();
    void ApplyMenuTexts();
    bool SetStatusPaneText(int pane, const QString& text);

    // Asks the module for the enabled state of every toolbar command; runs
    // whenever the event loop is about to wait.
    void UpdateToolBarStates();

protected:
    bool event(QEvent* event) override;

private:
    void UpdateMenuStates(QMenu* menu);
    void UpdateCommandState(QAction* action);
    void OnCommand(int id);
    void OnModeRom(QAction* action);
    void OnModeParam(bool checked);
    void AddAccelerator(const QKeySequence& keys, int id);

    const HostSettings& settings_;
    CCorvidView* view_;
    StatusPanes* statusPanes_;
    QList<QMenu*> menus_;
    QList<QAction*> toolBarActions_;
    MenuTexts menuTexts_;
};

}  // namespace veltra
