#include "reports/ReportLayouts.h"

#include "base/Errors.h"

#include "data/DataModule.h"
#include "reports/TextMeasure.h"

#include <algorithm>

namespace Reports {

namespace {

constexpr TextStyle Title{18, true};
constexpr TextStyle Heading{8, true}; // column titles and card labels
constexpr TextStyle Value{8, false};
constexpr TextStyle Number{7, false}; // the messages' running number
constexpr TextStyle GroupLine{10, false};
constexpr TextStyle GroupName{10, true};
constexpr TextStyle CardGroup{14, false};
constexpr TextStyle LabelName{10, true};
constexpr TextStyle LabelAddress{9, false};

constexpr double BoxWidth = 196.6; // a framed box behind column titles
constexpr double BoxHeight = 5.8;
constexpr double RuleLength = 195.8;
constexpr double Gap = 0.5; // between a value and the next column

// The values a report prints, copied from its rows: one text per field and row.
class RowValues {
public:
    RowValues(const Dataset &rows, const QStringList &fields)
        : m_count(rows.recordCount())
        , m_width(int(fields.size()))
    {
        QVector<int> columns;
        for (const QString &field : fields)
            columns.append(rows.fieldIndex(field));
        m_cells.reserve(qsizetype(m_count) * m_width);
        for (int row = 0; row < m_count; ++row)
            for (int column : columns)
                m_cells.append(rows.valueAt(row, column).toString());
        // A send time is printed as its date over its time.
        const int sent = rows.fieldIndex(QStringLiteral("date_send"));
        if (sent < 0)
            return;
        const DateTimeText shown;
        m_dates.resize(m_count);
        for (int row = 0; row < m_count; ++row) {
            const QDateTime moment = rows.valueAt(row, sent).toDateTime();
            if (moment.isValid())
                m_dates[row] = {shown.date(moment.date()), shown.time(moment.time())};
        }
    }

    int count() const { return m_count; }
    const QString &at(int row, int field) const { return m_cells.at(qsizetype(row) * m_width + field); }
    const QString &sentDate(int row) const { return m_dates.at(row).first; }
    const QString &sentTime(int row) const { return m_dates.at(row).second; }

private:
    int m_count;
    int m_width;
    QVector<QString> m_cells;
    QVector<std::pair<QString, QString>> m_dates;
};

// Builds one page's items; positions are given from the top of the band being drawn.
class PageWriter {
public:
    PageWriter(TextMeasure &measure, Page &page)
        : m_measure(measure)
        , m_page(page)
    {
    }

    void setTop(double top) { m_top = top; }

    // A single line cut to its width.
    void text(TextStyle style, double x, double y, double width, const QString &text)
    {
        const QString shown = m_measure.cut(style, text, width);
        if (!shown.isEmpty())
            place(style, x, y, m_measure.width(style, shown), shown);
    }
    // A line printed whole.
    void whole(TextStyle style, double x, double y, const QString &text)
    {
        place(style, x, y, m_measure.width(style, text), text);
    }
    // A box of wrapped lines; lines beyond its height are not printed.
    void wrapped(TextStyle style, const QRectF &box, const QString &text)
    {
        const double spacing = m_measure.lineSpacing(style);
        double y = box.top();
        for (const QString &line : m_measure.wrap(style, text, box.width(), box.height())) {
            if (!line.isEmpty())
                place(style, box.left(), y, m_measure.width(style, line), line);
            y += spacing;
        }
    }
    // The running number, at x while it ends a gap before the row's first column, else
    // ending there, but never in the margin. Returns where the first value starts: a gap
    // after a number too wide for the room before its column, else at the column.
    double number(TextStyle style, double x, double firstColumn, int n)
    {
        const QString shown = QString::number(n);
        const double width = m_measure.width(style, shown);
        const double left = std::clamp(firstColumn - Gap - width, 0.0, x);
        place(style, left, 0.4, width, shown);
        return std::max(firstColumn, left + width + Gap);
    }
    void box(double x, double y, double width, double height)
    {
        m_page.items.append({PageItem::Kind::Box, {}, QRectF(x, m_top + y, width, height), {}});
    }
    void rule(double y) { m_page.items.append({PageItem::Kind::Rule, {}, QRectF(0, m_top + y, RuleLength, 0), {}}); }

