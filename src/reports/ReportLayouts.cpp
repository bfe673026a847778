#include "reports/ReportLayouts.h"

#include "data/DataModule.h"

namespace Reports {

namespace {

// Placeholder until the layouts are in: one page with the title.
class TitleOnly : public PagedReport {
public:
    explicit TitleOnly(QString title)
        : m_title(std::move(title))
    {
    }
    int pageCount() const override { return 1; }
    Page page(int) const override
    {
        Page page;
        page.items.append({PageItem::Kind::Text, false, {18, true}, QRectF(60, 2, 130, 8), m_title});
        return page;
    }

private:
    QString m_title;
};

} // namespace

std::unique_ptr<PagedReport> layOut(const ReportEntry &entry, const Dataset &, const QDate &)
{
    return std::make_unique<TitleOnly>(entry.title);
}

std::unique_ptr<PagedReport> runReport(DataModule &dm, const ReportEntry &entry, const QDate &printedOn)
{
    Dataset &rows = reportDataset(dm, entry);
    rows.repoint(entry.statement);
    return layOut(entry, rows, printedOn);
}

} // namespace Reports
