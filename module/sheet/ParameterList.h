#pragma once

#include "ParameterTable.h"

#include <QTreeWidget>

namespace veltra {

class ValueEditDelegate;

// The sheet's parameter list: the rows of the parameter table, shown and
// ticked here. The table stays the one copy of the data; the list mirrors it.
class ParameterList : public QTreeWidget {
    Q_OBJECT

public:
    ParameterList(ParameterTable& table, QWidget* parent = nullptr);
    ~ParameterList() override;

    void SetHeadings(const QStringList& headings);
    // Shows the table again after its rows were replaced.
    void ShowTable();
    // Shows one row again after its value or tick changed.
    void ShowRow(int row);
    // Flips the all-rows toggle and ticks or unticks every row but R rows.
    void ToggleAllParameters();

    // Opens the editor over the row's Value cell; the caller has checked
    // that the row may be edited.
    void BeginValueEdit(int row);
    // The editor's text becomes the row's Value, unchecked.
    void EndValueEdit(int row, const QString& text);
    bool IsEditing() const { return editRow_ >= 0; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnItemChanged(QTreeWidgetItem* item, int column);

    ParameterTable& table_;
    ValueEditDelegate* delegate_;
    int editRow_ = -1;
    bool allTicked_ = false;
    bool showing_ = false;
};

}  // namespace veltra