    double lineSpacing(TextStyle style) { return m_measure.lineSpacing(style); }
    double width(TextStyle style, const QString &text) { return m_measure.width(style, text); }

private:
    void place(TextStyle style, double x, double y, double width, const QString &text)
    {
        m_page.items.append(
            {PageItem::Kind::Text, style, QRectF(x, m_top + y, width, m_measure.lineSpacing(style)), text});
    }

    TextMeasure &m_measure;
    Page &m_page;
    double m_top = 0;
};

// A column: its title and where it stands, and the field printed under it, after a
// fixed prefix when it has one ("RM." before an income).
struct Column {
    QString title;
    double titleAt;
    int field;
    double at;
    QString prefix = {};
    double prefixWidth = 0;
};

// Titles of a row of columns over a framed box.
void titledBox(PageWriter &out, double y, const QVector<Column> &columns)
{
    out.box(0, y, BoxWidth, BoxHeight);
    const double inset = (BoxHeight - out.lineSpacing(Heading)) / 2;
    for (const Column &column : columns)
        out.whole(Heading, column.titleAt, y + inset, column.title);
}

// The title near the middle of the page and the date at the top right.
void titleAndDate(PageWriter &out, const QString &title, const QString &date)
{
    const double width = out.width(Title, title);
    out.whole(Title, std::clamp((AreaWidth - width) / 2, 53.0, 67.0), 1.0, title);
    out.whole(Value, 182.6, 8.7, date);
}

// Rows in bands on pages: a page header, groups with their headers, detail bands of
// one height, a page footer at the foot of each page.
class BandedReport : public PagedReport {
public:
    struct Heights {
        double header;
        double footer;
        double groupHeader; // of a group's header, when the rows are grouped
        double detail;
    };

    int pageCount() const override { return int(m_pages.size()); }

    Page page(int index) const override
    {
        Page page;
        PageWriter out(m_measure, page);
        pageHeader(out);
        for (const Band &band : m_pages.at(index)) {
            out.setTop(m_heights.header + band.y);
            if (band.groupHeader)
                groupHeader(out, band.row);
            else
                detail(out, band.row);
        }
        out.setTop(AreaHeight - m_heights.footer);
        pageFooter(out);
        return page;
    }

protected:
    BandedReport(const Dataset &rows, const QStringList &fields, QString title, const QDate &printedOn)
        : m_rows(rows, fields)
        , m_title(std::move(title))
        , m_date(DateTimeText().date(printedOn))
    {
    }

    // Places the rows on pages. Without a break field every row is in one group
    // without a header. A group starts where its break value differs from the row
    // before's; kept together, a group that does not fit the rest of a page starts a
    // new one, unless it is longer than a page.
    void paginate(Heights heights, int breakField, bool keepTogether)
    {
        m_heights = heights;
        const double room = AreaHeight - heights.header - heights.footer;
        m_pages = {{}};
        double y = 0;
        const auto newPage = [&] {
            m_pages.append(QVector<Band>());
            y = 0;
        };
        const bool grouped = breakField >= 0;
        for (int start = 0, end = 0; start < m_rows.count(); start = end) {
            end = grouped ? start + 1 : m_rows.count();
            while (end < m_rows.count() && m_rows.at(end, breakField) == m_rows.at(start, breakField))
                ++end;
            if (grouped) {
                const double whole = heights.groupHeader + (end - start) * heights.detail;
                const bool fitsRest = y + whole <= room;
                const bool headerFits = y + heights.groupHeader + heights.detail <= room;
                if (y > 0 && ((keepTogether && !fitsRest && whole <= room) || !headerFits))
                    newPage();
                m_pages.last().append({y, start, true});
                y += heights.groupHeader;
            }
            for (int row = start; row < end; ++row) {
                if (y + heights.detail > room) {
                    newPage();
                    // A group split over pages has its header again on the next page.
                    if (grouped) {
                        m_pages.last().append({y, row, true});
                        y += heights.groupHeader;
                    }
                }
                m_pages.last().append({y, row, false});
                y += heights.detail;
            }
        }
    }

    virtual void pageHeader(PageWriter &out) const { titleAndDate(out, m_title, m_date); }
    virtual void groupHeader(PageWriter &, int) const { }
    virtual void detail(PageWriter &out, int row) const = 0;
    virtual void pageFooter(PageWriter &out) const { out.rule(1.0); }

