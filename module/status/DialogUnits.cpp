#include "DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

namespace veltra {

namespace {

// The average width is taken over the letters, as the template system does,
// so a font whose digits or punctuation are wide does not stretch the window.
int AverageLetterWidth(const QFontMetrics& metrics)
{
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int width = metrics.horizontalAdvance(letters);
    return (width + static_cast<int>(letters.size()) / 2) / static_cast<int>(letters.size());
}

}  // namespace

DialogUnits::DialogUnits(const QWidget& dialog)
    : baseWidth_(std::max(1, AverageLetterWidth(dialog.fontMetrics()))),
      baseHeight_(std::max(1, dialog.fontMetrics().height()))
{
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const
{
    return {X(x), Y(y), X(width), Y(height)};
}

QSize DialogUnits::Size(int width, int height) const
{
    return {X(width), Y(height)};
}

int DialogUnits::X(int units) const
{
    return (units * baseWidth_ + 2) / 4;
}

int DialogUnits::Y(int units) const
{
    return (units * baseHeight_ + 4) / 8;
}

}  // namespace veltra
