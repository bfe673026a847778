#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>

class DataModule;

enum class Greeting { Birthday, Anniversary };

// One modem of the modem list: its port, the port's line settings as one text
// ("9600,8,1,None,None"), whether it sends, and the message centre of its SIM when that
// is not the Preference tab's (empty).
struct ModemSetup {
    QString port;
    QString lineSettings;
    bool enabled = true;
    QString centreNumber;
    bool operator==(const ModemSetup &) const = default;
};

// A greeting's settings as its senders and the one-minute timer take them.
struct GreetingSettings {
    bool autoBroadcast = false;
    QTime at; // the time of day of "Auto Broadcast at"
    // The templates of the first and second language, their line breaks CR LF as they
    // are sent.
    QString first;
    QString second;
};

// What the Preference tab edits, for everything that uses it: the working copy. The tab
// fills its controls from it and writes every edit into it at once, so that senders and
// the timer use a value as soon as it is in its control; the value is stored where it is
// kept when the operator leaves the control. Each showing of the main window reads every
// value back from the database.
class Settings {
public:
    enum class Field {
        BirthdayAuto,
        BirthdayTime,
        BirthdayFirst,
        BirthdaySecond,
        AnniversaryAuto,
        AnniversaryTime,
        AnniversaryFirst,
        AnniversarySecond,
        TokenName,
        TokenNickname,
        TokenGreeting,
        TokenVariable1,
        TokenVariable2,
        CentreNumber,
        FirstLanguage,
        SecondLanguage,
        AwaitAnswers,
        DeliveryReports,
        OptOutWords,
        OptInWords,
        AnnouncementEnding,
    };

    explicit Settings(DataModule &dm);

    // Reads every value as it is stored; throws the database's refusal.
    void load();

    // The working value: a text, a truth value (a box ticked) or a date/time.
    QVariant value(Field field) const { return m_values.value(field); }
    void set(Field field, const QVariant &value) { m_values.insert(field, value); }
    // Stores the working value where it is kept; throws the database's refusal, and the
    // value stays the working one, stored again at the next try.
    void store(Field field);

    QString text(Field field) const { return value(field).toString(); }
    // The message centre number as the senders encode it.
    QString centreNumber() const { return text(Field::CentreNumber); }
    // Whether a run waits for the modem's answers.
    bool awaitsAnswers() const { return value(Field::AwaitAnswers).toBool(); }
    GreetingSettings greeting(Greeting greeting) const;
    // Whether each SMS asks the network for a report of its delivery.
    bool asksDeliveryReports() const { return value(Field::DeliveryReports).toBool(); }
    // The words a whole reply may be to ask for no more messages, or for them again, in
    // upper case.
    QStringList optOutWords() const { return words(Field::OptOutWords); }
    QStringList optInWords() const { return words(Field::OptInWords); }
    // The line every announcement ends with, empty for none.
    QString announcementEnding() const { return text(Field::AnnouncementEnding).trimmed(); }

    // The modem list, the first modem first (the one the port light shows). load() reads
    // it too; storeModems writes the whole list at once, in one transaction.
    const QList<ModemSetup> &modems() const { return m_modems; }
    void setModems(const QList<ModemSetup> &modems) { m_modems = modems; }
    void storeModems();

private:
    QStringList words(Field field) const;

    DataModule &m_dm;
    QHash<Field, QVariant> m_values;
    QList<ModemSetup> m_modems;
};
