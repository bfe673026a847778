#include "broadcast/ProjectStore.h"

#include "base/Clock.h"
#include "base/Dialogs.h"
#include "compose/Personalise.h"
#include "data/DataModule.h"
#include "data/JetSql.h"
#include "data/OptOutList.h"
#include "data/PhoneNumbers.h"
#include "data/Settings.h"

#include <QSqlQuery>

namespace Festive {

const QStringList &choices()
{
    static const QStringList list{
        QString(),
        QStringLiteral("ISLAM"),
        QStringLiteral("HINDU"),
        QStringLiteral("BUDDHA"),
        QStringLiteral("CHRISTIAN"),
        QStringLiteral("CHINESE "),
        QStringLiteral("CHINESE AND CHRISTIAN"),
        QStringLiteral("HINDU AND CHRISTIAN"),
        QStringLiteral("BUDDHA AND CHINESE"),
        QStringLiteral("OTHERS-A"),
        QStringLiteral("OTHERS-B"),
        QStringLiteral("OTHERS-C"),
        QStringLiteral("OTHERS-D"),
    };
    return list;
}

bool isAccepted(const QString &text)
{
    // Besides the list: the values the profile editor gives contacts.
    static const QStringList contactValues{QStringLiteral("SARAWAK"), QStringLiteral("SABAH")};
    const QString value = withoutTrailingBlanks(text);
    if (value.isEmpty() || contactValues.contains(value))
        return true;
    for (const QString &choice : choices())
        if (withoutTrailingBlanks(choice) == value)
            return true;
    return false;
}

QString withoutTrailingBlanks(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

} // namespace Festive

namespace {

QString whereProjectIs(const QString &table, const QString &projectName)
{
    return QStringLiteral("select * from %1 where project_name = %2").arg(table, JetSql::quote(projectName));
}

} // namespace

ProjectStore::ProjectStore(DataModule &dm, const Settings &settings, Dialogs &dialogs, const Clock &clock)
    : m_dm(dm)
    , m_settings(settings)
    , m_dialogs(dialogs)
    , m_clock(clock)
{
}

bool ProjectStore::isReservedName(const QString &name)
{
    for (const char *reserved : {"INDIVIDUAL", "BIRTHDAY", "ANNIVERSARY"})
        if (name.compare(QLatin1String(reserved), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString ProjectStore::recipientsSql(const QString &projectName)
{
    return whereProjectIs(QStringLiteral("project_detail"), projectName);
}

std::optional<int> ProjectStore::saveAndPopulate(const AnnouncementProject &project)
{
    // Rows are tied to a project by its name alone: a project of such a name would show,
    // send again and, rebuilt, delete the records of single messages and greetings.
    if (isReservedName(project.name)) {
        m_dialogs.warning(QString::fromLatin1(ReservedNameWarning));
        return std::nullopt;
    }
    Dataset &found = m_dm.q_project;
    found.repoint(whereProjectIs(QStringLiteral("project"), project.name));
    const bool overwrite = !found.isEmpty();
    const QString question = QString::fromLatin1(overwrite ? OverwriteQuestion : CreateQuestion);
    if (m_dialogs.confirm(question, Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes) {
        if (!overwrite)
            m_dm.q_prj.refresh();
        return std::nullopt;
    }

    const ReplacementTokens tokens = ReplacementTokens::read(m_dm.q_text_replacement);
    // The groups' contacts are read one group at a time: all from one moment, so a list
    // another desk imports meanwhile is in the project whole or not at all.
    int leftOut = 0;
    m_dm.con.transactionAtOneMoment([&] {
        leftOut = 0; // a server may run this twice
        const OptOutList optedOut = OptOutList::read(m_dm.con, countryCodeOf(m_settings.centreNumber()));
        if (overwrite) {
            deleteRows(QStringLiteral("project_group"), project.name);
            deleteRows(QStringLiteral("project_detail"), project.name);
        }
        for (const QString &group : project.groups)
            addGroup(project.name, group);
        for (const QString &group : project.groups)
            leftOut += addRecipients(project, group, tokens, optedOut);

        // An overwritten project keeps its schedule and its last send date.
        if (overwrite)
            found.edit();
        else
            found.append();
        found.setValue(QStringLiteral("project_name"), project.name);
        found.setValue(QStringLiteral("project_date"), QDateTime(m_clock.now().date(), QTime(0, 0)));
        found.setValue(QStringLiteral("msg_template_eng"), project.englishTemplate);
        found.setValue(QStringLiteral("msg_template_malay"), project.malayTemplate);
        found.setValue(QStringLiteral("festive"), project.festive);
        found.post();
    });
    if (!overwrite)
        m_dm.q_prj.refresh();
    m_dm.q_prj_dtl.repoint(recipientsSql(project.name));
    return leftOut;
}

void ProjectStore::deleteRows(const QString &table, const QString &projectName)
{
    QSqlQuery &erase = m_dm.con.prepared(QStringLiteral("DELETE FROM %1 WHERE project_name = ?").arg(table));
    erase.bindValue(0, Database::storedText(projectName));
    m_dm.con.execute(erase);
    erase.finish();
}

void ProjectStore::addGroup(const QString &projectName, const QString &group)
{
    QSqlQuery &insert =
        m_dm.con.prepared(QStringLiteral("INSERT INTO project_group (project_name, group_name) VALUES (?, ?)"));
    insert.bindValue(0, Database::storedText(projectName));
    insert.bindValue(1, Database::storedText(group));
    m_dm.con.execute(insert);
    insert.finish();
}

int ProjectStore::addRecipients(const AnnouncementProject &project, const QString &group,
                                const ReplacementTokens &tokens, const OptOutList &optedOut)
{
    const QString filter = Festive::withoutTrailingBlanks(project.festive);
    QString sql = QStringLiteral("select * from profile where group_name = %1").arg(JetSql::quote(group));
    if (!filter.isEmpty())
        sql += QStringLiteral(" and rtrim(festive) = %1 collate nocase").arg(JetSql::quote(filter));
    Dataset &contacts = m_dm.q_prof;
    contacts.repoint(sql);

    Database::RowInsert recipients(m_dm.con, QStringLiteral("project_detail"),
                                   {QStringLiteral("project_name"), QStringLiteral("mobile_number"),
                                    QStringLiteral("name"), QStringLiteral("nickname"), QStringLiteral("group_name"),
                                    QStringLiteral("msg_send"), QStringLiteral("festive")});
    const QString projectName = Database::storedText(project.name);
    const QString festive = Database::storedText(project.festive);
    const QString ending = m_settings.announcementEnding();
    int leftOut = 0;
    for (contacts.first(); !contacts.eof(); contacts.next()) {
        const QString number = contacts.text(QStringLiteral("mobile_number"));
        if (optedOut.contains(number)) {
            ++leftOut;
            continue;
        }
        const ContactFields fields = ContactFields::of(contacts);
        const QString message = Personalise(fields, project.malayTemplate, project.englishTemplate, tokens);
        recipients.add({projectName, number, fields.name, fields.nickname, contacts.text(QStringLiteral("group_name")),
                        Database::storedText(withAnnouncementEnding(message, ending)), festive});
    }
    recipients.finish();
    return leftOut;
}

bool ProjectStore::schedule(const QString &projectName, QDate day, QTime time)
{
    Dataset &found = m_dm.q_project;
    found.repoint(whereProjectIs(QStringLiteral("project"), projectName));
    // Editing an empty result would make a row that holds the schedule alone.
    if (found.isEmpty()) {
        m_dialogs.warning(QString::fromLatin1(UnsavedScheduleWarning));
        return false;
    }
    found.edit();
    found.setValue(QStringLiteral("project_broadcast__date"), QDateTime(day, QTime(time.hour(), time.minute())));
    found.setValue(QStringLiteral("schedule"), QStringLiteral("YES"));
    found.post();
    // The schedule list shows the new schedule without waiting for the window's next showing.
    if (m_dm.q_prj_schedule.isOpen())
        m_dm.q_prj_schedule.refresh();
    return true;
}

std::optional<AnnouncementProject> ProjectStore::loadSelected()
{
    Dataset &projects = m_dm.q_prj;
    if (!projects.isOpen() || projects.eof())
        return std::nullopt;
    AnnouncementProject project;
    project.name = projects.text(QStringLiteral("project_name"));
    project.malayTemplate = projects.text(QStringLiteral("msg_template_malay"));
    project.englishTemplate = projects.text(QStringLiteral("msg_template_eng"));
    project.festive = projects.text(QStringLiteral("festive"));

    Dataset &groups = m_dm.q_project_group;
    groups.repoint(whereProjectIs(QStringLiteral("project_group"), project.name));
    for (groups.first(); !groups.eof(); groups.next())
        project.groups << groups.text(QStringLiteral("group_name"));
    m_dm.q_group.refresh();
    m_dm.q_prj_dtl.repoint(recipientsSql(project.name));
    return project;
}
