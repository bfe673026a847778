#include "contacts/ProfileImport.h"

#include "base/Errors.h"
#include "contacts/ProfileStore.h"

#include <QFile>
#include <QLocale>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringEncoder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace {

enum class Kind { Text, Number, Date };

struct SheetColumn {
    const char *name;
    Kind kind;
};

// The columns a sheet must have, in the order they are written into a profile.
constexpr SheetColumn ProfileColumns[] = {
    {"name", Kind::Text},
    {"nickname", Kind::Text},
    {"mobile_number", Kind::Number},
    {"group_name", Kind::Text},
    {"birthday", Kind::Date},
    {"aniversary", Kind::Date},
    {"maritial_status", Kind::Text},
    {"income", Kind::Number},
    {"greeting", Kind::Text},
    {"email", Kind::Text},
    {"languages", Kind::Text},
    {"notes", Kind::Text},
    {"festive", Kind::Text},
    {"var1", Kind::Text},
    {"var2", Kind::Text},
};

// A whole number, as phone numbers and incomes are, that a double holds exactly.
std::optional<qint64> wholeNumber(double number)
{
    constexpr double ExactWholeNumbers = 9007199254740992.0; // 2^53
    if (std::abs(number) < ExactWholeNumbers && number == std::trunc(number))
        return static_cast<qint64>(number);
    return std::nullopt;
}

QString plainNumber(double number)
{
    // Whole numbers the quick way: the locale's shortest form took longer than the rest of
    // converting the cell.
    if (const auto whole = wholeNumber(number))
        return QString::number(*whole);
    // A phone number of eleven digits stays eleven digits: no decimal point, no exponent.
    return QLocale::c().toString(number, 'f', QLocale::FloatingPointShortest);
}

QString dateText(const WorkbookCell &cell)
{
    // The form the profile editor and the greetings match on, whatever the locale.
    const QString date = ProfileStore::dateText(cell.moment.date());
    if (cell.kind != WorkbookCell::Kind::DateTime)
        return date;
    return date + QLatin1Char(' ') + cell.moment.time().toString(QStringLiteral("HH:mm:ss"));
}

QString anyText(const WorkbookCell &cell)
{
    switch (cell.kind) {
        case WorkbookCell::Kind::Empty:
            return {};
        case WorkbookCell::Kind::Text:
            return cell.text;
        case WorkbookCell::Kind::Number:
            return plainNumber(cell.number);
        case WorkbookCell::Kind::Date:
        case WorkbookCell::Kind::DateTime:
            return dateText(cell);
    }
    return {};
}

// A cell of another kind than its column's cannot be read.
void checkKind(const WorkbookCell &cell, Kind kind, const QString &column, int sheetRow)
{
    const bool fits = kind == Kind::Text || cell.kind == WorkbookCell::Kind::Empty
        || (kind == Kind::Number && cell.kind == WorkbookCell::Kind::Number)
        || (kind == Kind::Date && (cell.kind == WorkbookCell::Kind::Date || cell.kind == WorkbookCell::Kind::DateTime));
    if (fits)
        return;
    const QString wanted = kind == Kind::Number ? QStringLiteral("a number") : QStringLiteral("a date");
    throw BrivoraError(QStringLiteral("Data type mismatch in sheet row %1, column %2: %3 is expected")
                           .arg(sheetRow)
                           .arg(column, wanted));
}

// The sheet's column names: the first row's texts; an empty name becomes F<n> and a
// repeated one gets its position added, so that every column can be shown.
QStringList columnNames(const QList<WorkbookCell> &header)
{
    QStringList names;
    QSet<QString> seen;
    for (int column = 0; column < header.size(); ++column) {
        QString name = anyText(header.at(column)).trimmed();
        if (name.isEmpty() || seen.contains(name.toLower()))
            name = QStringLiteral("F%1").arg(column + 1);
        seen.insert(name.toLower());
        names << name;
    }
    return names;
}

