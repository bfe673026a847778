#include "contacts/ProfileStore.h"

#include "base/Dialogs.h"
#include "data/Database.h"
#include "data/DataModule.h"
#include "data/JetSql.h"

#include <functional>
#include <iterator>

namespace {

constexpr auto DateFormat = "dd/MM/yyyy";

void write(Dataset &row, const Profile &profile)
{
    // An empty box leaves its field empty (NULL), whichever kind of control it is.
    const auto put = [&row](const char *field, const QString &text) {
        row.setValue(QString::fromLatin1(field), text.isEmpty() ? QVariant() : QVariant(text));
    };
    put("name", profile.name);
    put("nickname", profile.nickname);
    put("mobile_number", profile.mobileNumber);
    put("group_name", profile.groupName);
    put("birthday", profile.birthday);
    // A single profile keeps whatever anniversary it had: only a married one overwrites it.
    if (profile.isMarried())
        put("aniversary", profile.anniversary);
    put("maritial_status", profile.maritalStatus);
    put("income", profile.income);
    put("email", profile.email);
    put("greeting", profile.greeting);
    put("languages", profile.languages);
    put("notes", profile.notes);
    put("festive", profile.festive);
    put("var1", profile.var1);
    put("var2", profile.var2);
}

// Reads one field of every row without moving the cursor, which a grid may be showing.
QStringList texts(
    const Dataset &rows, const QString &field, const std::function<bool(int row)> &wanted = [](int) { return true; })
{
    const int column = rows.fieldIndex(field);
    QStringList result;
    for (int row = 0; row < rows.recordCount(); ++row)
        if (wanted(row))
            result << rows.valueAt(row, column).toString();
    return result;
}

} // namespace

ProfileStore::ProfileStore(DataModule &dm, Dialogs &dialogs)
    : m_dm(dm)
    , m_dialogs(dialogs)
{
}

QString ProfileStore::dateText(QDate date)
{
    // DateFormat written out by hand: QDate::toString reads its format again at every call,
    // which was most of the work of converting a workbook's rows (two dates each).
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    if (!date.isValid() || year < 1 || year > 9999)
        return date.toString(QString::fromLatin1(DateFormat));
    const auto digit = [](int value) { return QChar(u'0' + value % 10); };
    const QChar text[] = {digit(day / 10),    digit(day),        QChar(u'/'),      digit(month / 10), digit(month),
                          QChar(u'/'),        digit(year / 1000), digit(year / 100), digit(year / 10), digit(year)};
    return QString(text, std::size(text));
}

QDate ProfileStore::dateOf(const QString &text)
{
    return QDate::fromString(text, QString::fromLatin1(DateFormat));
}

void ProfileStore::save(const Profile &profile)
{
    m_dm.q_prof.repoint(QStringLiteral("select * from profile where mobile_number = ")
                        + JetSql::quote(profile.mobileNumber));
    // A blank is a character: only a text that is stored empty fails (NULs are not stored).
    const auto storedEmpty = [](const QString &text) { return Database::storedText(text).isEmpty(); };
    if (storedEmpty(profile.name) || storedEmpty(profile.nickname) || storedEmpty(profile.mobileNumber)) {
        m_dialogs.warning(QStringLiteral("Mandatory fields was not in correct format"));
        return;
    }

    Dataset *target = &m_dm.q_prof;
    if (m_dm.q_prof.isEmpty()) {
        m_dm.q_profile.refresh();
        target = &m_dm.q_profile;
        target->append();
    } else {
        target->edit();
    }
    // A refused row is cancelled by the query object itself.
    write(*target, profile);
    target->post();
    m_dm.q_profile.refresh();
}

Profile ProfileStore::selected() const
{
    const Dataset &row = m_dm.q_profile;
    Profile profile;
    profile.name = row.text(QStringLiteral("name"));
    profile.nickname = row.text(QStringLiteral("nickname"));
    profile.mobileNumber = row.text(QStringLiteral("mobile_number"));
    profile.email = row.text(QStringLiteral("email"));
    profile.festive = row.text(QStringLiteral("festive"));
    profile.groupName = row.text(QStringLiteral("group_name"));
    profile.birthday = row.text(QStringLiteral("birthday"));
    profile.maritalStatus = row.text(QStringLiteral("maritial_status"));
    profile.anniversary = row.text(QStringLiteral("aniversary"));
    profile.income = row.text(QStringLiteral("income"));
    profile.greeting = row.text(QStringLiteral("greeting"));
    profile.languages = row.text(QStringLiteral("languages"));
    profile.notes = row.text(QStringLiteral("notes"));
    profile.var1 = row.text(QStringLiteral("var1"));
    profile.var2 = row.text(QStringLiteral("var2"));
    return profile;
}

QStringList ProfileStore::groups()
{
    m_dm.q_group.refresh();
    return texts(m_dm.q_group, QStringLiteral("group_name"));
}

QStringList ProfileStore::greetings(const QString &language)
{
    Dataset &greetings = m_dm.q_greeting;
    greetings.refresh();
    // The database compares without regard to case; the form's choice is exact.
    const int languageColumn = greetings.fieldIndex(QStringLiteral("language"));
    return texts(greetings, QStringLiteral("greeting"),
                 [&](int row) { return greetings.valueAt(row, languageColumn).toString() == language; });
}

QStringList ProfileStore::languages()
{
    m_dm.q_languages.refresh();
    return {m_dm.q_languages.text(QStringLiteral("lang1")), m_dm.q_languages.text(QStringLiteral("lang2"))};
}
