#include "MainToolBar.h"

#include "Commands.h"
#include "ToolbarArt.h"

#include <QAction>
#include <QToolBar>

namespace veltra {
namespace {

struct Button {
    int id;  // 0 for a separator
    const char* tip;
};

// The tips are fixed texts; translations only reach the menu.
constexpr Button buttons[] = {
    {PARAM_INIT, "Init. Parameter Data"},
    {0, nullptr},
    {TOOL_OPEN_ROM, "Open ROM File"},
    {TOOL_OPEN_PARAM, "Open Paramter File"},
    {PARAM_SAVE, "Save paramter"},
    {0, nullptr},
    {TOOL_REFRESH, "Refresh"},
    {0, nullptr},
    {TOOL_DOWNLOAD, "Download(PC to Scale)"},
    {TOOL_UPLOAD, "Upload(Scale to PC)"},
    {0, nullptr},
    {JIG_TEST, "JIG Test"},
    {JIG_SHOW, "Show JIG Test"},
};

}  // namespace

QList<QAction*> BuildMainToolBar(QToolBar& bar)
{
    bar.setObjectName(QStringLiteral("59392"));
    bar.setIconSize(ToolbarPictureSize);
    bar.setMovable(true);
    bar.setAllowedAreas(Qt::AllToolBarAreas);

    QList<QAction*> actions;
    int picture = 0;
    for (const Button& button : buttons) {
        if (button.id == 0) {
            bar.addSeparator();
            continue;
        }
        QAction* action = bar.addAction(ToolbarIcon(picture++), QString::fromLatin1(button.tip));
        const QString name = QString::number(button.id);
        action->setObjectName(name);
        action->setToolTip(QString::fromLatin1(button.tip));
        bar.widgetForAction(action)->setObjectName(name);
        actions.append(action);
    }
    return actions;
}

}  // namespace veltra
