#include "data/Dataset.h"

#include "base/Errors.h"
#include "data/JetSql.h"

#include <QRegularExpression>
#include <QSqlError>

#include <algorithm>
#include <numeric>

Dataset::Dataset(Database &database, QString name, QString defaultSql, QObject *parent)
    : QObject(parent)
    , m_database(database)
    , m_defaultSql(std::move(defaultSql))
    , m_sql(m_defaultSql)
{
    setObjectName(name);
}

void Dataset::open()
{
    if (isOpen())
        return;
    const JetSql::Select select = JetSql::translate(m_sql, m_database);
    const TableColumns columns = m_database.columns(select.table);
    writeGivenRows();
    QVector<PackedRow> rows;
    QVector<qint64> rowIds;
    readRows(select.sql, rows, rowIds);
    show(select.table, columns, std::move(rows), std::move(rowIds));
}

void Dataset::readRows(const QString &sql, QVector<PackedRow> &rows, QVector<qint64> &rowIds)
{
    const std::unique_ptr<Database::Statement> statement = m_database.select(sql);
    while (statement->step()) {
        rowIds << statement->integer(0);
        rows << statement->row(1);
    }
}

bool Dataset::canReadAgain() const
{
    return m_state == State::Browse && !m_writeGivenRows && m_holds == 0;
}

void Dataset::readAgain()
{
    if (!canReadAgain())
        return;
    QVector<PackedRow> rows;
    QVector<qint64> rowIds;
    readRows(JetSql::translate(m_sql, m_database).sql, rows, rowIds);
    const int place = m_current;
    const qint64 currentId = eof() ? -1 : m_rowIds.at(m_current);
    m_rows = std::move(rows);
    m_rowIds = std::move(rowIds);
    m_current = currentId < 0 ? -1 : static_cast<int>(m_rowIds.indexOf(currentId));
    if (m_current < 0 && !m_rows.isEmpty())
        m_current = std::clamp(place, 0, recordCount() - 1);
    m_dateTimeText = DateTimeText();
    Q_EMIT reset();
    Q_EMIT currentRowChanged(m_current);
}

void Dataset::repointWithRows(const QString &sql, QVector<PackedRow> rows, std::function<void()> write)
{
    close();
    m_sql = sql;
    const QString table = JetSql::translate(m_sql, m_database).table;
    const TableColumns columns = m_database.columns(table);
    m_writeGivenRows = std::move(write);
    QVector<qint64> rowIds(rows.size());
    std::iota(rowIds.begin(), rowIds.end(), 1);
    show(table, columns, std::move(rows), std::move(rowIds));
}

void Dataset::show(const QString &table, const TableColumns &columns, QVector<PackedRow> rows, QVector<qint64> rowIds)
{
    m_table = table;
    m_fieldNames.clear();
    m_kinds.clear();
    m_fieldIndex.clear();
    for (int c = 0; c < columns.size(); ++c) {
        m_fieldNames << columns[c].name;
        m_kinds << columns[c].kind;
        m_fieldIndex.insert(columns[c].name.toLower(), c);
    }
    m_rows = std::move(rows);
    m_rowIds = std::move(rowIds);
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_state = State::Browse;
    m_dateTimeText = DateTimeText();
    Q_EMIT reset();
    Q_EMIT currentRowChanged(m_current);
}

void Dataset::writeGivenRows()
{
    if (!m_writeGivenRows)
        return;
    m_writeGivenRows();
    m_writeGivenRows = nullptr;
}

void Dataset::close()
{
    if (!isOpen())
        return;
    Q_EMIT aboutToClose();
    m_state = State::Closed;
    m_rows.clear();
    m_rowIds.clear();
    m_current = -1;
    m_buffer.clear();
    Q_EMIT reset();
}

void Dataset::refresh()
{
    close();
    open();
}

void Dataset::repoint(const QString &sql)
{
    close();
    m_sql = sql;
    open();
}

void Dataset::reread(int row)
{
    requireOpen();
    writeGivenRows();
    const std::unique_ptr<Database::Statement> statement = m_database.select(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
            .arg(m_database.rowSelectList(m_table), m_database.table(m_table), m_database.rowKey(m_table))
            .arg(m_rowIds.at(row)));
    // A row deleted meanwhile keeps what the snapshot holds, as after any other delete.
    if (!statement->step())
        return;
    m_rows[row] = statement->row(1);
    Q_EMIT rowChanged(row);
}

void Dataset::setCurrentRow(int row)
{
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        post();
    const int target = m_rows.isEmpty() ? -1 : std::clamp(row, 0, recordCount());
    if (target == m_current)
        return;
    m_current = target;
    Q_EMIT currentRowChanged(m_current);
}

