#pragma once

#include <QWidget>

#include <functional>

#include "data/Dataset.h"
class Dialogs;
class QAbstractItemView;
class QToolButton;

// Asks "Delete record?", then deletes the current row of the query object; returns
// whether it did. Nothing is asked when there is no current row.
bool deleteCurrentRecord(Dataset &dataset, Dialogs &dialogs);

// The button bar under a grid, working on the grid's query object. Deleting asks
// "Delete record?" first. A row added by Insert is stored blank at once, so the grid
// can edit it in place; left blank, it is deleted again when the user moves to another
// row, presses Cancel or the rows are read again, so no empty record stays behind.
class DatasetNavigator : public QWidget {
    Q_OBJECT

public:
    enum Button {
        First = 0x1,
        Prior = 0x2,
        Next = 0x4,
        Last = 0x8,
        Insert = 0x10,
        Delete = 0x20,
        Edit = 0x40,
        Post = 0x80,
        Cancel = 0x100,
        Refresh = 0x200,
        All = 0x3ff
    };

    DatasetNavigator(Dataset &dataset, Dialogs &dialogs, int buttons = All, QWidget *parent = nullptr);

    // The grid that shows the same query object and edits its cells in place. Insert and
    // Edit open its cell editor; every button first finishes (Cancel: drops) an open one.
    void setGrid(QAbstractItemView *grid);
    // Asked before Delete; false refuses it (the guard tells why).
    void setDeleteGuard(std::function<bool()> allowed) { m_deleteAllowed = std::move(allowed); }

private:
    QToolButton *addButton(const QString &name, const QString &text, const QString &tip,
                           void (DatasetNavigator::*action)());
    void first();
    void prior();
    void next();
    void last();
    void insert();
    void removeRow();
    void edit();
    void post();
    void cancel();
    void refresh();
    void editCell(int column);
    void closeCellEditor(bool keep);
    QStringList rowTexts(int row) const;
    // Deletes the inserted row when it still holds what it was stored with.
    void dropInsertIfBlank();
    // The row inserted and not settled yet, or -1: while there is one, the query object's
    // rows are held, so that another desk's change does not move it.
    void setInsertedRow(int row);

    Dataset &m_dataset;
    Dialogs &m_dialogs;
    QAbstractItemView *m_grid = nullptr;
    // The blank row stored by Insert, while it is still current and not posted, and
    // what it held then.
    int m_insertedRow = -1;
    Dataset::Hold m_insertHold{m_dataset};
    QStringList m_insertedTexts;
    std::function<bool()> m_deleteAllowed;
};
