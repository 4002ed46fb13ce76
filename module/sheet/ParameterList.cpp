#include "ParameterList.h"

#include <QHeaderView>

namespace veltra {

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

ParameterList::ParameterList(ParameterTable& table, QWidget* parent) : QTreeWidget(parent), table_(table)
{
    setObjectName(QStringLiteral("4027"));
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setColumnCount(8);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    const int widths[] = {40, 40, 55, 55, 280, 40, 60, 100};
    for (int column = 0; column < 8; ++column)
        setColumnWidth(column, widths[column]);
    // DESC#, HEX# and Size are there for the program, not for the reader.
    for (const int hidden : {2, 3, 5})
        setColumnWidth(hidden, 0);
    connect(this, &QTreeWidget::itemChanged, this, &ParameterList::OnItemChanged);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (column == 0)
            ToggleAllParameters();
    });
}

void ParameterList::SetHeadings(const QStringList& headings)
{
    setHeaderLabels(headings);
}

void ParameterList::ShowTable()
{
    showing_ = true;
    clear();
    for (size_t row = 0; row < table_.rows.size(); ++row) {
        auto* item = new QTreeWidgetItem(this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    }
    showing_ = false;
    for (int row = 0; row < static_cast<int>(table_.rows.size()); ++row)
        ShowRow(row);
}

void ParameterList::ShowRow(int row)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || row >= static_cast<int>(table_.rows.size()))
        return;
    const ParameterEntry& entry = table_.rows[static_cast<size_t>(row)];
    showing_ = true;
    item->setCheckState(0, entry.checked ? Qt::Checked : Qt::Unchecked);
    item->setText(1, Text(entry.id));
    item->setText(2, Text(entry.decimalAddress));
    item->setText(3, Text(entry.hexAddress));
    item->setText(4, Text(entry.name));
    item->setText(5, Text(entry.size));
    item->setText(6, Text(entry.type));
    item->setText(7, Text(entry.value));
    showing_ = false;
}

void ParameterList::OnItemChanged(QTreeWidgetItem* item, int column)
{
    if (showing_ || column != 0)
        return;
    const int row = indexOfTopLevelItem(item);
    if (row >= 0 && row < static_cast<int>(table_.rows.size()))
        table_.rows[static_cast<size_t>(row)].checked = item->checkState(0) == Qt::Checked;
}

void ParameterList::ToggleAllParameters()
{
    allTicked_ = !allTicked_;
    for (size_t row = 0; row < table_.rows.size(); ++row) {
        if (table_.rows[row].type != "R")
            table_.rows[row].checked = allTicked_;
        ShowRow(static_cast<int>(row));
    }
}

}  // namespace veltra
