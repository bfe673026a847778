#include "broadcast/RecipientGrid.h"

#include "widgets/DatasetGrid.h"
#include "compose/MessageSplit.h"

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

DatasetGrid *recipientGrid(Dataset &recipients, Dialogs &dialogs)
{
    return messageGrid(recipients,
                       {{QStringLiteral("date_send"), QStringLiteral("Send Date")},
                        {QStringLiteral("mobile_number"), QStringLiteral("Mobile Number")},
                        {QStringLiteral("name"), QStringLiteral("Name")},
                        {QStringLiteral("group_name"), QStringLiteral("Group")},
                        {QStringLiteral("msg_send"), QStringLiteral("SMS Message")}},
                       dialogs);
}
