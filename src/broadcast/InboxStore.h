#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class Database;
struct DeliverPdu;
struct StatusReportPdu;

// What came in through a modem, stored: messages in table inbox (a long one once all its
// parts came, in inbox_part until then), the opt-out list changed by a reply that is an
// opt-out or opt-in word, and the delivery reports on the SMS of sms_part.
class InboxStore {
public:
    static constexpr int PartsWaitHours = 24;
    static constexpr int ReportWindowDays = 7;

    struct Words {
        QStringList optOut; // in upper case
        QStringList optIn;
        QString countryCode; // of the message centre's number
    };

    InboxStore(Database &database, Words words);

    // A message (or one part of a long one) the modem holds: stored in one transaction,
    // so the modem may delete it once this returns. Returns the message made whole, if it
    // now is one: its number and text.
    struct Stored {
        bool madeMessage = false;
        QString number;
        QString text;
    };
    Stored storeDeliver(const QString &modem, const DeliverPdu &pdu, const QDateTime &received);
    // Parts that waited longer than PartsWaitHours become a message as they are, marked
    // incomplete.
    void closeStaleParts(const QDateTime &now);
    // A report on an SMS sent: its delivery goes to the latest part sent through this
    // modem with that reference to that number (in any form), no older than
    // ReportWindowDays. False when no part matches.
    bool storeReport(const QString &modem, const StatusReportPdu &report, const QDateTime &received);

private:
    void addMessage(const QString &modem, const QString &number, const QString &text, const QDateTime &sent,
                    const QDateTime &received, bool complete);
    qint64 profileOf(const QString &number);
    // The parts of one message waiting in inbox_part go: it is a message now.
    void forgetParts(const QString &modem, const QString &number, int reference, int count);

    Database &m_database;
    Words m_words;
};
