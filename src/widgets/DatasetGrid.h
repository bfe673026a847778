#pragma once

#include <functional>

#include "data/Dataset.h"
#include "data/DatasetModel.h"

#include <QTableView>

class Dataset;
class Dialogs;

// A grid bound to a query object: the selected row follows the query object's current
// row and the other way round, so handlers read the selected row from the query object.
class DatasetGrid : public QTableView {
    Q_OBJECT

public:
    DatasetGrid(Dataset &dataset, QList<DatasetModel::ColumnSpec> columns, Dialogs &dialogs, QWidget *parent = nullptr);
    using QTableView::edit;

    Dataset &dataset() const { return m_model->dataset(); }
    void setEditable(bool editable);
    // Ctrl+Delete deletes the selected row after "Delete record?", when the guard (if any)
    // allows it; a guard that refuses tells why.
    void setDeleteByKeyboard(bool enabled, std::function<bool()> allowed = {})
    {
        m_deleteByKeyboard = enabled;
        m_deleteAllowed = std::move(allowed);
    }
    // The hint over the grid: the whole value of this field in the selected row, taken
    // afresh at every mouse move, wherever the pointer is; describe may add to it.
    using HintText = std::function<QString(const QString &value)>;
    void setHintField(const QString &field, HintText describe = {});

Q_SIGNALS:
    // A click on a cell, after the query object moved to its row.
    void cellClicked(int row);
    // A key released while the grid has the focus, after the row moved.
    void keyReleased(int key);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    // A cell being edited holds the query object's rows: another desk's change is shown
    // once the editor has closed.
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void followDataset(int row);

    DatasetModel *m_model;
    Dialogs &m_dialogs;
    QString m_hintField;
    HintText m_describeHint;
    std::function<bool()> m_deleteAllowed;
    bool m_deleteByKeyboard = false;
    bool m_syncing = false;
    bool m_removingRow = false;
    Dataset::Hold m_editorHold; // while a cell editor is open
};
