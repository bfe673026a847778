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
};

// One entry of "List of Report": what the list shows, the query object it re-points and
// with which statement, the title printed at the top and the page layout.
struct ReportEntry {
    int number; // 1 to 12
    QString listText;
    QString queryObject; // "rpt_prof" or "rpt_proj_detail"
    QString statement;
    QString title;
    Layout layout;
};

// The twelve entries in the list's order.
const QVector<ReportEntry> &reportEntries();
// Throws BrivoraError for a number outside 1 to 12.
const ReportEntry &reportEntry(int number);
// The query object the entry feeds from.
Dataset &reportDataset(DataModule &dm, const ReportEntry &entry);

} // namespace Reports
