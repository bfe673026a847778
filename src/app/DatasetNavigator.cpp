#include "app/DatasetNavigator.h"

#include "app/Dialogs.h"
#include "app/Errors.h"
#include "data/Dataset.h"

#include <QHBoxLayout>
#include <QToolButton>

DatasetNavigator::DatasetNavigator(Dataset &dataset, Dialogs &dialogs, int buttons, QWidget *parent)
    : QWidget(parent)
    , m_dataset(dataset)
    , m_dialogs(dialogs)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    struct Spec { Button button; const char *name; const char *text; const char *tip; void (DatasetNavigator::*action)(); };
    const Spec specs[] = {
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
    for (const Spec &spec : specs)
        if (buttons & spec.button)
            layout->addWidget(addButton(QString::fromLatin1(spec.name), QString::fromUtf8(spec.text),
                                        QString::fromLatin1(spec.tip), spec.action));
    layout->addStretch();
}

QToolButton *DatasetNavigator::addButton(const QString &name, const QString &text, const QString &tip,
                                         void (DatasetNavigator::*action)())
{
    auto *button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setFixedSize(24, 20);
    connect(button, &QToolButton::clicked, this, [this, action] { guarded(m_dialogs, [&] { (this->*action)(); }); });
    return button;
}

bool DatasetNavigator::deleteCurrent()
{
    if (!m_dataset.isOpen() || m_dataset.eof())
        return false;
    if (m_dialogs.confirm(QStringLiteral("Delete record?"), Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok)
        return false;
    m_dataset.remove();
    return true;
}

void DatasetNavigator::first() { m_dataset.first(); }
void DatasetNavigator::prior() { m_dataset.setCurrentRow(std::max(0, m_dataset.currentRow() - 1)); }
void DatasetNavigator::next()
{
    if (m_dataset.currentRow() + 1 < m_dataset.recordCount())
        m_dataset.next();
}
void DatasetNavigator::last() { m_dataset.setCurrentRow(m_dataset.recordCount() - 1); }
void DatasetNavigator::insert() { m_dataset.append(); }
void DatasetNavigator::removeRow() { deleteCurrent(); }
void DatasetNavigator::edit() { m_dataset.edit(); }
void DatasetNavigator::post() { m_dataset.post(); }
void DatasetNavigator::cancel() { m_dataset.cancel(); }
void DatasetNavigator::refresh() { m_dataset.refresh(); }
