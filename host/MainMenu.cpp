#include "MainMenu.h"

#include "Commands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <iterator>

namespace veltra {
namespace {

struct MenuItem {
    int menu;
    int id;  // 0 for a separator
    MenuText text;
};

constexpr MenuText topLevel[] = {MENU_FILE, MENU_ROM, MENU_PARAMETER, MENU_MODE, MENU_HELP};
constexpr const char* topLevelNames[] = {"MENU_FILE", "MENU_ROM", "MENU_PARAMETER", "MENU_MODE", "MENU_HELP"};

constexpr MenuItem items[] = {
    {0, FILE_OPEN_HEX, TEXT_FILE_OPEN_HEX},  {0, FILE_OPEN_PARAM, TEXT_FILE_OPEN_PARAM},
    {0, 0, MenuTextCount},                   {0, FILE_EXIT, TEXT_FILE_EXIT},
    {1, ROM_DOWN, TEXT_ROM_DOWN},            {2, PARAM_UP, TEXT_PARAM_UP},
    {2, PARAM_DOWN, TEXT_PARAM_DOWN},        {3, MODE_ROM, TEXT_MODE_ROM},
    {3, MODE_PARAM, TEXT_MODE_PARAM},        {4, HELP_ABOUT, TEXT_HELP_ABOUT},
};

}  // namespace

QList<QMenu*> BuildMainMenu(QMenuBar& bar, const MenuTexts& templateTexts)
{
    bar.setObjectName(QStringLiteral("128"));
    QList<QMenu*> menus;
    for (std::size_t i = 0; i < std::size(topLevel); ++i) {
        QMenu* menu = bar.addMenu(templateTexts[topLevel[i]]);
        menu->setObjectName(QString::fromLatin1(topLevelNames[i]));
        menus.append(menu);
    }
    for (const MenuItem& item : items) {
        QMenu* menu = menus[item.menu];
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(templateTexts[item.text]);
        action->setObjectName(QString::number(item.id));
        if (item.id == MODE_ROM || item.id == MODE_PARAM) {
            action->setCheckable(true);
            action->setChecked(item.id == MODE_ROM);
        }
    }
    return menus;
}

void RelabelMainMenu(const QList<QMenu*>& menus, const MenuTexts& texts)
{
    for (std::size_t i = 0; i < std::size(topLevel); ++i) {
        menus[static_cast<qsizetype>(i)]->setTitle(texts[topLevel[i]]);
    }
    for (const MenuItem& item : items) {
        if (item.id == 0) {
            continue;
        }
        auto* action = menus[item.menu]->findChild<QAction*>(QString::number(item.id), Qt::FindDirectChildrenOnly);
        action->setText(texts[item.text]);
        action->setEnabled(true);
        action->setChecked(false);
    }
}

}  // namespace veltra
