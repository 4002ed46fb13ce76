#pragma once

#include <QMetaObject>

#include <string>
#include <vector>

class QTableWidget;

namespace veltra::soak {

// Every text one column of a list has shown, row by row, in order: a port's
// row may show its failure and then a later one, and a look at the end would
// see only the last.
class RowHistory {
public:
    RowHistory(QTableWidget& list, int column);
    ~RowHistory();
    RowHistory(const RowHistory&) = delete;
    RowHistory& operator=(const RowHistory&) = delete;

    void Clear() { texts_.clear(); }
    std::vector<std::string> Texts(int row) const;

private:
    void Note(const QTableWidget& list, int column, int firstRow, int lastRow);

    std::vector<std::vector<std::string>> texts_;
    QMetaObject::Connection connection_;
};

}  // namespace veltra::soak
