#pragma once

#include "HostCaptions.h"

#include <QList>

class QMenu;
class QMenuBar;

namespace veltra {

// Fills the menu bar with the five drop-downs as the program ships them (the
// ROM mode item checked) and returns the drop-downs in bar order.
QList<QMenu*> BuildMainMenu(QMenuBar& bar, const MenuTexts& templateTexts);

// Replaces every item's text with its caption; each item comes out enabled
// and unchecked, so neither mode item is checked after start-up.
void RelabelMainMenu(const QList<QMenu*>& menus, const MenuTexts& texts);

}  // namespace veltra
