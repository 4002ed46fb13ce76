#pragma once

#include <QTableWidget>

#include <string>
#include <vector>

class QProgressBar;

namespace veltra {

// Row colours as the rows carry them: red-green-blue values with red in the
// low byte.
namespace row_colour {
constexpr int kBlack = 0;
constexpr int kRed = 0x0000FF;
constexpr int kBlue = 0xFF0000;
}  // namespace row_colour

// A report-style list whose rows each carry a colour and an embedded progress
// bar. The colour shows only in the coloured column.
class ProgressListCtrl : public QTableWidget {
    Q_OBJECT
public:
    explicit ProgressListCtrl(QWidget* parent = nullptr);

    // Forgets every row and bar and sets up `headings` with their widths.
    void Reset(const std::vector<std::pair<QString, int>>& headings);
    // Appends `count` rows and returns the index of the first. All at once:
    // a visible table lays itself out again for every row inserted, which
    // for 64 ports held up a run's first requests by about 20 ms.
    int AppendRows(int count);
    void SetCellText(int row, int column, const QString& text);
    QString CellText(int row, int column) const;

    // A bar of its own for `row` in `column`, named `id`. It is an index
    // widget, so it moves with its row as soon as the list scrolls.
    void AddProgressBar(int row, int column, int id);
    QProgressBar* ProgressBar(int row) const;

    // Kind 1 black, 2 red, 3 blue; other kinds change nothing.
    void SetRowColour(int row, int kind);
    int RowColour(int row) const;
    void SetColouredColumn(int column);

private:
    void PaintColouredCell(int row);

    std::vector<QProgressBar*> bars_;
    int colouredColumn_ = -1;
};

}  // namespace veltra
