#include "ValueEditDelegate.h"

#include <QLineEdit>

namespace veltra {

void ValueEditDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const {}

void ValueEditDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (const auto* line = qobject_cast<QLineEdit*>(editor); line && editEnded_ && index.isValid())
        editEnded_(index.row(), line->text());
    QStyledItemDelegate::destroyEditor(editor, index);
}

}  // namespace veltra