void Dataset::next()
{
    requireOpen();
    if (m_current < recordCount())
        setCurrentRow(m_current + 1);
}

int Dataset::fieldIndex(const QString &field) const
{
    return m_fieldIndex.value(field.toLower(), -1);
}

int Dataset::requireField(const QString &field) const
{
    requireOpen();
    const int column = fieldIndex(field);
    if (column < 0)
        throw BrivoraError(QStringLiteral("Field '%1' not found").arg(field));
    return column;
}

void Dataset::requireOpen() const
{
    if (!isOpen())
        throw BrivoraError(QStringLiteral("Operation is not allowed when the object is closed"));
}

void Dataset::requireCurrentRow() const
{
    if (eof())
        throw BrivoraError(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted"));
}

QVariant Dataset::value(const QString &field) const
{
    const int column = requireField(field);
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer[column];
    if (eof())
        return {};
    return cell(m_current, column);
}

QVariant Dataset::valueAt(int row, int column) const
{
    if (row < 0 || row >= recordCount() || column < 0 || column >= m_fieldNames.size())
        return {};
    if (row == m_current && (m_state == State::Edit || m_state == State::Insert))
        return m_buffer[column];
    return cell(row, column);
}

QVariant Dataset::cell(int row, int column) const
{
    const QVariant stored = m_rows[row].value(column);
    return m_kinds[column] == Column::Kind::DateTime ? fromStorage(stored) : stored;
}

Dataset::Row Dataset::storedRow(int row) const
{
    Row values(m_fieldNames.size());
    for (int column = 0; column < values.size(); ++column)
        values[column] = m_rows[row].value(column);
    return values;
}

void Dataset::append()
{
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        post();
    m_buffer = Row(m_fieldNames.size());
    m_dirty = QVector<bool>(m_fieldNames.size(), false);
    m_state = State::Insert;
}

void Dataset::edit()
{
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    // Only an empty result inserts; past the last row there is no row to change.
    if (isEmpty()) {
        append();
        return;
    }
    requireCurrentRow();
    m_buffer = Row(m_fieldNames.size());
    for (int column = 0; column < m_buffer.size(); ++column)
        m_buffer[column] = cell(m_current, column);
    m_dirty = QVector<bool>(m_fieldNames.size(), false);
    m_state = State::Edit;
}

void Dataset::setValue(const QString &field, const QVariant &value)
{
    const int column = requireField(field);
    if (m_state != State::Edit && m_state != State::Insert)
        throw BrivoraError(QStringLiteral("Dataset not in edit or insert mode"));
    m_buffer[column] = value;
    m_dirty[column] = true;
}

QVariant Dataset::toStorage(int column, const QVariant &value) const
{
    if (!value.isValid())
        return QVariant(QMetaType(QMetaType::QString));
    if (m_kinds[column] == Column::Kind::DateTime)
        return Database::storedDateTime(value.typeId() == QMetaType::QDate ? value.toDate().startOfDay()
                                                                           : value.toDateTime());
    if (m_kinds[column] == Column::Kind::Counter)
        return value.toLongLong();
    // An empty box stores an empty text, not NULL, so it is found by = "" as typed.
    return Database::storedText(value.toString());
}

QVariant Dataset::fromStorage(const QVariant &value)
{
    if (value.isNull())
        return QVariant(QMetaType(QMetaType::QDateTime));
    return Database::dateTimeOf(value);
}

QSqlQuery &Dataset::preparedInsert(const QVector<int> &columns)
{
    // The new row's key comes back with it.
    const QString table = m_database.table(m_table);
    const QString returning = m_database.returningKey(m_table);
    if (columns.isEmpty())
        return m_database.prepared(QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table) + returning);
    QStringList names;
    QStringList marks;
    for (int c : columns) {
        names << QLatin1Char('"') + m_fieldNames[c] + QLatin1Char('"');
        marks << QStringLiteral("?");
    }
    return m_database.prepared(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))
                               + returning);
}

void Dataset::post()
{
    requireOpen();
    if (m_state == State::Browse)
        return;
    // A refused row is not stored and not kept for a later post to try again.
    try {
        writeBuffer();
    } catch (...) {
        cancel();
        throw;
    }
}

