#pragma once

#include "data/Database.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QObject>
#include <QSqlQuery>
#include <QVariant>
#include <QVector>

#include <algorithm>
#include <functional>

// A date/time as the program shows it: the system's short date, a blank and its long
// time (without a time zone); the time is left out at exactly midnight, and an invalid
// moment gives an empty text. Made once for a whole listing: the formats are read from
// the locale when it is made.
class DateTimeText {
public:
    DateTimeText();
    QString operator()(const QDateTime &moment) const;
    // The date and the time alone, for reports that print them on two lines.
    QString date(const QDate &day) const { return m_locale.toString(day, m_dateFormat); }
    QString time(const QTime &time) const { return m_locale.toString(time, m_timeFormat); }

private:
    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    QString m_dateTimeFormat;
};

// A query object of the data module: an SQL text (its default, or the last one it
// was re-pointed to), a snapshot of the rows it returned with an exact count, a
// current row, and append/edit/post/remove through each row's row id.
class Dataset : public QObject {
    Q_OBJECT

public:
    enum class State { Closed, Browse, Edit, Insert };
    using DisplayHandler = std::function<QString(const QVariant &)>;

    Dataset(Database &database, QString name, QString defaultSql, QObject *parent = nullptr);

    const QString &sql() const { return m_sql; }
    const QString &defaultSql() const { return m_defaultSql; }

    void open();
    void close();
    bool isOpen() const { return m_state != State::Closed; }
    // Close and open again: the current text runs again, the cursor on the first row.
    void refresh();
    // Close, take the new text, open.
    void repoint(const QString &sql);
    // Close, take the new text, and open on rows given instead of read: the rows the text
    // would read, in its order, each numbered by its place (1 to n) as its row id. write
    // stores them in the table, which exists already, with those ids (rows inserted in turn
    // into a table that never held any are numbered so). It runs once, when the table must
    // first hold them: before a post, a delete, reread or the next open (refresh, repoint);
    // a write that fails is tried again then. Until it has run, nothing else reading the
    // table sees them, and rows given before and not written yet are dropped.
    void repointWithRows(const QString &sql, QVector<PackedRow> rows, std::function<void()> write);
    // Reads one row of the snapshot again from its table, as a sender that has just
    // written it shows it: the cost of one row, not of the whole result.
    void reread(int row);
    // Reads all rows again, as other desks left them: the current text runs again and
    // the cursor stays on its own row (on the row at its place when that one has gone).
    // Nothing is done unless canReadAgain().
    void readAgain();
    // Browsing rows that are in the table, and no one holds them (holdRows).
    bool canReadAgain() const;
    // While a row is being edited outside the query object (a grid's cell editor, a row
    // just inserted by a navigator), its rows are held: not read again. Holds count.
    void holdRows() { ++m_holds; }
    void releaseRows() { m_holds = std::max(0, m_holds - 1); }
    // One holder's hold, taken and let go as its state changes, and let go with it.
    class Hold {
    public:
        explicit Hold(Dataset &dataset)
            : m_dataset(dataset)
        {
        }
        ~Hold() { set(false); }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;
        void set(bool held)
        {
            if (held == m_held)
                return;
            m_held = held;
            held ? m_dataset.holdRows() : m_dataset.releaseRows();
        }
        bool isSet() const { return m_held; }

    private:
        Dataset &m_dataset;
        bool m_held = false;
    };

    State state() const { return m_state; }
    const QString &table() const { return m_table; }
    int recordCount() const { return static_cast<int>(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }

    // Walking the rows.
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    void first() { setCurrentRow(0); }
    void next();
    bool eof() const { return m_current < 0 || m_current >= recordCount(); }

    // Fields of the current row (the edit buffer while editing). NULL reads as an
    // empty text and an invalid date-time.
    const QStringList &fieldNames() const { return m_fieldNames; }
    int fieldIndex(const QString &field) const;
    QVariant value(const QString &field) const;
    QString text(const QString &field) const { return value(field).toString(); }
    QDateTime dateTime(const QString &field) const { return value(field).toDateTime(); }
    QVariant valueAt(int row, int column) const;

    // Changing rows. Edit on an empty result inserts a row.
    void append();
    void edit();
    void setValue(const QString &field, const QVariant &value);
    void post();
    void cancel();
    // Deletes the current row.
    void remove();
    // Deletes the row at that index; the cursor stays on its own row, which moves up
    // when it came after the deleted one.
    void removeRow(int row);

    // What grids show for a field (the raw value as text unless a handler is set).
    void setDisplayHandler(const QString &field, DisplayHandler handler);
    QString displayText(int row, int column) const;

Q_SIGNALS:
    // While the rows can still be read and changed, before closing drops them.
    void aboutToClose();
    void reset();
    void rowChanged(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void currentRowChanged(int row);

private:
    using Row = QVector<QVariant>;

    // The rows the current text reads, each with its row id.
    void readRows(const QString &sql, QVector<PackedRow> &rows, QVector<qint64> &rowIds);
    // Takes a result's rows as the snapshot, the cursor on the first.
    void show(const QString &table, const TableColumns &columns, QVector<PackedRow> rows, QVector<qint64> rowIds);
    void writeGivenRows();
    void requireOpen() const;
    void requireCurrentRow() const;
    void writeBuffer();
    int requireField(const QString &field) const;
    QVariant toStorage(int column, const QVariant &value) const;
    static QVariant fromStorage(const QVariant &value);
    // A cell of the snapshot as the program reads it (date-times decoded).
    QVariant cell(int row, int column) const;
    Row storedRow(int row) const;
    QSqlQuery &preparedInsert(const QVector<int> &columns);

    Database &m_database;
    QString m_defaultSql;
    QString m_sql;
    QString m_table;
    State m_state = State::Closed;

    QStringList m_fieldNames;
    QVector<Column::Kind> m_kinds;
    QHash<QString, int> m_fieldIndex;
    QVector<PackedRow> m_rows;
    QVector<qint64> m_rowIds;
    std::function<void()> m_writeGivenRows; // until they are in the table
    int m_holds = 0;
    int m_current = -1;

    Row m_buffer;
    QVector<bool> m_dirty;

    QHash<QString, DisplayHandler> m_displayHandlers; // by lower-case field name
    DateTimeText m_dateTimeText; // as the locale stood when the rows were read
};