QString quotedName(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

void execute(Database &database, const QString &sql)
{
    QSqlQuery query(database.connection());
    if (!query.exec(sql))
        database.fail(query.lastError());
}

ProfileSheet::Failure failureOf(const QString &path, const BrivoraError &error)
{
    // A file that is no workbook at all cannot be connected to; one whose sheet is not as
    // the import needs it cannot be read.
    const bool opens = workbookFormat(path) != WorkbookFormat::None;
    return {QString::fromLatin1(opens ? ProfileSheet::ReadText : ProfileSheet::ConnectText).arg(path), error.text()};
}

// Copies rows into table profile, after deleting every profile when replacing, in one
// transaction; addRow(insert, row) adds a row and says whether it held a value at all (a
// row inserted in the preview and left alone holds none, and makes no profile). Returns
// the rows stored.
template<typename AddRow>
int copyIntoProfiles(Database &database, bool replace, int rowCount, WorkProgress *progress, const AddRow &addRow)
{
    QStringList names;
    for (const SheetColumn &column : ProfileColumns)
        names << QLatin1String(column.name);
    int stored = 0;
    database.transaction([&] {
        stored = 0; // a server may run this twice
        if (replace) {
            QSqlQuery &erase = database.prepared(QStringLiteral("DELETE FROM profile"));
            database.execute(erase);
            erase.finish();
        }
        Database::RowInsert profiles(database, QStringLiteral("profile"), names);
        for (int row = 0; row < rowCount; ++row) {
            if (progress)
                progress->advance(row, rowCount);
            try {
                if (addRow(profiles, row))
                    ++stored;
            } catch (const BrivoraError &error) {
                // The first row under the column names is the sheet's second.
                throw BrivoraError(QStringLiteral("Sheet row %1: %2").arg(row + 2).arg(error.text()));
            }
        }
        profiles.finish();
        // Cancelled at the last moment, the import still stores nothing.
        if (progress)
            progress->advance(rowCount, rowCount);
    });
    return stored;
}

// Adds a row of texts as a profile is stored (no NULL, no NUL); false for a row of empty texts.
bool addStoredTexts(Database::RowInsert &profiles, QVector<QVariant> &values, const auto &textAt)
{
    bool blank = true;
    for (qsizetype column = 0; column < values.size(); ++column) {
        const QString value = Database::storedText(textAt(column));
        blank = blank && value.isEmpty();
        values[column] = value;
    }
    if (!blank)
        profiles.add(values);
    return !blank;
}

// Converts a sheet row's cells into one packed row, as the scratch table would give it
// back: each text in UTF-8, an empty cell NULL. The texts are written into one buffer
// that the packing copies, numbers straight as digits, not each into a string of its own.
class RowPacker {
public:
    RowPacker(const QStringList &names, const QList<Kind> &kinds)
        : m_names(names)
        , m_kinds(kinds)
    {
    }

    PackedRow pack(const QList<WorkbookCell> &cells, int sheetRow)
    {
        static const WorkbookCell empty;
        const auto cellAt = [&](qsizetype column) -> const WorkbookCell & {
            return column < cells.size() ? cells.at(column) : empty;
        };
        // Room for every text, and for a number or a date as digits.
        constexpr qsizetype DigitsRoom = 64;
        qsizetype space = 0;
        for (qsizetype column = 0; column < m_names.size(); ++column) {
            const WorkbookCell &cell = cellAt(column);
            space += cell.kind == WorkbookCell::Kind::Text ? m_encoder.requiredSpace(cell.text.size()) : DigitsRoom;
        }
        if (m_buffer.size() < space)
            m_buffer.resize(space);
        PackedRow::Builder row(static_cast<int>(m_names.size()));
        char *out = m_buffer.data();
        for (qsizetype column = 0; column < m_names.size(); ++column) {
            const WorkbookCell &cell = cellAt(column);
            checkKind(cell, m_kinds.at(column), m_names.at(column), sheetRow);
            char *const start = out;
            switch (cell.kind) {
                case WorkbookCell::Kind::Empty:
                    row.addNull();
                    continue;
                case WorkbookCell::Kind::Text:
                    out = m_encoder.appendToBuffer(out, cell.text);
                    break;
                case WorkbookCell::Kind::Number:
                    if (const auto whole = wholeNumber(cell.number)) {
                        out = std::to_chars(out, out + DigitsRoom, *whole).ptr;
                        break;
                    }
                    [[fallthrough]];
                default:
                    out = m_encoder.appendToBuffer(out, anyText(cell));
            }
            row.addText(start, static_cast<int>(out - start));
        }
        return row.finish();
    }

private:
    const QStringList &m_names;
    const QList<Kind> &m_kinds;
    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    QByteArray m_buffer;
};

} // namespace

ProfileSheet::ProfileSheet()
    : m_database(m_folder.filePath(QStringLiteral("sheet.db")))
    , m_rows(m_database, QStringLiteral("ADOQuery1"), QStringLiteral("SELECT * FROM sheet0"))
{
    // The scratch database is made here; the program's own database never is.
    QFile file(m_folder.filePath(QStringLiteral("sheet.db")));
    if (!m_folder.isValid() || !file.open(QIODevice::WriteOnly))
        throw BrivoraError(
            QStringLiteral("Cannot make a scratch file for the workbook's rows in %1").arg(m_folder.path()));
    // A scratch file need not survive a crash: its rows are written without a journal on
    // disk and without waiting for the disk, which took a third of the time of writing them.
    execute(m_database, QStringLiteral("PRAGMA journal_mode=MEMORY"));
    execute(m_database, QStringLiteral("PRAGMA synchronous=OFF"));
    // Any change to the preview's rows, even one put back as it was, makes the import read them from there.
    const auto edited = [this] {
        m_edited = true;
        m_converted.clear();
    };
    QObject::connect(&m_rows, &Dataset::rowChanged, &m_rows, edited);
    QObject::connect(&m_rows, &Dataset::rowInserted, &m_rows, edited);
    QObject::connect(&m_rows, &Dataset::rowRemoved, &m_rows, edited);
}