void Dataset::writeBuffer()
{
    writeGivenRows();
    // The changed fields as the table stores them: bound into the statement and kept
    // in the snapshot alike.
    QVector<int> columns;
    Row stored = m_state == State::Insert ? Row(m_fieldNames.size()) : storedRow(m_current);
    for (int c = 0; c < m_dirty.size(); ++c) {
        if (m_dirty[c] && m_kinds[c] != Column::Kind::Counter) {
            columns << c;
            stored[c] = toStorage(c, m_buffer[c]);
        }
    }

    if (m_state == State::Insert) {
        QSqlQuery &insert = preparedInsert(columns);
        for (int i = 0; i < columns.size(); ++i)
            insert.bindValue(i, stored[columns[i]]);
        const qint64 rowId = m_database.insertReturningKey(insert);
        m_database.noteWriter(*this);
        for (int c = 0; c < m_kinds.size(); ++c)
            if (m_kinds[c] == Column::Kind::Counter)
                stored[c] = rowId;
        m_rows << PackedRow::fromValues(stored);
        m_rowIds << rowId;
        m_state = State::Browse;
        m_buffer.clear();
        const int inserted = recordCount() - 1;
        Q_EMIT rowInserted(inserted);
        m_current = inserted;
        Q_EMIT currentRowChanged(m_current);
        return;
    }

    if (!columns.isEmpty()) {
        QStringList assignments;
        for (int c : columns)
            assignments << QStringLiteral("\"%1\" = ?").arg(m_fieldNames[c]);
        QSqlQuery update(m_database.connection());
        if (!update.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                .arg(m_database.table(m_table), assignments.join(QStringLiteral(", ")),
                                     m_database.rowKey(m_table))))
            m_database.fail(update.lastError());
        int i = 0;
        for (int c : columns)
            update.bindValue(i++, stored[c]);
        update.bindValue(i, m_rowIds[m_current]);
        m_database.execute(update);
        m_database.noteWriter(*this);
        if (update.numRowsAffected() != 1)
            throw BrivoraError(QStringLiteral("Row cannot be located for updating. Some values may have been changed "
                                              "since it was last read"));
        m_rows[m_current] = PackedRow::fromValues(stored);
    }
    m_state = State::Browse;
    m_buffer.clear();
    Q_EMIT rowChanged(m_current);
}

void Dataset::cancel()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    m_state = State::Browse;
    m_buffer.clear();
    if (!eof())
        Q_EMIT rowChanged(m_current);
}

void Dataset::remove()
{
    requireOpen();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    cancel();
    requireCurrentRow();
    removeRow(m_current);
}

void Dataset::removeRow(int row)
{
    requireOpen();
    if (row < 0 || row >= recordCount())
        throw BrivoraError(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted"));
    if (row == m_current)
        cancel();
    writeGivenRows();
    QSqlQuery erase(m_database.connection());
    if (!erase.prepare(
            QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(m_database.table(m_table), m_database.rowKey(m_table))))
        m_database.fail(erase.lastError());
    erase.bindValue(0, m_rowIds[row]);
    m_database.execute(erase);
    m_database.noteWriter(*this);
    Q_EMIT rowAboutToBeRemoved(row);
    m_rows.removeAt(row);
    m_rowIds.removeAt(row);
    Q_EMIT rowRemoved(row);
    if (row < m_current) {
        --m_current;
    } else if (row == m_current) {
        m_current = m_rows.isEmpty() ? -1 : std::min(row, recordCount() - 1);
        Q_EMIT currentRowChanged(m_current);
    }
}

void Dataset::setDisplayHandler(const QString &field, DisplayHandler handler)
{
    m_displayHandlers.insert(field.toLower(), std::move(handler));
}

DateTimeText::DateTimeText()
    : m_dateFormat(m_locale.dateFormat(QLocale::ShortFormat))
    , m_timeFormat(m_locale.timeFormat(QLocale::LongFormat))
{
    static const QRegularExpression zone(QStringLiteral("\\s*t+"));
    m_timeFormat.remove(zone);
    m_dateTimeFormat = m_dateFormat + QLatin1Char(' ') + m_timeFormat;
}

QString DateTimeText::operator()(const QDateTime &moment) const
{
    if (!moment.isValid())
        return {};
    if (moment.time() == QTime(0, 0))
        return m_locale.toString(moment.date(), m_dateFormat);
    return m_locale.toString(moment, m_dateTimeFormat);
}

QString Dataset::displayText(int row, int column) const
{
    const QVariant value = valueAt(row, column);
    auto handler = m_displayHandlers.constFind(m_fieldNames.value(column).toLower());
    if (handler != m_displayHandlers.constEnd())
        return (*handler)(value);
    if (value.typeId() == QMetaType::QDateTime)
        return m_dateTimeText(value.toDateTime());
    return value.toString();
}
