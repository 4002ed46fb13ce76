#include "CMainFrame.h"

#include "AboutBox.h"
#include "CCorvidView.h"
#include "Commands.h"
#include "MainMenu.h"
#include "MainToolBar.h"
#include "StatusPanes.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>

namespace veltra {

CMainFrame::CMainFrame(const HostSettings& settings) : settings_(settings), menuTexts_(DefaultMenuTexts())
{
    view_ = new CCorvidView(
        settings_, [this](int pane, const QString& text) { return SetStatusPaneText(pane, text); }, this);
    setCentralWidget(view_);

    auto* toolBar = new QToolBar(this);
    toolBarActions_ = BuildMainToolBar(*toolBar);
    addToolBar(Qt::TopToolBarArea, toolBar);

    statusPanes_ = new StatusPanes(this);
    setStatusBar(statusPanes_);

    menus_ = BuildMainMenu(*menuBar(), menuTexts_);
    for (QMenu* menu : menus_) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenuStates(menu); });
        for (QAction* action : menu->actions()) {
            const int id = action->objectName().toInt();
            if (id == MODE_ROM) {
                connect(action, &QAction::triggered, this, [this, action] { OnModeRom(action); });
            } else if (id == MODE_PARAM) {
                connect(action, &QAction::triggered, this, &CMainFrame::OnModeParam);
            } else if (id != 0) {
                connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
            }
        }
    }
    for (QAction* action : toolBarActions_) {
        const int id = action->objectName().toInt();
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }

    AddAccelerator(QKeySequence(Qt::CTRL | Qt::Key_N), PARAM_INIT);
    AddAccelerator(QKeySequence(Qt::CTRL | Qt::Key_O), FILE_OPEN_HEX);
    AddAccelerator(QKeySequence(Qt::CTRL | Qt::Key_S), PARAM_SAVE);
    AddAccelerator(QKeySequence(Qt::CTRL | Qt::Key_P), FILE_OPEN_PARAM);

    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &CMainFrame::UpdateToolBarStates);

    // The form decides the window's first size.
    adjustSize();
}

std::string CMainFrame::GetCountryCode() const
{
    return ReadCountryCode(settings_.root);
}

void CMainFrame::LoadMenuTexts()
{
    menuTexts_ = ReadMenuTexts(settings_.root, settings_.country);
}

void CMainFrame::ApplyMenuTexts()
{
    RelabelMainMenu(menus_, menuTexts_);
    menuBar()->update();
}

bool CMainFrame::SetStatusPaneText(int pane, const QString& text)
{
    return statusPanes_->SetPaneText(pane, text);
}

// A status tip would cover the file panes with a temporary message, and
// those panes show only what the module sends.
bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::UpdateToolBarStates()
{
    for (QAction* action : toolBarActions_) {
        UpdateCommandState(action);
    }
}

void CMainFrame::UpdateMenuStates(QMenu* menu)
{
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            UpdateCommandState(action);
        }
    }
}

void CMainFrame::UpdateCommandState(QAction* action)
{
    if (const Command* command = FindCommand(action->objectName().toInt())) {
        action->setEnabled(view_->IsCommandEnabled(*command));
    }
}

void CMainFrame::AddAccelerator(const QKeySequence& keys, int id)
{
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [this, id] { OnCommand(id); });
}

void CMainFrame::OnCommand(int id)
{
    const Command* command = FindCommand(id);
    // A shortcut reaches here without its button or item having been
    // refreshed, so the module is asked once more.
    if (command == nullptr || !view_->IsCommandEnabled(*command)) {
        return;
    }
    switch (command->action) {
    case CommandAction::Exit:
        close();
        break;
    case CommandAction::About: {
        AboutBox about(this);
        about.exec();
        break;
    }
    default:
        view_->RunModuleCommand(command->action);
        break;
    }
}

// The check marks are the host's only memory of the modes. Choosing the ROM
// mode always leaves it checked, although the menu has just toggled it.
void CMainFrame::OnModeRom(QAction* action)
{
    action->setChecked(true);
    view_->CodeRomMode(8);
}

// The menu has already toggled the mark; `checked` is its new state.
void CMainFrame::OnModeParam(bool checked)
{
    view_->CodeParamMode(checked ? 8 : 0);
}

}  // namespace veltra
