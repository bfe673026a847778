#pragma once

#include "contacts/Workbook.h"
#include "data/Database.h"
#include "data/Dataset.h"

#include <QTemporaryDir>

#include <optional>

// The rows of a workbook's "Sheet1" as the import shows them ("Display") and copies them
// into the profiles ("Import"). The preview shows them as converted, over a table of a
// scratch database of their own, which gets them once the preview is changed, so the
// grid and its navigator edit them like any table; the workbook itself is never written.
// Every column of the sheet is kept as text: numbers in plain decimal digits, dates as
// "dd/MM/yyyy" (with the time of day only when the cell holds one). While the preview is
// not edited, the import copies the rows as "Display" converted them, and they are never
// written to the scratch table.
class ProfileSheet {
public:
    static constexpr auto ConnectText = "Unable to connect to Excel, make sure the workbook %1 exist!";
    static constexpr auto ReadText = "Unable to read data from Excel, make sure the query %1 is meaningful!";
    static constexpr auto NothingShownText = "Please display a workbook before importing it.";

    ProfileSheet();

    // Reads the workbook; on failure the rows shown before stay, and the error says
    // whether the file could not be opened as a workbook (ConnectText) or its sheet could
    // not be read (ReadText), then why.
    struct Failure {
        QString message; // ConnectText or ReadText with the path
        QString reason;
    };
    // Returns the failure, if any, instead of throwing: the window shows both texts.
    // progress, when given, shows the reading, and may cancel it (ActionStopped): the rows
    // shown before stay.
    std::optional<Failure> display(const QString &path, WorkProgress *progress = nullptr);
    // The same for the sheet read from path already (by readSheet1).
    std::optional<Failure> display(const QString &path, const WorkbookRows &sheet);
    // Whether the last "Display" succeeded: after a failed one the preview keeps the rows
    // it showed, but they are not what the operator asked to import.
    bool isShown() const { return m_shownOk && m_rows.isOpen(); }
    // "ADOQuery1": the sheet rows, one field per column of the sheet.
    Dataset &rows() { return m_rows; }

    // Copies every sheet row that holds a value into table profile, after deleting every
    // profile when replacing, all in one transaction: on a refusal nothing of it is stored
    // and the error names the sheet row. Returns the rows stored. progress, when given,
    // shows the rows as they go, and may cancel them (ActionStopped): nothing is stored.
    int importInto(Database &database, bool replace, WorkProgress *progress = nullptr);

    // Whether an import copies the rows as "Display" converted them: nothing in the preview
    // was edited, inserted or deleted since.
    bool isUnedited() const { return !m_edited; }

private:
    void store(const WorkbookRows &rows);

    QTemporaryDir m_folder;
    Database m_database;
    Dataset m_rows;
    int m_shown = 0;
    bool m_shownOk = false;
    // The rows as the last "Display" converted them, as the preview shows them, kept until
    // the preview is edited.
    QVector<PackedRow> m_converted;
    bool m_edited = false;
    // Where each profile column stands in the sheet, and so in the scratch table.
    QList<int> m_profileColumns;
};
