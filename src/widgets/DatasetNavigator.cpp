#include "widgets/DatasetNavigator.h"

#include "base/Dialogs.h"
#include "base/Errors.h"
#include "data/Dataset.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QToolButton>

#include <utility>

DatasetNavigator::DatasetNavigator(Dataset &dataset, Dialogs &dialogs, int buttons, QWidget *parent)
    : QWidget(parent)
    , m_dataset(dataset)
    , m_dialogs(dialogs)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    struct ButtonEntry {
        Button button;
        const char *name;
        const char *text;
        const char *tip;
        void (DatasetNavigator::*action)();
    };
    const ButtonEntry entries[] = {
        {First, "First", "|<", "First record", &DatasetNavigator::first},
        {Prior, "Prior", "<", "Prior record", &DatasetNavigator::prior},
        {Next, "Next", ">", "Next record", &DatasetNavigator::next},
        {Last, "Last", ">|", "Last record", &DatasetNavigator::last},
        {Insert, "Insert", "+", "Insert record", &DatasetNavigator::insert},
        {Delete, "Delete", "-", "Delete record", &DatasetNavigator::removeRow},
        {Edit, "Edit", "^", "Edit record", &DatasetNavigator::edit},
        {Post, "Post", "\u2713", "Post edit", &DatasetNavigator::post},
        {Cancel, "Cancel", "x", "Cancel edit", &DatasetNavigator::cancel},
        {Refresh, "Refresh", "\u21bb", "Refresh data", &DatasetNavigator::refresh},
    };
    for (const ButtonEntry &entry : entries)
        if (buttons & entry.button)
            layout->addWidget(addButton(QString::fromLatin1(entry.name), QString::fromUtf8(entry.text),
                                        QString::fromLatin1(entry.tip), entry.action));
    layout->addStretch();

    // Leaving the inserted row, or closing the rows, settles it as a data-aware grid
    // does: kept when edited, dropped when not.
    connect(&m_dataset, &Dataset::currentRowChanged, this, [this](int row) {
        if (row != m_insertedRow)
            dropInsertIfBlank();
    });
    connect(&m_dataset, &Dataset::aboutToClose, this, &DatasetNavigator::dropInsertIfBlank);
    connect(&m_dataset, &Dataset::rowAboutToBeRemoved, this, [this] { setInsertedRow(-1); });
}

void DatasetNavigator::setInsertedRow(int row)
{
    m_insertedRow = row;
    m_insertHold.set(row >= 0);
}

void DatasetNavigator::setGrid(QAbstractItemView *grid)
{
    m_grid = grid;
}

QToolButton *DatasetNavigator::addButton(const QString &name, const QString &text, const QString &tip,
                                         void (DatasetNavigator::*action)())
{
    auto *button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setFixedSize(24, 20);
    connect(button, &QToolButton::clicked, this, [this, action] {
        guarded(m_dialogs, [&] {
            if (action == &DatasetNavigator::removeRow && m_deleteAllowed && !m_deleteAllowed())
                return;
            // An open cell editor belongs to the current row, so it is settled before the
            // row can move; Cancel drops what it holds.
            closeCellEditor(action != &DatasetNavigator::cancel);
            (this->*action)();
        });
    });
    return button;
}

bool deleteCurrentRecord(Dataset &dataset, Dialogs &dialogs)
{
    if (!dataset.isOpen() || dataset.eof())
        return false;
    if (dialogs.confirm(QStringLiteral("Delete record?"), Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok)
        return false;
    dataset.remove();
    return true;
}

void DatasetNavigator::first()
{
    m_dataset.first();
}
void DatasetNavigator::prior()
{
    m_dataset.setCurrentRow(std::max(0, m_dataset.currentRow() - 1));
}
void DatasetNavigator::next()
{
    if (m_dataset.currentRow() + 1 < m_dataset.recordCount())
        m_dataset.next();
}
void DatasetNavigator::last()
{
    m_dataset.setCurrentRow(m_dataset.recordCount() - 1);
}
void DatasetNavigator::removeRow()
{
    deleteCurrentRecord(m_dataset, m_dialogs);
}
void DatasetNavigator::refresh()
{
    m_dataset.refresh();
}

void DatasetNavigator::insert()
{
    // The grid edits stored rows in place, so the new row is stored blank at once and
    // its first cell opened; Cancel takes the row back until it is posted or left.
    m_dataset.append();
    m_dataset.post();
    setInsertedRow(m_dataset.currentRow());
    m_insertedTexts = rowTexts(m_insertedRow);
    editCell(0);
}

void DatasetNavigator::edit()
{
    if (m_dataset.isEmpty())
        insert();
    else
        editCell(m_grid ? std::max(0, m_grid->currentIndex().column()) : 0);
}

void DatasetNavigator::post()
{
    m_dataset.post();
    setInsertedRow(-1);
}

void DatasetNavigator::cancel()
{
    m_dataset.cancel();
    if (m_insertedRow >= 0 && m_insertedRow == m_dataset.currentRow())
        m_dataset.remove();
}

QStringList DatasetNavigator::rowTexts(int row) const
{
    // As the program reads fields: an empty text is as blank as NULL, so a cell editor
    // closed empty does not count as an edit.
    QStringList texts;
    for (int column = 0; column < m_dataset.fieldNames().size(); ++column)
        texts << m_dataset.valueAt(row, column).toString();
    return texts;
}

void DatasetNavigator::dropInsertIfBlank()
{
    const int row = m_insertedRow;
    setInsertedRow(-1);
    if (row >= 0 && rowTexts(row) == m_insertedTexts)
        guarded(m_dialogs, [&] { m_dataset.removeRow(row); });
}

void DatasetNavigator::editCell(int column)
{
    if (!m_grid || m_dataset.eof())
        return;
    const QModelIndex cell = m_grid->model()->index(m_dataset.currentRow(), column);
    m_grid->setCurrentIndex(cell);
    m_grid->setFocus();
    m_grid->edit(cell);
}

void DatasetNavigator::closeCellEditor(bool keep)
{
    if (!m_grid)
        return;
    const QModelIndex cell = m_grid->currentIndex();
    QWidget *editor = m_grid->indexWidget(cell);
    if (!editor)
        return;
    // What the delegate itself does on Enter (keep) or Escape (drop).
    QAbstractItemDelegate *delegate = m_grid->itemDelegateForIndex(cell);
    if (keep)
        Q_EMIT delegate->commitData(editor);
    Q_EMIT delegate->closeEditor(editor,
                                 keep ? QAbstractItemDelegate::NoHint : QAbstractItemDelegate::RevertModelCache);
}
