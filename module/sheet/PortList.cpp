#include "PortList.h"

#include "StatusImages.h"

#include <QHeaderView>

#include <algorithm>

namespace veltra {

namespace {
constexpr int kImageRole = Qt::UserRole + 1;
}

PortList::PortList(QWidget* parent) : QTreeWidget(parent), images_(MakeStatusImages())
{
    setObjectName(QStringLiteral("4005"));
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setIconSize(QSize(31, 18));
    // Ports listed in [PORTS] EXTRA are shown by their whole path, which the
    // narrow column cuts; their ends (ttyVM0, ttyUSB1) are what tell them apart.
    setTextElideMode(Qt::ElideLeft);
    setColumnCount(3);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    setColumnWidth(0, 40);
    setColumnWidth(1, 90);
    setColumnWidth(2, 100);
}

void PortList::SetHeadings(const QString& check, const QString& port, const QString& status)
{
    setHeaderLabels({check, port, status});
}

void PortList::AddPort(const std::string& name)
{
    auto* item = new QTreeWidgetItem(this);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    item->setText(1, QString::fromStdString(name));
    item->setData(2, kImageRole, 1);
    item->setIcon(2, QIcon(images_[1]));
}

std::string PortList::PortName(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(1).toStdString() : std::string();
}

bool PortList::IsChecked(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item && item->checkState(0) == Qt::Checked;
}

void PortList::SetChecked(int row, bool checked)
{
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

int PortList::Image(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(2, kImageRole).toInt() : -1;
}

QString PortList::StatusText(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(2) : QString();
}

void PortList::SetImage(int row, int image, const QString& text)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr || image < 0 || static_cast<size_t>(image) >= images_.size())
        return;
    item->setData(2, kImageRole, image);
    item->setIcon(2, QIcon(images_[static_cast<size_t>(image)]));
    item->setText(2, text);
    item->setToolTip(2, text);
    FitColumns();
}

void PortList::FitColumns()
{
    // Measured from the texts themselves: the view's own size hints are not
    // ready until it has been laid out once, and the sheet is laid out before.
    const int minimum[] = {40, 90, 100};
    for (int column = 1; column < 3; ++column) {
        int width = minimum[column];
        for (int row = 0; row < topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = topLevelItem(row);
            const int icon = item->icon(column).isNull() ? 0 : iconSize().width() + 6;
            width = std::max(width, fontMetrics().horizontalAdvance(item->text(column)) + icon + 14);
        }
        setColumnWidth(column, width);
    }
}

int PortList::WantedWidth() const
{
    int width = 2 * frameWidth();
    for (int column = 0; column < columnCount(); ++column)
        width += columnWidth(column);
    return width;
}

void PortList::SetRow(int row, const std::string& label, const std::string& adapter)
{
    if (QTreeWidgetItem* item = topLevelItem(row)) {
        item->setText(1, QString::fromStdString(label));
        item->setToolTip(1, QString::fromStdString(adapter));
    }
    FitColumns();
}

}  // namespace veltra
