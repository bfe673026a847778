#pragma once

#include <QVector>

class QPrinter;

namespace Reports {

// The pages (indexes from 0, in order) that what the print dialog chose asks for: all,
// the page shown (currentIndex), or the listed ranges cut to the report's pages.
QVector<int> chosenPages(const QPrinter &printer, int currentIndex, int pageCount);

// The pages as sent to a printer that cannot make copies itself: each copy of the whole
// run in turn when collated, else each page repeated copies times.
QVector<int> withCopies(const QVector<int> &pages, int copies, bool collate);

} // namespace Reports
