#include "ProgressListCtrl.h"

#include "SmoothProgressBar.h"

#include <QHeaderView>

namespace veltra {

namespace {

constexpr int kColourRole = Qt::UserRole;

QColor ColourOf(int rowColour)
{
    switch (rowColour) {
    case row_colour::kRed:
        return Qt::red;
    case row_colour::kBlue:
        return Qt::blue;
    default:
        return Qt::black;
    }
}

}  // namespace

ProgressListCtrl::ProgressListCtrl(QWidget* parent) : QTableWidget(parent)
{
    setShowGrid(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    verticalHeader()->hide();
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setStretchLastSection(false);
}

void ProgressListCtrl::Reset(const std::vector<std::pair<QString, int>>& headings)
{
    clear();
    setRowCount(0);
    bars_.clear();
    setColumnCount(static_cast<int>(headings.size()));
    for (int column = 0; column < columnCount(); ++column) {
        const auto& [heading, width] = headings[static_cast<size_t>(column)];
        setHorizontalHeaderItem(column, new QTableWidgetItem(heading));
        setColumnWidth(column, width);
    }
}

int ProgressListCtrl::AppendRows(int count)
{
    const int first = rowCount();
    setRowCount(first + count);
    for (int row = first; row < first + count; ++row) {
        for (int column = 0; column < columnCount(); ++column) {
            auto* item = new QTableWidgetItem;
            // The first column reads like a line number, the others are centred.
            item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
            setItem(row, column, item);
        }
        item(row, 0)->setData(kColourRole, row_colour::kBlack);
        PaintColouredCell(row);
    }
    return first;
}

void ProgressListCtrl::SetCellText(int row, int column, const QString& text)
{
    if (QTableWidgetItem* cell = item(row, column))
        cell->setText(text);
}

QString ProgressListCtrl::CellText(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text() : QString();
}

void ProgressListCtrl::AddProgressBar(int row, int column, int id)
{
    auto* bar = new SmoothProgressBar;
    bar->setObjectName(QString::number(id));
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    setCellWidget(row, column, bar);
    bars_.push_back(bar);
}

QProgressBar* ProgressListCtrl::ProgressBar(int row) const
{
    if (row < 0 || static_cast<size_t>(row) >= bars_.size())
        return nullptr;
    return bars_[static_cast<size_t>(row)];
}

void ProgressListCtrl::SetRowColour(int row, int kind)
{
    QTableWidgetItem* first = item(row, 0);
    if (first == nullptr)
        return;
    switch (kind) {
    case 1:
        first->setData(kColourRole, row_colour::kBlack);
        break;
    case 2:
        first->setData(kColourRole, row_colour::kRed);
        break;
    case 3:
        first->setData(kColourRole, row_colour::kBlue);
        break;
    default:
        return;
    }
    PaintColouredCell(row);
}

int ProgressListCtrl::RowColour(int row) const
{
    const QTableWidgetItem* first = item(row, 0);
    return first != nullptr ? first->data(kColourRole).toInt() : row_colour::kBlack;
}

void ProgressListCtrl::SetColouredColumn(int column)
{
    colouredColumn_ = column;
    for (int row = 0; row < rowCount(); ++row)
        PaintColouredCell(row);
}

void ProgressListCtrl::PaintColouredCell(int row)
{
    for (int column = 0; column < columnCount(); ++column) {
        if (QTableWidgetItem* cell = item(row, column)) {
            const bool coloured = column == colouredColumn_;
            cell->setForeground(ColourOf(coloured ? RowColour(row) : row_colour::kBlack));
        }
    }
}

}  // namespace veltra
