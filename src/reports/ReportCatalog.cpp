#include "reports/ReportCatalog.h"

#include "base/Errors.h"
#include "data/DataModule.h"
#include "data/JetSql.h"

namespace Reports {

namespace {

const QString Profiles = QStringLiteral("rpt_prof");
const QString Messages = QStringLiteral("rpt_proj_detail");

} // namespace

const QVector<ReportEntry> &reportEntries()
{
    static const QString byName = QStringLiteral("select * from profile order by name");
    static const QString byIncome = QStringLiteral("select * from profile order by income desc");
    static const QString newest = QStringLiteral("select top 10000 * from project_detail order by date_send desc");
    static const QString birthdays = QStringLiteral(
        "select top 10000 * from project_detail where project_name = \"BIRTHDAY\" order by date_send desc");
    static const QString anniversaries = QStringLiteral(
        "select top 10000 * from project_detail where project_name = \"ANNIVERSARY\" order by date_send desc");
    static const QVector<ReportEntry> entries{
        {1, QStringLiteral("List of Client by Name"), Profiles, byName, QStringLiteral("List of Client by Name"),
         Layout::ContactList},
        {2, QStringLiteral("List of Client Detail by Name"), Profiles, byName,
         QStringLiteral("List of Client Detail by Name"), Layout::ContactCards},
        {3, QStringLiteral("List of Client Name & Address (Postal)"), Profiles, byName, QString(),
         Layout::AddressLabels},
        {4, QStringLiteral("List of Client by Group"), Profiles, byName, QStringLiteral("List of Client by Group"),
         Layout::ContactListByGroup},
        {5, QStringLiteral("List of Client Detail by Group"), Profiles, byIncome,
         QStringLiteral("List of Client Detail by Group"), Layout::ContactCardsByGroup},
        {6, QStringLiteral("List of Client Detail Sort by Income"), Profiles, byIncome,
         QStringLiteral("List of Client by Income"), Layout::ContactList},
        {7, QStringLiteral("Broadcast by Name (10k)"), Messages, newest, QStringLiteral("Broadcast by Name (10k)"),
         Layout::MessagesByName},
        // The group report carries the name report's title.
        {8, QStringLiteral("Broadcast by Group (10k)"), Messages, newest, QStringLiteral("Broadcast by Name (10k)"),
         Layout::MessagesByGroup},
        {9, QStringLiteral("Broadcast by Festive (10k)"), Messages, newest,
         QStringLiteral("Broadcast by Festive (10k)"), Layout::MessagesByFestive},
        {10, QStringLiteral("List of Project Detail (10k)"), Messages, newest,
         QStringLiteral("List of Project Detail (10k)"), Layout::MessagesByProject},
        {11, QStringLiteral("Birthday Broadcast Detail (10k)"), Messages, birthdays,
         QStringLiteral("Birthday Broadcast Detail (10k)"), Layout::BirthdayMessages},
        {12, QStringLiteral("Anniversary Broadcast Detail (10k)"), Messages, anniversaries,
         QStringLiteral("Anniversary Broadcast Detail (10k)"), Layout::AnniversaryMessages},
        {13, QStringLiteral("Delivery of a project"), Messages,
         QStringLiteral("select * from project_detail where project_name = %1 order by id"),
         QStringLiteral("Delivery of %1"), Layout::ProjectDelivery},
    };
    return entries;
}

QString ReportEntry::statementFor(const QString &project) const
{
    return isOfAProject() ? statement.arg(JetSql::quote(project)) : statement;
}

QString ReportEntry::titleFor(const QString &project) const
{
    return isOfAProject() ? title.arg(project) : title;
}

const ReportEntry &reportEntry(int number)
{
    const QVector<ReportEntry> &entries = reportEntries();
    if (number < 1 || number > entries.size())
        throw BrivoraError(
            QStringLiteral("There is no report number %1: choose 1 to %2.").arg(number).arg(entries.size()));
    return entries.at(number - 1);
}

Dataset &reportDataset(DataModule &dm, const ReportEntry &entry)
{
    return entry.queryObject == Profiles ? dm.rpt_prof : dm.rpt_proj_detail;
}

} // namespace Reports
