#pragma once

#include <QStatusBar>

class QLabel;

namespace veltra {

// Five panes: the ROM file and the parameter file, which only the module
// writes, then the Caps, Num and Scroll Lock indicators.
class StatusPanes : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusPanes(QWidget* parent);

    // False for a pane the module may not write (the indicators or no pane).
    bool SetPaneText(int pane, const QString& text);

    void RefreshLockIndicators();

private:
    QLabel* AddPane(int pane, const QString& text, bool stretches);

    QLabel* panes_[5] = {};
};

}  // namespace veltra
