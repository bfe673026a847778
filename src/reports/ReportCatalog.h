#pragma once

#include <QString>
#include <QVector>

class DataModule;
class Dataset;

namespace Reports {

enum class Layout {
    ContactList,
    ContactListByGroup,
    ContactCards,
    ContactCardsByGroup,
    AddressLabels,
    MessagesByName,
    MessagesByGroup,
    MessagesByFestive,
    MessagesByProject,
    BirthdayMessages,
    AnniversaryMessages,
    ProjectDelivery,
};

// One entry of "List of Report": what the list shows, the query object it re-points and
// with which statement, the title printed at the top and the page layout.
struct ReportEntry {
    int number; // 1 to 13
    QString listText;
    QString queryObject; // "rpt_prof" or "rpt_proj_detail"
    QString statement; // for a report of one project, with %1 for its quoted name
    QString title; // the same
    Layout layout;

    // A report of one project's recipients, which needs its name.
    bool isOfAProject() const { return layout == Layout::ProjectDelivery; }
    QString statementFor(const QString &project) const;
    QString titleFor(const QString &project) const;
};

// The entries in the list's order: the twelve of old, then "Delivery of a project".
const QVector<ReportEntry> &reportEntries();
// Throws BrivoraError for a number outside the list.
const ReportEntry &reportEntry(int number);
// The query object the entry feeds from.
Dataset &reportDataset(DataModule &dm, const ReportEntry &entry);

} // namespace Reports
