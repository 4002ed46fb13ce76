#include "ToolbarArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace veltra {
namespace {

const QColor ink{40, 40, 48};
const QColor paper{250, 250, 244};
const QColor folder{236, 188, 64};
const QColor accent{32, 110, 200};
const QColor go{40, 150, 70};

void Page(QPainter& p, QRectF r)
{
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - 6, r.top());
    path.lineTo(r.right(), r.top() + 6);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(ink, 1.2));
    p.setBrush(paper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 6, r.top()), QPointF(r.right() - 6, r.top() + 6));
    p.drawLine(QPointF(r.right() - 6, r.top() + 6), QPointF(r.right(), r.top() + 6));
}

void Label(QPainter& p, QRectF r, const QString& text, QColor colour)
{
    QFont font = p.font();
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
}

void OpenFolder(QPainter& p, const QString& tag)
{
    p.setPen(QPen(ink, 1.2));
    p.setBrush(folder.darker(115));
    p.drawRect(QRectF(5, 8, 24, 17));
    p.setBrush(paper);
    p.drawRect(QRectF(8, 2, 20, 13));
    Label(p, QRectF(8, 2, 20, 11), tag, accent);
    QPolygonF front{{5, 25}, {9, 14}, {32, 14}, {29, 25}};
    p.setPen(QPen(ink, 1.2));
    p.setBrush(folder);
    p.drawPolygon(front);
}

void Arrow(QPainter& p, QPointF from, QPointF to, QColor colour)
{
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF{to + d * 4, to - d * 3 + n * 5, to - d * 3 - n * 5});
}

void Scale(QPainter& p, QRectF base)
{
    p.setPen(QPen(ink, 1.2));
    p.setBrush(QColor(180, 186, 196));
    p.drawRect(base);
    p.setBrush(QColor(120, 200, 140));
    p.drawRect(QRectF(base.left() + 3, base.top() + 2, base.width() / 2, base.height() - 4));
}

void Draw(QPainter& p, int picture)
{
    switch (picture) {
    case 0:  // new parameter data
        Page(p, QRectF(9, 3, 18, 25));
        p.setPen(QPen(folder.darker(130), 2));
        p.drawLine(QPointF(13, 14), QPointF(23, 14));
        p.drawLine(QPointF(18, 9), QPointF(18, 19));
        p.drawLine(QPointF(14.5, 10.5), QPointF(21.5, 17.5));
        p.drawLine(QPointF(21.5, 10.5), QPointF(14.5, 17.5));
        break;
    case 1:  // open ROM file
        OpenFolder(p, QStringLiteral("HEX"));
        break;
    case 2:  // open parameter file
        OpenFolder(p, QStringLiteral("PAR"));
        break;
    case 3:  // save parameters
        p.setPen(QPen(ink, 1.2));
        p.setBrush(accent);
        p.drawRoundedRect(QRectF(7, 3, 22, 25), 2, 2);
        p.setBrush(paper);
        p.drawRect(QRectF(11, 4, 14, 9));
        p.setBrush(QColor(200, 200, 206));
        p.drawRect(QRectF(11, 18, 14, 9));
        p.setBrush(ink);
        p.drawRect(QRectF(20, 19, 3, 6));
        break;
    case 4: {  // refresh
        p.setPen(QPen(go, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const QRectF ring(8, 5, 20, 20);
        p.drawArc(ring, 60 * 16, 270 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(go);
        p.drawPolygon(QPolygonF{{20, 2}, {27, 7.5}, {19, 11}});
        break;
    }
    case 5:  // PC to scale
        Scale(p, QRectF(6, 21, 24, 8));
        Arrow(p, QPointF(18, 2), QPointF(18, 14), accent);
        break;
    case 6:  // scale to PC
        Scale(p, QRectF(6, 21, 24, 8));
        Arrow(p, QPointF(18, 17), QPointF(18, 6), go);
        break;
    case 7:  // module test
        p.setPen(QPen(ink, 1.2));
        p.setBrush(QColor(60, 66, 76));
        p.drawRect(QRectF(9, 6, 18, 18));
        for (int i = 0; i < 4; ++i) {
            const qreal y = 8.5 + i * 4.5;
            p.drawLine(QPointF(5, y), QPointF(9, y));
            p.drawLine(QPointF(27, y), QPointF(31, y));
        }
        p.setPen(QPen(QColor(90, 220, 110), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF{{12, 15}, {16, 19}, {24, 10}});
        break;
    default: {  // show test records
        p.setPen(QPen(ink, 1.2));
        p.setBrush(paper);
        p.drawRect(QRectF(4, 4, 22, 21));
        for (int i = 1; i < 4; ++i) {
            p.drawLine(QPointF(4, 4 + i * 5.25), QPointF(26, 4 + i * 5.25));
        }
        p.drawLine(QPointF(11, 4), QPointF(11, 25));
        p.setPen(QPen(ink, 2.5));
        p.setBrush(QColor(200, 230, 255, 200));
        p.drawEllipse(QRectF(17, 14, 10, 10));
        p.drawLine(QPointF(26, 23), QPointF(32, 29));
        break;
    }
    }
}

// The disabled look is the normal picture in light grey, so both sets keep
// the same shapes.
QPixmap Greyed(const QPixmap& normal)
{
    QImage image = normal.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = 150 + qGray(line[x]) * 90 / 255;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));
        }
    }
    return QPixmap::fromImage(image);
}

}  // namespace

QIcon ToolbarIcon(int picture)
{
    QPixmap normal(ToolbarPictureSize);
    normal.fill(Qt::transparent);
    {
        QPainter p(&normal);
        p.setRenderHint(QPainter::Antialiasing);
        Draw(p, picture);
    }
    QIcon icon;
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(Greyed(normal), QIcon::Disabled);
    return icon;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int side : {16, 32, 48}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(side / 48.0, side / 48.0);
        p.setPen(QPen(ink, 2));
        p.setBrush(QColor(200, 204, 212));
        p.drawRect(QRectF(6, 10, 36, 5));
        p.drawRect(QRectF(21, 15, 6, 12));
        p.setBrush(QColor(150, 156, 168));
        p.drawRoundedRect(QRectF(4, 27, 40, 17), 3, 3);
        p.setBrush(QColor(90, 210, 120));
        p.drawRect(QRectF(10, 31, 20, 9));
        p.setBrush(accent);
        p.drawEllipse(QRectF(33, 32, 6, 6));
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace veltra
