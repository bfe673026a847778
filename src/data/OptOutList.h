#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

class Database;

// One number whose owner asked for no more messages.
struct OptOut {
    qint64 id = 0;
    QString number; // as it came
    QDateTime asked;
    QString message; // the message that asked
};

// The opt-out list (table opt_out) as read at one moment, found by number however it is
// written: every bulk send leaves out the numbers on it.
class OptOutList {
public:
    // Reads the list; the country code says which numbers are the country's own
    // (countryCodeOf the message centre number).
    static OptOutList read(Database &database, const QString &countryCode);

    std::optional<OptOut> find(QStringView number) const;
    bool contains(QStringView number) const { return find(number).has_value(); }
    // Newest first.
    QList<OptOut> entries() const;
    const QString &countryCode() const { return m_countryCode; }

    // Puts the number on the list (once: a number on it already keeps its first entry).
    static void add(Database &database, const QString &countryCode, const OptOut &entry);
    // Takes the number off the list, in whichever form it was put there.
    static void remove(Database &database, const QString &countryCode, QStringView number);

private:
    QString m_countryCode;
    QHash<QString, OptOut> m_byKey;
};
