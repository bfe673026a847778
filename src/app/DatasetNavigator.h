#pragma once

#include <QWidget>

class Dataset;
class Dialogs;
class QAbstractItemView;
class QToolButton;

// The button bar under a grid, working on the grid's query object. Deleting asks
// "Delete record?" first.
class DatasetNavigator : public QWidget
{
    Q_OBJECT

public:
    enum Button {
        First = 0x1, Prior = 0x2, Next = 0x4, Last = 0x8, Insert = 0x10, Delete = 0x20,
        Edit = 0x40, Post = 0x80, Cancel = 0x100, Refresh = 0x200, All = 0x3ff
    };

    DatasetNavigator(Dataset &dataset, Dialogs &dialogs, int buttons = All, QWidget *parent = nullptr);

    // The grid that shows the same query object and edits its cells in place. Insert and
    // Edit open its cell editor; every button first finishes (Cancel: drops) an open one.
    void setGrid(QAbstractItemView *grid);

    // The delete button's action: asks, then deletes the current row. Returns true when deleted.
    bool deleteCurrent();

private:
    QToolButton *addButton(const QString &name, const QString &text, const QString &tip, void (DatasetNavigator::*action)());
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

    Dataset &m_dataset;
    Dialogs &m_dialogs;
    QAbstractItemView *m_grid = nullptr;
    // The blank row stored by Insert, while it is still current and not posted.
    int m_insertedRow = -1;
};
