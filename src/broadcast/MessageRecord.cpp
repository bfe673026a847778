#include "broadcast/MessageRecord.h"

#include "data/Database.h"
#include "data/Dataset.h"

MessageRecord MessageRecord::fromColumns(const Column &column)
{
    MessageRecord record;
    record.projectName = column(QStringLiteral("project_name")).toString();
    // A query object gives a date/time; a statement, the text the column holds.
    const QVariant sent = column(QStringLiteral("date_send"));
    record.sent = sent.typeId() == QMetaType::QDateTime ? sent.toDateTime() : Database::dateTimeOf(sent);
    record.mobileNumber = column(QStringLiteral("mobile_number")).toString();
    record.name = column(QStringLiteral("name")).toString();
    record.nickname = column(QStringLiteral("nickname")).toString();
    record.groupName = column(QStringLiteral("group_name")).toString();
    record.message = column(QStringLiteral("msg_send")).toString();
    record.status = column(QStringLiteral("status")).toString();
    return record;
}

MessageRecord MessageRecord::ofRow(const Dataset &rows, int row)
{
    return fromColumns([&](const QString &name) { return rows.valueAt(row, rows.fieldIndex(name)); });
}