    const RowValues m_rows;

private:
    struct Band {
        double y;
        int row;
        bool groupHeader;
    };

    QString m_title;
    QString m_date;
    Heights m_heights{};
    QVector<QVector<Band>> m_pages;
    mutable TextMeasure m_measure;
};

// Prints a row of columns, the first from firstAt: each value cut a gap before the next
// column starts.
void valueRow(PageWriter &out, const RowValues &rows, int row, const QVector<Column> &columns, double y, double firstAt,
              double lastEnd)
{
    for (int i = 0; i < columns.size(); ++i) {
        const Column &column = columns.at(i);
        const double end = i + 1 < columns.size() ? columns.at(i + 1).at : lastEnd;
        if (!column.prefix.isEmpty())
            out.whole(Value, column.at, y, column.prefix);
        const double at = (i == 0 ? firstAt : column.at) + column.prefixWidth;
        out.text(Value, at, y, end - at - Gap, rows.at(row, column.field));
    }
}

// ---- the contact list (entries 1 and 6) and the contact list by group (4) ----

namespace Contact {
enum Field { Name, Nickname, Email, Group, Income, Status, Phone, Notes, Birthday, Anniversary, Festive, Language };
const QStringList fields{QStringLiteral("name"),          QStringLiteral("nickname"), QStringLiteral("email"),
                         QStringLiteral("group_name"),    QStringLiteral("income"),   QStringLiteral("maritial_status"),
                         QStringLiteral("mobile_number"), QStringLiteral("notes"),    QStringLiteral("birthday"),
                         QStringLiteral("aniversary"),    QStringLiteral("festive"),  QStringLiteral("languages")};
} // namespace Contact

class ContactList : public BandedReport {
public:
    ContactList(const Dataset &rows, const QString &title, const QDate &printedOn, bool byGroup)
        : BandedReport(rows, Contact::fields, title, printedOn)
        , m_byGroup(byGroup)
    {
        using namespace Contact;
        m_columns = {{QStringLiteral("Name "), 4.5, Name, 4.2},
                     {QStringLiteral("Nickname"), 45.0, Nickname, 45.0},
                     {QStringLiteral("email"), 68.8, Email, 68.8}};
        if (!byGroup)
            m_columns.append({QStringLiteral("Group"), 105.0, Group, 105.0});
        m_columns.append({{QStringLiteral("Income"), 124.1, Income, 123.6, QStringLiteral("RM."), 6.0},
                          {QStringLiteral("Status"), 149.0, Status, 149.2},
                          {QStringLiteral("Phone"), 169.9, Phone, 169.1}});
        if (byGroup)
            paginate({13.0, 4.0, 12.6, 4.2}, Group, false);
        else
            paginate({20.0, 4.0, 0, 4.2}, -1, false);
    }

protected:
    void pageHeader(PageWriter &out) const override
    {
        BandedReport::pageHeader(out);
        if (!m_byGroup)
            titledBox(out, 13.0, m_columns);
    }
    void groupHeader(PageWriter &out, int row) const override
    {
        out.text(GroupName, 0, 1.0, BoxWidth, m_rows.at(row, Contact::Group));
        titledBox(out, 6.0, m_columns);
    }
    void detail(PageWriter &out, int row) const override
    {
        const double firstAt = out.number(Value, 0.8, m_columns.first().at, row + 1);
        valueRow(out, m_rows, row, m_columns, 0.4, firstAt, BoxWidth);
    }

private:
    bool m_byGroup;
    QVector<Column> m_columns;
};

// ---- the contact cards (entries 2 and 5) ----

class ContactCards : public BandedReport {
public:
    ContactCards(const Dataset &rows, const QString &title, const QDate &printedOn, bool byGroup)
        : BandedReport(rows, Contact::fields, title, printedOn)
        , m_byGroup(byGroup)
    {
        if (byGroup)
            paginate({13.0, 4.0, 9.0, 41.3}, Contact::Group, true);
        else
            paginate({15.0, 4.0, 0, 41.3}, -1, false);
    }

protected:
    void pageHeader(PageWriter &out) const override
    {
        BandedReport::pageHeader(out);
        if (!m_byGroup)
            out.rule(13.5);
    }
    void groupHeader(PageWriter &out, int row) const override
    {
        out.text(CardGroup, 0, 1.0, BoxWidth, m_rows.at(row, Contact::Group));
        out.rule(7.5);
    }
    void detail(PageWriter &out, int row) const override
    {
        using namespace Contact;
        const auto line = [](int n) { return 1.5 + 5.0 * n; };
        const auto left = [&](int n, const QString &label, int field) {
            out.whole(Heading, 1.0, line(n), label);
            out.text(Value, 22.0, line(n), 78.8 - 22.0 - Gap, m_rows.at(row, field));
        };
        const auto middle = [&](int n, const QString &label, int field) {
            out.whole(Heading, 78.8, line(n), label);
            out.text(Value, 99.7, line(n), BoxWidth - 99.7, m_rows.at(row, field));
        };
        left(0, QStringLiteral("Name "), Name);
        left(1, QStringLiteral("Nickname"), Nickname);
        left(2, QStringLiteral("email"), Email);
        left(3, QStringLiteral("Group"), Group);
        out.whole(Heading, 1.0, line(4), QStringLiteral("Income"));
        out.whole(Value, 22.0, line(4), QStringLiteral("RM."));
        out.text(Value, 26.5, line(4), 78.8 - 26.5 - Gap, m_rows.at(row, Income));
        left(5, QStringLiteral("Status"), Status);
        left(6, QStringLiteral("Festive"), Festive);

        out.whole(Heading, 99.5, line(0), QStringLiteral("Home Address:"));
        out.wrapped(Value, QRectF(124.1, line(0), 72.0, 14.3), m_rows.at(row, Notes));
        middle(3, QStringLiteral("Phone"), Phone);
        middle(4, QStringLiteral("Birthday"), Birthday);
        middle(5, QStringLiteral("Anniversary"), Anniversary);
        middle(6, QStringLiteral("Language"), Language);
        out.rule(41.3 - 0.5);
    }
    void pageFooter(PageWriter &) const override { }

private:
    bool m_byGroup;
};

// ---- the address labels (entry 3) ----

class AddressLabels : public PagedReport {
public:
    AddressLabels(const Dataset &rows)
        : m_rows(rows, {QStringLiteral("name"), QStringLiteral("notes")})
    {
    }

