#pragma once

#include "broadcast/Delivery.h"
#include "reports/ReportCatalog.h"
#include "reports/ReportPage.h"

#include <QDate>

#include <memory>

namespace Reports {

// Lays the open query object's rows out in the entry's layout, the header dated
// printedOn. The values the pages show are copied, so the report stays as it was laid
// out when the query object changes.
std::unique_ptr<PagedReport> layOut(const ReportEntry &entry, const Dataset &rows, const QDate &printedOn);
// "Delivery of a project": the project's recipients with the delivery of each and the
// counts delivered, pending and failed.
std::unique_ptr<PagedReport> layOutDelivery(const ReportEntry &entry, const QString &project, const Dataset &rows,
                                            const ProjectDeliveries &deliveries, const QDate &printedOn);

// Runs a report as a choice in the list does: closes the entry's query object, sets its
// statement, opens it and lays its rows out.
std::unique_ptr<PagedReport> runReport(DataModule &dm, const ReportEntry &entry, const QDate &printedOn);
// The same for a report of one project, "Delivery of a project" among them.
std::unique_ptr<PagedReport> runProjectReport(DataModule &dm, const ReportEntry &entry, const QString &project,
                                              const QDate &printedOn);

} // namespace Reports