std::optional<ProfileSheet::Failure> ProfileSheet::display(const QString &path, WorkProgress *progress)
{
    m_shownOk = false;
    WorkbookRows sheet;
    try {
        sheet = readSheet1(path, progress);
    } catch (const BrivoraError &error) {
        return failureOf(path, error);
    }
    return display(path, sheet);
}

std::optional<ProfileSheet::Failure> ProfileSheet::display(const QString &path, const WorkbookRows &sheet)
{
    m_shownOk = false;
    try {
        store(sheet);
    } catch (const BrivoraError &error) {
        return failureOf(path, error);
    }
    m_shownOk = true;
    return std::nullopt;
}

void ProfileSheet::store(const WorkbookRows &rows)
{
    if (rows.isEmpty())
        throw BrivoraError(QStringLiteral("The sheet \"Sheet1\" is empty: its first row must name the columns"));
    const QStringList names = columnNames(rows.first());
    // Each column of a profile by its position in the sheet, checked before anything is kept.
    QList<Kind> kinds(names.size(), Kind::Text);
    QList<int> profileColumns;
    for (const SheetColumn &column : ProfileColumns) {
        const auto found = std::find_if(names.begin(), names.end(), [&](const QString &name) {
            return name.compare(QLatin1String(column.name), Qt::CaseInsensitive) == 0;
        });
        if (found == names.end())
            throw BrivoraError(
                QStringLiteral("The sheet \"Sheet1\" has no column named %1").arg(QLatin1String(column.name)));
        profileColumns << static_cast<int>(found - names.begin());
        kinds[profileColumns.last()] = column.kind;
    }
    QVector<PackedRow> converted;
    converted.reserve(rows.size() - 1);
    RowPacker packer(names, kinds);
    for (int row = 1; row < rows.size(); ++row)
        converted << packer.pack(rows.at(row), row + 1);

    // A table of its own for each sheet shown: the database keeps what it learnt of a table's columns.
    const QString table = QStringLiteral("sheet%1").arg(++m_shown);
    m_rows.close();
    m_database.transaction([&] {
        QStringList declared;
        for (const QString &name : names)
            declared << quotedName(name) + QStringLiteral(" TEXT");
        if (m_shown > 1)
            execute(m_database, QStringLiteral("DROP TABLE IF EXISTS sheet%1").arg(m_shown - 1));
        execute(m_database, QStringLiteral("CREATE TABLE %1 (%2)").arg(table, declared.join(QStringLiteral(", "))));
    });
    // The preview shows the rows as converted, and they go into its table only once it is
    // changed: an import of the rows as converted never needs them there, and writing and
    // reading them back was most of the program's own work.
    m_rows.repointWithRows(QStringLiteral("SELECT * FROM ") + table, converted, [this, table, names, converted] {
        m_database.transaction([&] {
            Database::RowInsert insert(m_database, table, names);
            QVector<QVariant> values(names.size());
            for (const PackedRow &line : converted) {
                for (int column = 0; column < line.size(); ++column)
                    values[column] = line.value(column);
                insert.add(values);
            }
            insert.finish();
        });
    });
    m_converted = std::move(converted);
    m_profileColumns = std::move(profileColumns);
    m_edited = false;
}

int ProfileSheet::importInto(Database &database, bool replace, WorkProgress *progress)
{
    if (!isShown())
        throw BrivoraError(QString::fromLatin1(NothingShownText));
    QVector<QVariant> values(m_profileColumns.size());
    if (m_edited) {
        // The scratch table has the sheet's columns in the sheet's order.
        return copyIntoProfiles(database, replace, m_rows.recordCount(), progress,
                                [&](Database::RowInsert &profiles, int row) {
            return addStoredTexts(profiles, values, [&](qsizetype column) {
                return m_rows.valueAt(row, m_profileColumns.at(column)).toString();
            });
        });
    }
    // The rows as "Display" converted them, their UTF-8 stored as it lies; an empty cell is
    // stored as an empty text.
    static const char empty[] = "";
    QVarLengthArray<QByteArrayView, std::size(ProfileColumns)> texts(m_profileColumns.size());
    return copyIntoProfiles(database, replace, static_cast<int>(m_converted.size()), progress,
                            [&](Database::RowInsert &profiles, int row) {
                                const PackedRow &line = m_converted.at(row);
                                bool blank = true;
                                bool holdsNul = false;
                                for (qsizetype column = 0; column < texts.size(); ++column) {
                                    const QByteArrayView text = line.utf8Text(m_profileColumns.at(column));
                                    texts[column] = text.isNull() ? QByteArrayView(empty, 0) : text;
                                    blank = blank && text.isEmpty();
                                    holdsNul = holdsNul || text.contains('\0');
                                }
                                if (blank)
                                    return false;
                                if (!holdsNul) {
                                    profiles.addTexts(texts);
                                    return true;
                                }
                                return addStoredTexts(profiles, values, [&](qsizetype column) {
                                    return QString::fromUtf8(texts.at(column));
                                });
                            });
}
