#include "StatusPanes.h"

#include "LockKeyState.h"

#include <QLabel>
#include <QTimer>

namespace veltra {
namespace {

constexpr int lockPollMs = 250;

}  // namespace

StatusPanes::StatusPanes(QWidget* parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("59393"));
    AddPane(0, QStringLiteral("No ROM File"), true);
    AddPane(1, QStringLiteral("Default Parameter File is Opened"), true);
    AddPane(2, QStringLiteral("CAP"), false);
    AddPane(3, QStringLiteral("NUM"), false);
    AddPane(4, QStringLiteral("SCRL"), false);

    // No notification exists for the lock keys, so their LEDs are polled.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &StatusPanes::RefreshLockIndicators);
    poll->start(lockPollMs);
    RefreshLockIndicators();
}

QLabel* StatusPanes::AddPane(int pane, const QString& text, bool stretches)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("StatusPane%1").arg(pane));
    panes_[pane] = label;
    if (stretches) {
        label->setMinimumWidth(300);
        addWidget(label, 1);
    } else {
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        addPermanentWidget(label);
    }
    return label;
}

bool StatusPanes::SetPaneText(int pane, const QString& text)
{
    if (pane != 0 && pane != 1) {
        return false;
    }
    panes_[pane]->setText(text);
    panes_[pane]->repaint();
    return true;
}

void StatusPanes::RefreshLockIndicators()
{
    const LockKeys keys = ReadLockKeys();
    panes_[2]->setEnabled(keys.caps);
    panes_[3]->setEnabled(keys.num);
    panes_[4]->setEnabled(keys.scroll);
}

}  // namespace veltra
