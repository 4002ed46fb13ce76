#include "RowHistory.h"

#include <QTableWidget>

namespace veltra::soak {

RowHistory::RowHistory(QTableWidget& list, int column)
{
    connection_ = QObject::connect(list.model(), &QAbstractItemModel::dataChanged, &list,
                                   [this, &list, column](const QModelIndex& first, const QModelIndex& last) {
                                       if (column >= first.column() && column <= last.column())
                                           Note(list, column, first.row(), last.row());
                                   });
}

RowHistory::~RowHistory()
{
    QObject::disconnect(connection_);
}

void RowHistory::Note(const QTableWidget& list, int column, int firstRow, int lastRow)
{
    for (int row = firstRow; row <= lastRow; ++row) {
        const QTableWidgetItem* cell = list.item(row, column);
        const std::string text = cell != nullptr ? cell->text().toStdString() : std::string();
        if (text.empty())
            continue;
        if (texts_.size() <= static_cast<size_t>(row))
            texts_.resize(static_cast<size_t>(row) + 1);
        std::vector<std::string>& shown = texts_[static_cast<size_t>(row)];
        if (shown.empty() || shown.back() != text)
            shown.push_back(text);
    }
}

std::vector<std::string> RowHistory::Texts(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < texts_.size() ? texts_[static_cast<size_t>(row)]
                                                                  : std::vector<std::string>();
}

}  // namespace veltra::soak
