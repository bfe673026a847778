#include "data/DatasetModel.h"

#include "base/Errors.h"
#include "data/Dataset.h"

DatasetModel::DatasetModel(Dataset &dataset, QList<ColumnSpec> columns, Dialogs &dialogs, QObject *parent)
    : QAbstractTableModel(parent)
    , m_dataset(dataset)
    , m_columns(std::move(columns))
    , m_dialogs(dialogs)
{
    connect(&m_dataset, &Dataset::reset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(&m_dataset, &Dataset::rowChanged, this,
            [this](int row) { Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1)); });
    connect(&m_dataset, &Dataset::rowInserted, this, [this](int row) {
        beginInsertRows({}, row, row);
        endInsertRows();
    });
    connect(&m_dataset, &Dataset::rowAboutToBeRemoved, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(&m_dataset, &Dataset::rowRemoved, this, [this](int) { endRemoveRows(); });
}

int DatasetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_dataset.recordCount();
}

int DatasetModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(m_columns.isEmpty() ? m_dataset.fieldNames().size() : m_columns.size());
}

int DatasetModel::datasetColumn(int column) const
{
    return m_columns.isEmpty() ? column : m_dataset.fieldIndex(m_columns.value(column).field);
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (!m_columns.isEmpty() && m_columns.at(index.column()).text) {
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        return m_columns.at(index.column()).text(index.row());
    }
    const int column = datasetColumn(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return m_dataset.displayText(index.row(), column);
        case Qt::EditRole:
        case Qt::ToolTipRole:
            return m_dataset.valueAt(index.row(), column);
        default:
            return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_columns.isEmpty() ? m_dataset.fieldNames().value(section) : m_columns.value(section).title;
    return {};
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const bool computed = index.isValid() && !m_columns.isEmpty() && m_columns.at(index.column()).text;
    if (m_editable && index.isValid() && !computed)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool DatasetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    // The grid edits the row directly; a refusal is shown and the row keeps its value.
    return guarded(m_dialogs, [&] {
        m_dataset.setCurrentRow(index.row());
        m_dataset.edit();
        try {
            m_dataset.setValue(m_dataset.fieldNames().value(datasetColumn(index.column())), value);
            m_dataset.post();
        } catch (...) {
            m_dataset.cancel();
            throw;
        }
    });
}
