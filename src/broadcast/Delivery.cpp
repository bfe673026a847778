#include "broadcast/Delivery.h"

#include "data/Database.h"
#include "modem/NetworkPdu.h"

#include <QSqlQuery>

ProjectDeliveries deliveriesOf(Database &database, const QString &projectName)
{
    struct Parts {
        bool failed = false;
        bool waiting = false;
        int failedCode = 0;
        QDateTime last;
    };
    QHash<qint64, Parts> rows;
    // The parts of each row's last send: those sent since the row's send date.
    QSqlQuery &select = database.prepared(QStringLiteral(
        "SELECT p.detail_id, p.delivery, p.delivery_code, p.delivery_time FROM sms_part p JOIN project_detail d ON "
        "d.id = p.detail_id WHERE d.project_name = ? AND p.delivery IS NOT NULL AND p.sent >= d.date_send"));
    select.bindValue(0, Database::storedText(projectName));
    database.execute(select);
    while (select.next()) {
        Parts &parts = rows[select.value(0).toLongLong()];
        const QString delivery = select.value(1).toString();
        if (delivery == QStringLiteral("failed")) {
            parts.failed = true;
            parts.failedCode = select.value(2).toInt();
        } else if (delivery != QStringLiteral("delivered")) {
            parts.waiting = true;
        }
        parts.last = std::max(parts.last, Database::dateTimeOf(select.value(3)));
    }
    select.finish();
    ProjectDeliveries deliveries;
    for (auto row = rows.cbegin(); row != rows.cend(); ++row) {
        const Parts &parts = *row;
        QString text;
        if (parts.failed) {
            text = QStringLiteral("failed (%1)").arg(reportStatusCode(parts.failedCode));
            ++deliveries.failed;
        } else if (parts.waiting) {
            text = QStringLiteral("pending");
            ++deliveries.pending;
        } else {
            text = QStringLiteral("delivered ") + parts.last.toString(QStringLiteral("HH:mm"));
            ++deliveries.delivered;
        }
        deliveries.byRow.insert(row.key(), text);
    }
    return deliveries;
}
