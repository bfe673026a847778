#include "widgets/DatasetGrid.h"

#include "base/Errors.h"
#include "data/Dataset.h"
#include "widgets/DatasetNavigator.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>

DatasetGrid::DatasetGrid(Dataset &dataset, QList<DatasetModel::ColumnSpec> columns, Dialogs &dialogs, QWidget *parent)
    : QTableView(parent)
    , m_model(new DatasetModel(dataset, std::move(columns), dialogs, this))
    , m_dialogs(dialogs)
    , m_editorHold(dataset)
{
    // A query object removing a row places its cursor itself once the row is gone; the
    // selection's move off the row on its way out must not reach it half-way. Connected
    // before the selection model exists, so that it comes first.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_removingRow = true; });
    connect(&dataset, &Dataset::rowRemoved, this, [this] { m_removingRow = false; });
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setFixedWidth(12);
    horizontalHeader()->setHighlightSections(false);

    connect(&dataset, &Dataset::currentRowChanged, this, &DatasetGrid::followDataset);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { followDataset(this->dataset().currentRow()); });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, &dialogs](const QModelIndex &current) {
                if (m_syncing || m_removingRow || !current.isValid())
                    return;
                guarded(dialogs, [&] { this->dataset().setCurrentRow(current.row()); });
            });
    // A reset or a removed row takes the editor away without closing it.
    const auto editorGone = [this] {
        if (state() != EditingState)
            m_editorHold.set(false);
    };
    connect(m_model, &QAbstractItemModel::modelReset, this, editorGone);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, editorGone);
    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { Q_EMIT cellClicked(index.row()); });
}

bool DatasetGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    const bool editing = QTableView::edit(index, trigger, event);
    if (editing && state() == EditingState)
        m_editorHold.set(true);
    return editing;
}

void DatasetGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    m_editorHold.set(false);
}

void DatasetGrid::setEditable(bool editable)
{
    m_model->setEditable(editable);
    setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                            | QAbstractItemView::AnyKeyPressed
                             : QAbstractItemView::NoEditTriggers);
}

void DatasetGrid::setHintField(const QString &field, HintText describe)
{
    m_hintField = field;
    m_describeHint = std::move(describe);
    viewport()->setMouseTracking(true);
}

void DatasetGrid::keyPressEvent(QKeyEvent *event)
{
    if (m_deleteByKeyboard && event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
        guarded(m_dialogs, [this] {
            if (!m_deleteAllowed || m_deleteAllowed())
                deleteCurrentRecord(dataset(), m_dialogs);
        });
        return;
    }
    QTableView::keyPressEvent(event);
}

bool DatasetGrid::viewportEvent(QEvent *event)
{
    if (m_hintField.isEmpty())
        return QTableView::viewportEvent(event);
    if (event->type() == QEvent::MouseMove) {
        const Dataset &rows = dataset();
        QString hint;
        if (rows.isOpen() && !rows.eof()) {
            hint = rows.text(m_hintField);
            if (m_describeHint)
                hint = m_describeHint(hint);
        }
        viewport()->setToolTip(hint);
    } else if (event->type() == QEvent::ToolTip) {
        // The selected row's hint, not the cell's under the pointer.
        const auto *help = static_cast<QHelpEvent *>(event);
        if (viewport()->toolTip().isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), viewport()->toolTip(), viewport());
        return true;
    }
    return QTableView::viewportEvent(event);
}

void DatasetGrid::keyReleaseEvent(QKeyEvent *event)
{
    QTableView::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        Q_EMIT keyReleased(event->key());
}

void DatasetGrid::followDataset(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_syncing = true;
    const QModelIndex target = m_model->index(row, std::max(0, currentIndex().column()));
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_syncing = false;
}
