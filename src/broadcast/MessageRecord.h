#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>

class Dataset;

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

    // The record a row holds, each field read by its column's name; a column the row has
    // not (a profile holds no message) leaves its field empty.
    using Column = std::function<QVariant(const QString &name)>;
    static MessageRecord fromColumns(const Column &column);
    // Row `row` of a query object's snapshot.
    static MessageRecord ofRow(const Dataset &rows, int row);
};
