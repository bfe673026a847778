#include "broadcast/InboxStore.h"

#include "data/Database.h"
#include "data/OptOutList.h"
#include "data/PhoneNumbers.h"
#include "modem/NetworkPdu.h"

#include <QMap>
#include <QSqlQuery>

namespace {

QString deliveryOf(int status)
{
    switch (reportOutcome(status)) {
        case ReportOutcome::Delivered:
            return QStringLiteral("delivered");
        case ReportOutcome::StillTrying:
            return QStringLiteral("trying");
        case ReportOutcome::Failed:
        case ReportOutcome::Reserved:
            break;
    }
    return QStringLiteral("failed");
}

// A time stamp as this computer's local time, as the database keeps every time; the
// moment it was read when the centre's stamp is no date.
QDateTime localTime(const QDateTime &stamp, const QDateTime &fallback)
{
    return stamp.isValid() ? stamp.toLocalTime() : fallback;
}

} // namespace

InboxStore::InboxStore(Database &database, Words words)
    : m_database(database)
    , m_words(std::move(words))
{
}

InboxStore::Stored InboxStore::storeDeliver(const QString &modem, const DeliverPdu &pdu, const QDateTime &received)
{
    Stored stored;
    const QDateTime sent = localTime(pdu.sentAt, received);
    m_database.transaction([&] {
        stored = {};
        if (!pdu.partOf) {
            addMessage(modem, pdu.sender.text, pdu.text, sent, received, true);
            stored = {true, pdu.sender.text, pdu.text};
            return;
        }
        const PartOf part = *pdu.partOf;
        // Every part of the message so far, by its index; a part that came twice counts once.
        QMap<int, QString> texts;
        QDateTime firstSent = sent;
        // The message a part belongs to: the first four values of each statement here.
        const auto bindMessage = [&](QSqlQuery &query) {
            query.bindValue(0, Database::storedText(modem));
            query.bindValue(1, Database::storedText(pdu.sender.text));
            query.bindValue(2, part.reference);
            query.bindValue(3, part.count);
        };
        QSqlQuery &select = m_database.prepared(
            QStringLiteral("SELECT part_index, text, sent FROM inbox_part WHERE modem = ? AND number = ? AND "
                           "reference = ? AND part_count = ?"));
        bindMessage(select);
        m_database.execute(select);
        while (select.next()) {
            texts.insert(select.value(0).toInt(), select.value(1).toString());
            firstSent = std::min(firstSent, Database::dateTimeOf(select.value(2)));
        }
        select.finish();
        if (texts.contains(part.index))
            return;
        texts.insert(part.index, pdu.text);
        if (texts.size() < part.count) {
            QSqlQuery &insert = m_database.prepared(
                QStringLiteral("INSERT INTO inbox_part (modem, number, reference, part_count, part_index, text, sent, "
                               "received) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
            bindMessage(insert);
            insert.bindValue(4, part.index);
            insert.bindValue(5, Database::storedText(pdu.text));
            insert.bindValue(6, Database::storedDateTime(sent));
            insert.bindValue(7, Database::storedDateTime(received));
            m_database.execute(insert);
            insert.finish();
            return;
        }
        const QString text = QStringList(texts.values()).join(QString());
        addMessage(modem, pdu.sender.text, text, firstSent, received, true);
        forgetParts(modem, pdu.sender.text, part.reference, part.count);
        stored = {true, pdu.sender.text, text};
    });
    return stored;
}

void InboxStore::closeStaleParts(const QDateTime &now)
{
    const QDateTime cutoff = now.addSecs(-3600 * PartsWaitHours);
    m_database.transaction([&] {
        struct Waiting {
            QString modem;
            QString number;
            int reference = 0;
            int count = 0;
            QMap<int, QString> texts;
            QDateTime sent;
            QDateTime firstReceived; // a day after its first part came, a message waits no more
            QDateTime received;
        };
        QMap<QString, Waiting> messages;
        QSqlQuery &select = m_database.prepared(QStringLiteral(
            "SELECT modem, number, reference, part_count, part_index, text, sent, received FROM inbox_part ORDER BY id"));
        m_database.execute(select);
        while (select.next()) {
            const QString key = QStringList{select.value(0).toString(), select.value(1).toString(),
                                            select.value(2).toString(), select.value(3).toString()}
                                    .join(QChar(u'\x1f'));
            Waiting &message = messages[key];
            message.modem = select.value(0).toString();
            message.number = select.value(1).toString();
            message.reference = select.value(2).toInt();
            message.count = select.value(3).toInt();
            message.texts.insert(select.value(4).toInt(), select.value(5).toString());
            const QDateTime sent = Database::dateTimeOf(select.value(6));
            if (!message.sent.isValid() || sent < message.sent)
                message.sent = sent;
            const QDateTime received = Database::dateTimeOf(select.value(7));
            if (!message.firstReceived.isValid() || received < message.firstReceived)
                message.firstReceived = received;
            message.received = std::max(message.received, received);
        }
        select.finish();
        for (const Waiting &message : std::as_const(messages)) {
            if (message.firstReceived >= cutoff)
                continue;
            addMessage(message.modem, message.number, QStringList(message.texts.values()).join(QString()),
                       message.sent, message.received, false);
            forgetParts(message.modem, message.number, message.reference, message.count);
        }
    });
}

void InboxStore::forgetParts(const QString &modem, const QString &number, int reference, int count)
{
    QSqlQuery &erase = m_database.prepared(
        QStringLiteral("DELETE FROM inbox_part WHERE modem = ? AND number = ? AND reference = ? AND part_count = ?"));
    erase.bindValue(0, Database::storedText(modem));
    erase.bindValue(1, Database::storedText(number));
    erase.bindValue(2, reference);
    erase.bindValue(3, count);
    m_database.execute(erase);
    erase.finish();
}

void InboxStore::addMessage(const QString &modem, const QString &number, const QString &text, const QDateTime &sent,
                            const QDateTime &received, bool complete)
{
    const qint64 profile = profileOf(number);
    QSqlQuery &insert = m_database.prepared(
        QStringLiteral("INSERT INTO inbox (modem, number, text, sent, received, complete, id_profile, seen) VALUES "
                       "(?, ?, ?, ?, ?, ?, ?, 'NO')"));
    insert.bindValue(0, Database::storedText(modem));
    insert.bindValue(1, Database::storedText(number));
    insert.bindValue(2, Database::storedText(text));
    insert.bindValue(3, Database::storedDateTime(sent));
    insert.bindValue(4, Database::storedDateTime(received));
    insert.bindValue(5, complete ? QStringLiteral("YES") : QStringLiteral("NO"));
    insert.bindValue(6, profile > 0 ? QVariant(profile) : QVariant());
    m_database.execute(insert);
    insert.finish();
    if (!complete)
        return;
    // A reply that is an opt-out word, whole, puts the number on the list; an opt-in word
    // takes it off.
    const QString word = text.simplified().toUpper();
    if (m_words.optOut.contains(word))
        OptOutList::add(m_database, m_words.countryCode, {0, number, received, text});
    else if (m_words.optIn.contains(word))
        OptOutList::remove(m_database, m_words.countryCode, number);
}

qint64 InboxStore::profileOf(const QString &number)
{
    // The contacts whose number ends in the same last digits, then by every form.
    const QString digits = numberDigits(number);
    if (digits.size() < 4)
        return 0;
    QSqlQuery &select =
        m_database.prepared(QStringLiteral("SELECT id_profile, mobile_number FROM profile WHERE mobile_number LIKE ? "
                                           "ORDER BY id_profile"));
    select.bindValue(0, QString(QStringLiteral("%") + digits.right(4)));
    m_database.execute(select);
    const QString key = numberKey(number, m_words.countryCode);
    qint64 found = 0;
    while (select.next() && found == 0)
        if (numberKey(select.value(1).toString(), m_words.countryCode) == key)
            found = select.value(0).toLongLong();
    select.finish();
    return found;
}

bool InboxStore::storeReport(const QString &modem, const StatusReportPdu &report, const QDateTime &received)
{
    bool matched = false;
    m_database.transaction([&] {
        matched = false;
        qint64 part = 0;
        QSqlQuery &select = m_database.prepared(QStringLiteral(
            "SELECT p.id, l.mobile_number FROM sms_part p JOIN transaction_log l ON l.id = p.log_id WHERE p.modem = ? "
            "AND p.reference = ? AND p.sent >= ? ORDER BY p.sent DESC, p.id DESC"));
        select.bindValue(0, Database::storedText(modem));
        select.bindValue(1, report.reference);
        select.bindValue(2, Database::storedDateTime(received.addDays(-ReportWindowDays)));
        m_database.execute(select);
        const QString key = numberKey(report.recipient.text, m_words.countryCode);
        while (select.next() && part == 0)
            if (numberKey(select.value(1).toString(), m_words.countryCode) == key)
                part = select.value(0).toLongLong();
        select.finish();
        if (part == 0)
            return;
        QSqlQuery &update = m_database.prepared(
            QStringLiteral("UPDATE sms_part SET delivery = ?, delivery_code = ?, delivery_time = ? WHERE id = ?"));
        update.bindValue(0, deliveryOf(report.status));
        update.bindValue(1, report.status);
        update.bindValue(2, Database::storedDateTime(localTime(report.dischargeTime, received)));
        update.bindValue(3, part);
        m_database.execute(update);
        update.finish();
        matched = true;
    });
    return matched;
}
