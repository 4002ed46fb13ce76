#pragma once

#include <QList>

class QAction;
class QToolBar;

namespace veltra {

// Fills the toolbar with its nine buttons and separators and returns the
// buttons' actions in order.
QList<QAction*> BuildMainToolBar(QToolBar& bar);

}  // namespace veltra
