#pragma once

#include "data/DatasetModel.h"

#include <QHash>
#include <QList>
#include <QObject>

class Database;
class Dataset;
class DatasetGrid;
class Dialogs;

// The "Delivery" of each recipient row, as the network's reports left it (Delivery.h),
// read again whenever the list is, or reload() is called (a report came in, a run ended).
class DeliveryColumn : public QObject {
    Q_OBJECT

public:
    DeliveryColumn(Dataset &recipients, Database &database, QObject *parent = nullptr);
    QString textAt(int row) const;
    // Reads the deliveries again; a database that refuses leaves the column as it was.
    void reload();

Q_SIGNALS:
    void changed();

private:
    Dataset &m_recipients;
    Database &m_database;
    QHash<qint64, QString> m_byRow;
};

// A grid of sent or queued messages: "Send Date" first, wide enough for a date and a time,
// the message last and stretched, the hint holding the selected row's whole message.
DatasetGrid *messageGrid(Dataset &messages, QList<DatasetModel::ColumnSpec> columns, Dialogs &dialogs);

// A project's recipient list as the composer and the schedule list show it: "Send Date",
// "Mobile Number", "Name", "Group", "Delivery" and the first 50 characters of "SMS
// Message".
DatasetGrid *recipientGrid(Dataset &recipients, DeliveryColumn &delivery, Dialogs &dialogs);
