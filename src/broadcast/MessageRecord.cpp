#include "broadcast/MessageRecord.h"

#include "data/Database.h"
#include "data/Dataset.h"

MessageRecord MessageRecord::fromRow(const Dataset &row)
{
    MessageRecord record;
    record.projectName = row.text(QStringLiteral("project_name"));
    record.sent = row.dateTime(QStringLiteral("date_send"));
    record.mobileNumber = row.text(QStringLiteral("mobile_number"));
    record.name = row.text(QStringLiteral("name"));
    record.nickname = row.text(QStringLiteral("nickname"));
    record.groupName = row.text(QStringLiteral("group_name"));
    record.message = row.text(QStringLiteral("msg_send"));
    record.status = row.text(QStringLiteral("status"));
    return record;
}

qint64 MessageRecord::appendTo(Dataset &table) const
{
    // Appending needs no fresh snapshot: the row goes straight to the table.
    if (!table.isOpen())
        table.open();
    // The contact's fields are copies for the record; a nickname may be longer than
    // the record keeps, and a message already handed to the modem must still be logged.
    const TableColumns &columns = table.database().columns(table.table());
    auto fitted = [&](const QString &field, const QString &text) {
        for (const Column &column : columns)
            if (column.kind == Column::Kind::Text && column.name == field)
                return text.left(column.size);
        return text;
    };
    table.append();
    table.setValue(QStringLiteral("project_name"), projectName);
    table.setValue(QStringLiteral("date_send"), sent);
    table.setValue(QStringLiteral("mobile_number"), fitted(QStringLiteral("mobile_number"), mobileNumber));
    table.setValue(QStringLiteral("name"), fitted(QStringLiteral("name"), name));
    table.setValue(QStringLiteral("nickname"), fitted(QStringLiteral("nickname"), nickname));
    table.setValue(QStringLiteral("group_name"), fitted(QStringLiteral("group_name"), groupName));
    table.setValue(QStringLiteral("msg_send"), message);
    table.setValue(QStringLiteral("status"), status);
    table.post();
    return table.value(QStringLiteral("id")).toLongLong();
}
