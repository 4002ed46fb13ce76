#include "SmoothProgressBar.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace veltra {

SmoothProgressBar::SmoothProgressBar(QWidget* parent) : QProgressBar(parent)
{
    // Every pixel is painted here: what lies beneath need not be painted first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// A style may clear the attribute when it polishes a widget (Fusion does, for
// its rounded corners), and then each step of a row's bar had the list beneath
// it paint its cell first, which cost more than the bar itself.
bool SmoothProgressBar::event(QEvent* event)
{
    const bool handled = QProgressBar::event(event);
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange)
        setAttribute(Qt::WA_OpaquePaintEvent);
    return handled;
}

void SmoothProgressBar::paintEvent(QPaintEvent* /*event*/)
{
    // The border is the whole rectangle filled, then covered inside: a filled
    // rectangle costs the raster engine a fraction of a stroked one.
    QPainter painter(this);
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(rect(), palette().color(QPalette::Mid));
    painter.fillRect(inside, palette().base());
    const qint64 span = static_cast<qint64>(maximum()) - minimum();
    if (span <= 0 || inside.width() <= 0)
        return;
    const qint64 done = std::clamp<qint64>(static_cast<qint64>(value()) - minimum(), 0, span);
    const auto width = static_cast<int>(inside.width() * done / span);
    if (width > 0)
        painter.fillRect(QRect(inside.left(), inside.top(), width, inside.height()), palette().highlight());
}

}  // namespace veltra
