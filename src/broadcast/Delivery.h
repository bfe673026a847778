#pragma once

#include <QHash>
#include <QString>

class Database;

// What the network reported of the messages sent to a project's recipients, each as its
// last send left it: "delivered 10:32" once every part of it was delivered, "failed
// (0x46)" once a part failed, "pending" while a report is awaited. A row whose SMS asked
// no report is not among them.
struct ProjectDeliveries {
    QHash<qint64, QString> byRow; // by project_detail id
    int delivered = 0;
    int pending = 0;
    int failed = 0;
};

ProjectDeliveries deliveriesOf(Database &database, const QString &projectName);
