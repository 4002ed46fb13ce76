#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace veltra {

// Converts the layout units of the window templates into pixels of the
// dialog's font: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QWidget& dialog);

    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

private:
    int X(int units) const;
    int Y(int units) const;

    int baseWidth_;
    int baseHeight_;
};

}  // namespace veltra
