#pragma once

#include <QDateTime>
#include <QString>

class Dataset;

// What project_detail and transaction_log rows share: one message to one contact and
// what became of it.
struct MessageRecord
{
    QString projectName;
    QDateTime sent;
    QString mobileNumber;
    QString name;
    QString nickname;
    QString groupName;
    QString message;
    QString status;

    // The fields of the current row of a query object over either table.
    static MessageRecord fromRow(const Dataset &row);
    // Appends the record as a new row of the query object's table and returns its id.
    qint64 appendTo(Dataset &table) const;
};