    static constexpr int Across = 3;
    static constexpr double Pitch = 28.3;
    static constexpr int Down = int(AreaHeight / Pitch);

    int pageCount() const override { return std::max(1, (m_rows.count() + Across * Down - 1) / (Across * Down)); }

    Page page(int index) const override
    {
        static constexpr double columns[Across] = {0.0, 72.14 - Margin, 137.94 - Margin};
        Page page;
        PageWriter out(m_measure, page);
        const int first = index * Across * Down;
        const int last = std::min(m_rows.count(), first + Across * Down);
        for (int row = first; row < last; ++row) {
            const int place = row - first;
            const double x = columns[place % Across];
            out.setTop((place / Across) * Pitch);
            out.box(x, 0, 65.1, 27.8);
            out.text(LabelName, x + 3.0, 1.8, 57.4, m_rows.at(row, 0));
            out.wrapped(LabelAddress, QRectF(x + 3.0, 7.2, 57.4, 17.5), m_rows.at(row, 1));
        }
        return page;
    }

private:
    const RowValues m_rows;
    mutable TextMeasure m_measure;
};

// ---- the message layouts (entries 7 to 12) ----

namespace Message {
enum Field { Project, Name, Phone, Nickname, Group, Status, Text, Festive };
const QStringList fields{QStringLiteral("project_name"), QStringLiteral("name"),       QStringLiteral("mobile_number"),
                         QStringLiteral("nickname"),     QStringLiteral("group_name"), QStringLiteral("status"),
                         QStringLiteral("msg_send"),     QStringLiteral("festive")};
constexpr int SentAt = -1; // the date and time column
} // namespace Message

class MessageReport : public BandedReport {
public:
    MessageReport(const Dataset &rows, const ReportEntry &entry, const QDate &printedOn)
        : BandedReport(rows, Message::fields, entry.title, printedOn)
        , m_layout(entry.layout)
    {
        using namespace Message;
        const Column sent{QStringLiteral("Date Send"), 0, SentAt, 0};
        const Column project{QStringLiteral("Project"), 0, Project, 0};
        const Column name{QStringLiteral("Name"), 0, Name, 0};
        const Column phone{QStringLiteral("Phone"), 0, Phone, 0};
        const Column nickname{QStringLiteral("Nickname"), 0, Nickname, 0};
        const Column group{QStringLiteral("Group"), 0, Group, 0};
        const Column status{QStringLiteral("Status"), 0, Status, 0};
        const Column message{QStringLiteral("Message"), 0, Text, 0};
        QVector<double> at;
        double detailHeight = 15.3;
        switch (m_layout) {
            case Layout::MessagesByName:
                m_columns = {sent, project, nickname, status, message};
                at = {4.2, 45.0, 80.2, 102.4, 122.0};
                m_box = QSizeF(74.1, 10.1);
                m_breakField = Name;
                detailHeight = 11.1;
                break;
            case Layout::MessagesByGroup:
                m_columns = {sent, project, name, phone, nickname, status, message};
                at = {5.3, 37.8, 61.6, 84.4, 105.3, 121.7, 132.6};
                m_box = QSizeF(64.6, 14.0);
                m_breakField = Group;
                break;
            default:
                m_columns = {sent, project, name, phone, nickname, group, status, message};
                at = {5.3, 37.8, 61.6, 84.4, 105.3, 121.4, 137.6, 151.1};
                m_box = QSizeF(44.7, 14.0);
                m_breakField = m_layout == Layout::MessagesByFestive ? Festive : Project;
                break;
        }
        for (int i = 0; i < m_columns.size(); ++i)
            m_columns[i].titleAt = m_columns[i].at = at.at(i);
        paginate({13.0, 4.0, titlesOnly() ? 7.6 : 12.6, detailHeight}, m_breakField, true);
    }

protected:
    bool titlesOnly() const { return m_layout == Layout::BirthdayMessages || m_layout == Layout::AnniversaryMessages; }

