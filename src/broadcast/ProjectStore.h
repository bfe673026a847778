#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

class Clock;
class DataModule;
class Dialogs;
class OptOutList;
class Settings;
struct ReplacementTokens;

// An announcement project as the composer holds it.
struct AnnouncementProject {
    QString name;
    // The festive filter as typed or chosen, empty for none.
    QString festive;
    // The ticked target groups, in the order of the target list.
    QStringList groups;
    QString malayTemplate;
    QString englishTemplate;
};

// The festive filter of a project. Contacts keep "CHINESE " and "SARAWAK " with their
// trailing blank, and the composer's list offers "CHINESE " too: trailing blanks are not
// part of the value, neither in the check nor when contacts are matched.
namespace Festive {
// The composer's list, in its order, its first item empty.
const QStringList &choices();
// Whether the festive box may be left with this text: empty, an item of the list or one
// of the values contacts carry, compared exactly but for trailing blanks.
bool isAccepted(const QString &text);
// The text with its trailing blanks dropped, as contacts are matched on it.
QString withoutTrailingBlanks(const QString &text);
} // namespace Festive

// The composer's work on the three project tables: Save && Populate Recipient, and
// loading a project back from the project list.
class ProjectStore {
public:
    static constexpr auto ReservedNameWarning =
        "INDIVIDUAL, BIRTHDAY and ANNIVERSARY are reserved names. Please choose another project name.";
    static constexpr auto OverwriteQuestion =
        "Previous record with the same project name exist! Are you sure to overide this project?";
    static constexpr auto CreateQuestion = "Are you sure to create this new project?";
    static constexpr auto UnsavedScheduleWarning = "Please save the project before scheduling it.";

    ProjectStore(DataModule &dm, const Settings &settings, Dialogs &dialogs, const Clock &clock);

    // Single messages and greetings keep their records under these project names.
    static bool isReservedName(const QString &name);

    // Saves the project (after asking) with one recipient row per contact of its groups,
    // personalised and ended with the announcement's ending line; a contact whose number
    // asked for no more messages gets no row. An existing project of that name is
    // rebuilt, keeping its schedule and last send date. All of it in one transaction.
    // Leaves the recipient list (q_prj_dtl) open on the project's rows. Returns how many
    // contacts were left out for having opted out, or nothing when nothing was saved.
    std::optional<int> saveAndPopulate(const AnnouncementProject &project);

    // Records when the project is to go out: the picked day at the picked hour and
    // minute, seconds dropped. Returns false, having warned and created nothing, when the
    // name has no project row.
    bool schedule(const QString &projectName, QDate day, QTime time);

    // The project selected in the project list (q_prj) with its recorded groups, its
    // recipient list opened; nothing when the list has no selected row.
    std::optional<AnnouncementProject> loadSelected();

    // The statement of the recipient list of one project.
    static QString recipientsSql(const QString &projectName);

private:
    void deleteRows(const QString &table, const QString &projectName);
    void addGroup(const QString &projectName, const QString &group);
    // Returns the contacts left out.
    int addRecipients(const AnnouncementProject &project, const QString &group, const ReplacementTokens &tokens,
                      const OptOutList &optedOut);

    DataModule &m_dm;
    const Settings &m_settings;
    Dialogs &m_dialogs;
    const Clock &m_clock;
};
