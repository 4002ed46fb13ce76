#pragma once

#include "ParameterTable.h"

#include <QTreeWidget>

namespace veltra {

// The sheet's parameter list: the rows of the parameter table, shown and
// ticked here. The table stays the one copy of the data; the list mirrors it.
class ParameterList : public QTreeWidget {
    Q_OBJECT

public:
    ParameterList(ParameterTable& table, QWidget* parent = nullptr);

    void SetHeadings(const QStringList& headings);
    // Shows the table again after its rows were replaced.
    void ShowTable();
    // Shows one row again after its value or tick changed.
    void ShowRow(int row);
    // Flips the all-rows toggle and ticks or unticks every row but R rows.
    void ToggleAllParameters();

private:
    void OnItemChanged(QTreeWidgetItem* item, int column);

    ParameterTable& table_;
    bool allTicked_ = false;
    bool showing_ = false;
};

}  // namespace veltra
