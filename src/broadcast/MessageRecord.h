#pragma once

#include <QDateTime>
#include <QString>

// What project_detail and transaction_log rows share: one message to one contact and
// what became of it.
struct MessageRecord {
    QString projectName;
    QDateTime sent;
    QString mobileNumber;
    QString name;
    QString nickname;
    QString groupName;
    QString message;
    QString status;
};
