#pragma once

#include <QSize>

class QFont;

namespace veltra {

// Dialog units of a template in pixels for the given dialog font: a quarter
// of the average character width across, an eighth of the line height down.
QSize DialogUnitsToPixels(QSize units, const QFont& font);

}  // namespace veltra
