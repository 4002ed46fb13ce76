#include "DialogUnits.h"

#include <QFontMetrics>

namespace veltra {

QSize DialogUnitsToPixels(QSize units, const QFont& font)
{
    const QFontMetrics metrics(font);
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    const int baseY = metrics.height();
    return {(units.width() * baseX + 2) / 4, (units.height() * baseY + 4) / 8};
}

}  // namespace veltra
