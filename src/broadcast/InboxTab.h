#pragma once

#include "data/Dataset.h"

#include <QHash>
#include <QWidget>

class QLineEdit;
class QPushButton;
class DatasetGrid;
class Dialogs;
class Database;
class Settings;

// The "Inbox" tab: the messages that came in, newest first, with the contact whose number
// sent each, a find box and "Reply"; below them the opt-out list with "Remove" for a
// client who asked to be taken back. A message's text is only ever shown as plain text.
class InboxTab : public QWidget {
    Q_OBJECT

public:
    static constexpr auto UnknownNumberText =
        "%1 is not in the contact list. Save it as a contact (its number is in the form), then send to it.";

    InboxTab(Database &database, const Settings &settings, Dialogs &dialogs, QWidget *parent = nullptr);

    // Reads the messages and the opt-out list again, keeping the find box's filter.
    void reload();
    // Messages not seen yet on this tab.
    int unreadCount();
    // Every message shown counts as seen.
    void markSeen();

    QLineEdit *findBox;
    DatasetGrid *messagesGrid;
    QPushButton *replyButton;
    DatasetGrid *optOutGrid;
    QPushButton *removeButton;

Q_SIGNALS:
    // Reply to the message's sender: its contact, or none (0) with its number.
    void replyTo(qint64 profileId, const QString &number);
    void unreadChanged(int count);

private:
    QString messagesSql() const;
    void readNames();
    void reply();
    void removeOptOut();

    Database &m_database;
    const Settings &m_settings;
    Dialogs &m_dialogs;
    Dataset m_messages;
    Dataset m_optOuts;
    QHash<qint64, QString> m_names; // of the contacts the messages came from
};