    void groupHeader(PageWriter &out, int row) const override
    {
        if (titlesOnly()) {
            titledBox(out, 1.0, m_columns);
            return;
        }
        if (m_layout == Layout::MessagesByName) {
            out.text(GroupLine, 4.2, 1.0, 80.2 - 4.2 - Gap, m_rows.at(row, Message::Name));
            out.text(GroupLine, 80.2, 1.0, 122.0 - 80.2 - Gap, m_rows.at(row, Message::Phone));
            out.whole(GroupName, 122.0, 1.0, QStringLiteral("Group"));
            out.text(GroupLine, 135.0, 1.0, BoxWidth - 135.0, m_rows.at(row, Message::Group));
        } else {
            out.text(GroupLine, m_columns.first().at, 1.0, BoxWidth, m_rows.at(row, m_breakField));
        }
        titledBox(out, 6.0, m_columns);
    }

    void detail(PageWriter &out, int row) const override
    {
        const double firstAt = out.number(Number, 0.3, m_columns.first().at, row + 1);
        for (int i = 0; i < m_columns.size(); ++i) {
            const Column &column = m_columns.at(i);
            if (column.field == Message::Text) {
                out.wrapped(Value, QRectF(QPointF(column.at, 0.4), m_box), m_rows.at(row, Message::Text));
                continue;
            }
            const double at = i == 0 ? firstAt : column.at;
            const double width = m_columns.at(i + 1).at - at - Gap;
            if (column.field == Message::SentAt) {
                out.text(Value, at, 0.4, width, m_rows.sentDate(row));
                out.text(Value, at, 0.4 + out.lineSpacing(Value), width, m_rows.sentTime(row));
            } else {
                out.text(Value, at, 0.4, width, m_rows.at(row, column.field));
            }
        }
    }

private:
    Layout m_layout;
    QVector<Column> m_columns;
    QSizeF m_box;
    int m_breakField = 0;
};

// ---- the delivery of a project (entry 13) ----

namespace Delivered {
enum Field { Project, Name, Phone, Group, Status, Id };
const QStringList fields{QStringLiteral("project_name"), QStringLiteral("name"),   QStringLiteral("mobile_number"),
                         QStringLiteral("group_name"),   QStringLiteral("status"), QStringLiteral("id")};
constexpr int SentAt = -1;
constexpr int Delivery = -2;
} // namespace Delivered

class DeliveryReport : public BandedReport {
public:
    DeliveryReport(const Dataset &rows, const QString &title, const ProjectDeliveries &deliveries,
                   const QDate &printedOn)
        : BandedReport(rows, Delivered::fields, title, printedOn)
        , m_deliveries(deliveries)
    {
        using namespace Delivered;
        m_columns = {{QStringLiteral("Date Send"), 0, SentAt, 0}, {QStringLiteral("Name"), 0, Name, 0},
                     {QStringLiteral("Phone"), 0, Phone, 0},      {QStringLiteral("Group"), 0, Group, 0},
                     {QStringLiteral("Status"), 0, Status, 0},    {QStringLiteral("Delivery"), 0, Delivery, 0}};
        const QVector<double> at{5.3, 37.8, 84.4, 112.0, 140.0, 156.0};
        for (int i = 0; i < m_columns.size(); ++i)
            m_columns[i].titleAt = m_columns[i].at = at.at(i);
        paginate({13.0, 4.0, 12.6, 11.1}, Project, false);
    }

protected:
    void groupHeader(PageWriter &out, int row) const override
    {
        out.text(GroupLine, m_columns.first().at, 1.0, BoxWidth,
                 QStringLiteral("%1: %2 delivered, %3 pending, %4 failed")
                     .arg(m_rows.at(row, Delivered::Project))
                     .arg(m_deliveries.delivered)
                     .arg(m_deliveries.pending)
                     .arg(m_deliveries.failed));
        titledBox(out, 6.0, m_columns);
    }

