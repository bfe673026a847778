#pragma once

#include <QByteArray>
#include <QVariant>
#include <QVarLengthArray>
#include <QVector>

#include <cstring>

// One row of a query object's snapshot, kept as it came from the database in a single
// block and decoded cell by cell when read: a grid over a hundred thousand rows shows
// a few dozen of them, so reading whole results costs little more than SQLite's own time.
class PackedRow {
public:
    PackedRow() = default;
    static PackedRow fromValues(const QVector<QVariant> &values);

    int size() const;
    // NULL, qlonglong, double or QString, as stored.
    QVariant value(int column) const;
    // A text cell's UTF-8 bytes as stored, with a NUL just past them, so that SQLite can
    // bind them where they lie; a null view for any other cell.
    QByteArrayView utf8Text(int column) const;

    // Builds a row cell by cell, as SQLite hands the cells over, and packs it in one
    // allocation at the end: appending to a growing block cost several times SQLite's own
    // work per cell. A text's bytes are copied only then, so they must live until finish().
    class Builder {
    public:
        explicit Builder(int columns)
            : m_columns(columns)
        {
        }
        void addNull() { add({Null, 0, nullptr, {}}); }
        void addInteger(qint64 value) { addNumber(Integer, &value); }
        void addReal(double value) { addNumber(Real, &value); }
        void addText(const char *utf8, int length) { add({Text, length, utf8, {}}); }
        PackedRow finish();

    private:
        struct Cell {
            char kind;
            int size; // of the payload
            const char *bytes; // a text's, or nullptr
            char number[8]; // an integer's or a real's
        };
        void add(const Cell &cell)
        {
            m_cells.append(cell);
            m_payload += 1 + cell.size + (cell.kind == Text ? 1 : 0); // a text's NUL
        }
        void addNumber(char kind, const void *eightBytes)
        {
            Cell cell{kind, 8, nullptr, {}};
            std::memcpy(cell.number, eightBytes, 8);
            add(cell);
        }

        QVarLengthArray<Cell, 24> m_cells;
        qsizetype m_payload = 0;
        int m_columns;
    };

private:
    enum Kind : char { Null = 'n', Integer = 'i', Real = 'f', Text = 't' };

    explicit PackedRow(QByteArray data)
        : m_data(std::move(data))
    {
    }
    qint32 word(int index) const;
    // The cell's kind byte and the end of its payload, or nullptr for a column beyond the row.
    const char *cell(int column, qint32 *end) const;

    QByteArray m_data;
};
