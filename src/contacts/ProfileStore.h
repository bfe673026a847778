#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class DataModule;
class Dialogs;

// One profile as the form holds it, every field as the text stored in table
// "profile"; the dates are "dd/MM/yyyy" texts.
struct Profile {
    static constexpr auto Married = "MARRIED";
    static constexpr auto Single = "SINGLE";

    QString name;
    QString nickname;
    QString mobileNumber;
    QString email;
    QString festive;
    QString groupName;
    QString birthday;
    QString maritalStatus;
    QString anniversary;
    QString income;
    QString greeting;
    QString languages;
    QString notes;
    QString var1;
    QString var2;

    bool isMarried() const { return maritalStatus == QLatin1String(Married); }
};

// The profile editor's work on the database: saving a profile under its mobile
// number, reading the selected one, and the lists its drop-downs offer.
class ProfileStore {
public:
    ProfileStore(DataModule &dm, Dialogs &dialogs);

    // Profile dates are stored as "dd/MM/yyyy" whatever the machine's locale, because
    // the birthday and anniversary broadcasts match on the leading "dd/MM/".
    static QString dateText(QDate date);
    // The date a stored text stands for; invalid when the text is not "dd/MM/yyyy".
    static QDate dateOf(const QString &text);

    // Updates the first profile with the same mobile number, or adds one; then reopens
    // the profile list. Warns and writes nothing when the name, nickname or mobile number
    // is empty. A refused value throws, nothing stored.
    void save(const Profile &profile);

    // The profile list's current row.
    Profile selected() const;

    // What the drop-downs offer, read afresh each time.
    QStringList groups();
    QStringList greetings(const QString &language);
    // Always two items, the first and second preferred language, even when empty.
    QStringList languages();

private:
    DataModule &m_dm;
    Dialogs &m_dialogs;
};