    void detail(PageWriter &out, int row) const override
    {
        const double firstAt = out.number(Number, 0.3, m_columns.first().at, row + 1);
        for (int i = 0; i < m_columns.size(); ++i) {
            const Column &column = m_columns.at(i);
            const double at = i == 0 ? firstAt : column.at;
            const double width = (i + 1 < m_columns.size() ? m_columns.at(i + 1).at : BoxWidth) - at - Gap;
            if (column.field == Delivered::SentAt) {
                out.text(Value, at, 0.4, width, m_rows.sentDate(row));
                out.text(Value, at, 0.4 + out.lineSpacing(Value), width, m_rows.sentTime(row));
            } else if (column.field == Delivered::Delivery) {
                out.text(Value, at, 0.4, width, m_deliveries.byRow.value(m_rows.at(row, Delivered::Id).toLongLong()));
            } else {
                out.text(Value, at, 0.4, width, m_rows.at(row, column.field));
            }
        }
    }

private:
    ProjectDeliveries m_deliveries;
    QVector<Column> m_columns;
};

} // namespace

std::unique_ptr<PagedReport> layOutDelivery(const ReportEntry &entry, const QString &project, const Dataset &rows,
                                            const ProjectDeliveries &deliveries, const QDate &printedOn)
{
    return std::make_unique<DeliveryReport>(rows, entry.titleFor(project), deliveries, printedOn);
}

std::unique_ptr<PagedReport> layOut(const ReportEntry &entry, const Dataset &rows, const QDate &printedOn)
{
    if (entry.isOfAProject())
        throw BrivoraError(QStringLiteral("The report \"%1\" is of one project: name the project.").arg(entry.listText));
    switch (entry.layout) {
        case Layout::ContactList:
            return std::make_unique<ContactList>(rows, entry.title, printedOn, false);
        case Layout::ContactListByGroup:
            return std::make_unique<ContactList>(rows, entry.title, printedOn, true);
        case Layout::ContactCards:
            return std::make_unique<ContactCards>(rows, entry.title, printedOn, false);
        case Layout::ContactCardsByGroup:
            return std::make_unique<ContactCards>(rows, entry.title, printedOn, true);
        case Layout::AddressLabels:
            return std::make_unique<AddressLabels>(rows);
        default:
            return std::make_unique<MessageReport>(rows, entry, printedOn);
    }
}

std::unique_ptr<PagedReport> runReport(DataModule &dm, const ReportEntry &entry, const QDate &printedOn)
{
    Dataset &rows = reportDataset(dm, entry);
    rows.repoint(entry.statement);
    return layOut(entry, rows, printedOn);
}

std::unique_ptr<PagedReport> runProjectReport(DataModule &dm, const ReportEntry &entry, const QString &project,
                                              const QDate &printedOn)
{
    Dataset &rows = reportDataset(dm, entry);
    rows.repoint(entry.statementFor(project));
    return layOutDelivery(entry, project, rows, deliveriesOf(dm.con, project), printedOn);
}

} // namespace Reports
