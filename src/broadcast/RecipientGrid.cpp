#include "broadcast/RecipientGrid.h"

#include "app/DatasetGrid.h"

#include <QHeaderView>

DatasetGrid *recipientGrid(Dataset &recipients, Dialogs &dialogs)
{
    auto *grid = new DatasetGrid(recipients,
                                 {{QStringLiteral("date_send"), QStringLiteral("Send Date")},
                                  {QStringLiteral("mobile_number"), QStringLiteral("Mobile Number")},
                                  {QStringLiteral("name"), QStringLiteral("Name")},
                                  {QStringLiteral("group_name"), QStringLiteral("Group")},
                                  {QStringLiteral("msg_send"), QStringLiteral("SMS Message")}},
                                 dialogs);
    grid->setHintField(QStringLiteral("msg_send"));
    grid->horizontalHeader()->setStretchLastSection(true);
    // Room for a date and a time of day, as the list fills in during a broadcast.
    grid->setColumnWidth(0, 150);
    return grid;
}
