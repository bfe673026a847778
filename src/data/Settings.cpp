#include "data/Settings.h"

#include "data/DataModule.h"

#include <QSqlQuery>

namespace {

enum class Kind { Text, YesNo, TimeOfDay };

// Where a setting is kept: a field of a settings row (the first row of its query object),
// or a row of the options table when query is null.
struct Place {
    Dataset DataModule::*query;
    const char *field;
    Kind kind;
    const char *whenEmpty = ""; // what an empty value stands for
};

Place placeOf(Settings::Field field)
{
    using F = Settings::Field;
    switch (field) {
        case F::BirthdayAuto:
            return {&DataModule::q_birthday, "auto_broadcast", Kind::YesNo};
        case F::BirthdayTime:
            return {&DataModule::q_birthday, "auto_broadcast_time", Kind::TimeOfDay};
        case F::BirthdayFirst:
            return {&DataModule::q_birthday, "msg_eng", Kind::Text};
        case F::BirthdaySecond:
            return {&DataModule::q_birthday, "msg_malay", Kind::Text};
        case F::AnniversaryAuto:
            return {&DataModule::q_anniversary, "auto_broadcast", Kind::YesNo};
        case F::AnniversaryTime:
            return {&DataModule::q_anniversary, "auto_broadcast_time", Kind::TimeOfDay};
        case F::AnniversaryFirst:
            return {&DataModule::q_anniversary, "msg_eng", Kind::Text};
        case F::AnniversarySecond:
            return {&DataModule::q_anniversary, "msg_malay", Kind::Text};
        case F::TokenName:
            return {&DataModule::q_text_replacement, "name", Kind::Text};
        case F::TokenNickname:
            return {&DataModule::q_text_replacement, "nickname", Kind::Text};
        case F::TokenGreeting:
            return {&DataModule::q_text_replacement, "geeting", Kind::Text};
        case F::TokenVariable1:
            return {&DataModule::q_text_replacement, "var1", Kind::Text};
        case F::TokenVariable2:
            return {&DataModule::q_text_replacement, "var2", Kind::Text};
        case F::CentreNumber:
            return {&DataModule::q_smsc, "center_number", Kind::Text};
        case F::FirstLanguage:
            return {&DataModule::q_languages, "lang1", Kind::Text};
        case F::SecondLanguage:
            return {&DataModule::q_languages, "lang2", Kind::Text};
        case F::AwaitAnswers:
            return {nullptr, Options::AwaitAnswers, Kind::YesNo};
        case F::DeliveryReports:
            return {nullptr, Options::DeliveryReports, Kind::YesNo};
        case F::OptOutWords:
            return {nullptr, Options::OptOutWords, Kind::Text, "STOP, UNSUBSCRIBE, BERHENTI"};
        case F::OptInWords:
            return {nullptr, Options::OptInWords, Kind::Text, "START, SUBSCRIBE, MULA"};
        case F::AnnouncementEnding:
            return {nullptr, Options::AnnouncementEnding, Kind::Text};
    }
    return {};
}

constexpr Settings::Field AllFields[] = {
    Settings::Field::BirthdayAuto,     Settings::Field::BirthdayTime,      Settings::Field::BirthdayFirst,
    Settings::Field::BirthdaySecond,   Settings::Field::AnniversaryAuto,   Settings::Field::AnniversaryTime,
    Settings::Field::AnniversaryFirst, Settings::Field::AnniversarySecond, Settings::Field::TokenName,
    Settings::Field::TokenNickname,    Settings::Field::TokenGreeting,     Settings::Field::TokenVariable1,
    Settings::Field::TokenVariable2,   Settings::Field::CentreNumber,      Settings::Field::FirstLanguage,
    Settings::Field::SecondLanguage,   Settings::Field::AwaitAnswers,      Settings::Field::DeliveryReports,
    Settings::Field::OptOutWords,      Settings::Field::OptInWords,        Settings::Field::AnnouncementEnding,
};

// A time box shows the time of a fixed day, and is stored with it whole.
const QDate TimeBoxDay(2000, 1, 1);

QVariant shown(const Place &place, const QVariant &stored)
{
    if (stored.toString().trimmed().isEmpty() && *place.whenEmpty)
        return QString::fromLatin1(place.whenEmpty);
    switch (place.kind) {
        case Kind::YesNo:
            // Only exactly "YES" ticks the box: "NO", an empty value or none leave it clear.
            return stored.toString() == QStringLiteral("YES");
        case Kind::TimeOfDay: {
            // An empty date/time reads as zero: midnight.
            const QDateTime moment = stored.toDateTime();
            return QDateTime(TimeBoxDay, moment.isValid() ? moment.time() : QTime(0, 0));
        }
        case Kind::Text:
            return stored.toString();
    }
    return {};
}

QVariant kept(Kind kind, const QVariant &value)
{
    if (kind == Kind::YesNo)
        return value.toBool() ? QStringLiteral("YES") : QStringLiteral("NO");
    return value;
}

QString withCrLf(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

} // namespace

Settings::Settings(DataModule &dm)
    : m_dm(dm)
{
    for (const Field field : AllFields)
        m_values.insert(field, shown(placeOf(field), {}));
}

void Settings::load()
{
    // All or nothing: a refusal midway leaves the working copy as it was.
    QHash<Field, QVariant> values;
    QHash<Dataset *, bool> read;
    for (const Field field : AllFields) {
        const Place place = placeOf(field);
        const QString name = QString::fromLatin1(place.field);
        if (!place.query) {
            values.insert(field, shown(place, m_dm.options.value(name)));
            continue;
        }
        Dataset &row = m_dm.*place.query;
        if (!read.value(&row)) {
            row.refresh();
            read.insert(&row, true);
        }
        values.insert(field, shown(place, row.value(name)));
    }
    QList<ModemSetup> modems;
    QSqlQuery &select = m_dm.con.prepared(
        QStringLiteral("SELECT port, line_settings, enabled, centre_number FROM modem ORDER BY id"));
    m_dm.con.execute(select);
    while (select.next())
        modems << ModemSetup{select.value(0).toString(), select.value(1).toString(),
                             select.value(2).toString() == QStringLiteral("YES"), select.value(3).toString()};
    select.finish();
    m_values = values;
    m_modems = modems;
}

void Settings::storeModems()
{
    Database &database = m_dm.con;
    database.transaction([&] {
        QSqlQuery &erase = database.prepared(QStringLiteral("DELETE FROM modem"));
        database.execute(erase);
        erase.finish();
        QSqlQuery &insert = database.prepared(
            QStringLiteral("INSERT INTO modem (port, line_settings, enabled, centre_number) VALUES (?, ?, ?, ?)"));
        for (const ModemSetup &modem : std::as_const(m_modems)) {
            insert.bindValue(0, Database::storedText(modem.port));
            insert.bindValue(1, Database::storedText(modem.lineSettings));
            insert.bindValue(2, modem.enabled ? QStringLiteral("YES") : QStringLiteral("NO"));
            insert.bindValue(3, Database::storedText(modem.centreNumber));
            database.execute(insert);
            insert.finish();
        }
    });
}

void Settings::store(Field field)
{
    // The settings row is read again, its first row edited (an empty table gets it) and
    // posted: a setting is stored whether or not it changed.
    const Place place = placeOf(field);
    const QString name = QString::fromLatin1(place.field);
    const QVariant value = kept(place.kind, m_values.value(field));
    if (!place.query) {
        m_dm.options.setValue(name, value.toString());
        return;
    }
    Dataset &row = m_dm.*place.query;
    row.refresh();
    row.edit();
    row.setValue(name, value);
    row.post();
}

GreetingSettings Settings::greeting(Greeting greeting) const
{
    const bool birthday = greeting == Greeting::Birthday;
    GreetingSettings settings;
    settings.autoBroadcast = value(birthday ? Field::BirthdayAuto : Field::AnniversaryAuto).toBool();
    settings.at = value(birthday ? Field::BirthdayTime : Field::AnniversaryTime).toDateTime().time();
    settings.first = withCrLf(text(birthday ? Field::BirthdayFirst : Field::AnniversaryFirst));
    settings.second = withCrLf(text(birthday ? Field::BirthdaySecond : Field::AnniversarySecond));
    return settings;
}

QStringList Settings::words(Field field) const
{
    QStringList words;
    const QStringList given = text(field).split(QLatin1Char(','));
    for (const QString &word : given)
        if (const QString kept = word.simplified().toUpper(); !kept.isEmpty())
            words << kept;
    return words;
}
