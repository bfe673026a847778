#include "broadcast/RecipientGrid.h"

#include "base/Errors.h"
#include "broadcast/Delivery.h"
#include "compose/MessageSplit.h"
#include "data/Dataset.h"
#include "widgets/DatasetGrid.h"

#include <QHeaderView>

DatasetGrid *messageGrid(Dataset &messages, QList<DatasetModel::ColumnSpec> columns, Dialogs &dialogs)
{
    auto *grid = new DatasetGrid(messages, std::move(columns), dialogs);
    // The message as it goes, and what it costs: a personal text may need more SMS than
    // its template.
    grid->setHintField(QStringLiteral("msg_send"), [](const QString &message) -> QString {
        return message + QStringLiteral("\n\n") + smsCostText(message);
    });
    grid->horizontalHeader()->setStretchLastSection(true);
    // Room for a date and a time of day, as the list fills in during a send.
    grid->setColumnWidth(0, 150);
    return grid;
}

DeliveryColumn::DeliveryColumn(Dataset &recipients, Database &database, QObject *parent)
    : QObject(parent)
    , m_recipients(recipients)
    , m_database(database)
{
    // Not at each row a send marks: the owner reads it again when the run ends.
    connect(&recipients, &Dataset::reset, this, &DeliveryColumn::reload);
}

QString DeliveryColumn::textAt(int row) const
{
    return m_byRow.value(m_recipients.valueAt(row, m_recipients.fieldIndex(QStringLiteral("id"))).toLongLong());
}

void DeliveryColumn::reload()
{
    if (!m_recipients.isOpen() || m_recipients.isEmpty()) {
        m_byRow.clear();
        Q_EMIT changed();
        return;
    }
    const QString project = m_recipients.valueAt(0, m_recipients.fieldIndex(QStringLiteral("project_name"))).toString();
    try {
        m_byRow = deliveriesOf(m_database, project).byRow;
    } catch (const BrivoraError &) {
        // The list's own reading has just met the same refusal and shown it: the column
        // shows nothing rather than what it read before.
        m_byRow.clear();
    }
    Q_EMIT changed();
}

DatasetGrid *recipientGrid(Dataset &recipients, DeliveryColumn &delivery, Dialogs &dialogs)
{
    auto *grid = messageGrid(recipients,
                             {{QStringLiteral("date_send"), QStringLiteral("Send Date")},
                              {QStringLiteral("mobile_number"), QStringLiteral("Mobile Number")},
                              {QStringLiteral("name"), QStringLiteral("Name")},
                              {QStringLiteral("group_name"), QStringLiteral("Group")},
                              {QString(), QStringLiteral("Delivery"), [&delivery](int row) { return delivery.textAt(row); }},
                              {QStringLiteral("msg_send"), QStringLiteral("SMS Message")}},
                             dialogs);
    QObject::connect(&delivery, &DeliveryColumn::changed, grid, [grid] { grid->viewport()->update(); });
    return grid;
}
