#pragma once

#include <QStyledItemDelegate>

#include <functional>

namespace veltra {

// The parameter list's in-place editor of a Value cell. However the edit ends
// (Enter, Escape or a click elsewhere) the editor's text is handed over as it
// stands: a technician who typed a value and pressed Escape still means it.
class ValueEditDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using EditEnded = std::function<void(int row, const QString& text)>;

    explicit ValueEditDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}

    void SetEditEnded(EditEnded handler) { editEnded_ = std::move(handler); }

    // The table is the one copy of the values: the model is never written here.
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    // Every way an edit ends passes through here, Escape included.
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

private:
    EditEnded editEnded_;
};

}  // namespace veltra
