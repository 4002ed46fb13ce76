#include "StatusImages.h"

#include <QPainter>

namespace veltra {

namespace {

// A small connector plug with a coloured lamp: enough to tell the states apart
// at a glance, also for people who cannot tell red from green (the lamp's
// shape differs too).
QPixmap Plug(const QColor& lamp, bool ring, bool cross)
{
    QPixmap image(31, 18);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    painter.setBrush(QColor(200, 200, 200));
    painter.drawRoundedRect(QRectF(2.5, 4.5, 15, 9), 2, 2);
    painter.drawRect(QRectF(17.5, 7.5, 3, 3));
    painter.setBrush(lamp);
    if (ring)
        painter.drawEllipse(QRectF(22.5, 3.5, 7, 7));
    else
        painter.drawRect(QRectF(22.5, 3.5, 7, 7));
    if (cross) {
        painter.setPen(QPen(QColor(150, 0, 0), 2));
        painter.drawLine(QPointF(22, 11), QPointF(30, 17));
        painter.drawLine(QPointF(30, 11), QPointF(22, 17));
    }
    return image;
}

}  // namespace

std::vector<QPixmap> MakeStatusImages()
{
    return {
        Plug(QColor(40, 180, 60), true, false),   // open
        Plug(QColor(150, 150, 150), false, false),  // closed
        Plug(QColor(240, 190, 30), true, false),  // busy
        Plug(QColor(40, 110, 220), true, false),  // initial erase done
        Plug(QColor(220, 40, 40), false, true),   // failed
        Plug(QColor(255, 255, 255), false, true), // unplugged: an empty lamp, crossed
    };
}

}  // namespace veltra
