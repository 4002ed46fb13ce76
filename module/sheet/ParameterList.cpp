#include "ParameterList.h"

#include "ValueEditDelegate.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

namespace veltra {

namespace {

constexpr int kValueColumn = 7;

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

ParameterList::ParameterList(ParameterTable& table, QWidget* parent)
    : QTreeWidget(parent), table_(table), delegate_(new ValueEditDelegate(this))
{
    setObjectName(QStringLiteral("4027"));
    // Only the Value cell is ever edited, and only when BeginValueEdit allows it.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(delegate_);
    delegate_->SetEditEnded([this](int row, const QString& text) { EndValueEdit(row, text); });
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

ParameterList::~ParameterList()
{
    // The editor may be released after this list is gone.
    delegate_->SetEditEnded(nullptr);
}

void ParameterList::SetHeadings(const QStringList& headings)
{
    setHeaderLabels(headings);
}

void ParameterList::ShowTable()
{
    showing_ = true;
    // The rows are new: an edit still open belonged to a row that is gone.
    editRow_ = -1;
    clear();
    for (size_t row = 0; row < table_.rows.size(); ++row) {
        auto* item = new QTreeWidgetItem(this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
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

void ParameterList::BeginValueEdit(int row)
{
    if (row < 0 || row >= static_cast<int>(table_.rows.size()) || IsEditing())
        return;
    ShowRow(row);
    editRow_ = row;
    setCurrentItem(topLevelItem(row), kValueColumn);
    edit(model()->index(row, kValueColumn));
}

void ParameterList::EndValueEdit(int row, const QString& text)
{
    if (row != editRow_)
        return;
    editRow_ = -1;
    table_.rows[static_cast<size_t>(row)].value = text.toStdString();
    ShowRow(row);
}

// A double click goes by the transfer mask, which also covers [LOG] rows.
void ParameterList::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    const int row = indexOfTopLevelItem(itemAt(event->position().toPoint()));
    if (row < 0 || row >= static_cast<int>(table_.rows.size()))
        return;
    const size_t at = static_cast<size_t>(row);
    const bool masked = at < table_.transferMask.size() && table_.transferMask[at] == 0;
    if (table_.rows[at].type != "R" && !masked)
        BeginValueEdit(row);
}

void ParameterList::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || state() == QAbstractItemView::EditingState) {
        QTreeWidget::keyPressEvent(event);
        return;
    }
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty())
        return;
    const int row = indexOfTopLevelItem(selected.front());
    if (row < 0 || row >= static_cast<int>(table_.rows.size()))
        return;
    const ParameterEntry& entry = table_.rows[static_cast<size_t>(row)];
    if (entry.type != "R" && ParameterTag(entry.name) != "LOG")
        BeginValueEdit(row);
}

}  // namespace veltra
