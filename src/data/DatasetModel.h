#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>

class Dataset;
class Dialogs;

// Binds a grid to a query object: the listed fields as columns (with no list, every
// field of the query object, titled with its name), rows as the query object holds them,
// edits in place posted through the query object.
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct ColumnSpec {
        QString field;
        QString title;
        // A column of the grid's own, not of the rows: its text for each row. It cannot be
        // edited.
        std::function<QString(int row)> text = {};
    };

    DatasetModel(Dataset &dataset, QList<ColumnSpec> columns, Dialogs &dialogs, QObject *parent = nullptr);

    Dataset &dataset() const { return m_dataset; }
    void setEditable(bool editable) { m_editable = editable; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    int datasetColumn(int column) const;

    Dataset &m_dataset;
    QList<ColumnSpec> m_columns;
    Dialogs &m_dialogs;
    bool m_editable = false;
};
