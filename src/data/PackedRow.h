#pragma once

#include <QByteArray>
#include <QVariant>
#include <QVector>

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

    // Builds a row cell by cell, as SQLite hands the cells over.
    class Builder {
    public:
        explicit Builder(int columns);
        void addNull();
        void addInteger(qint64 value);
        void addReal(double value);
        void addText(const char *utf8, int length);
        PackedRow finish();

    private:
        void endCell();
        QByteArray m_data;
        int m_columns;
        int m_cell = 0;
    };

private:
    explicit PackedRow(QByteArray data)
        : m_data(std::move(data))
    {
    }
    qint32 word(int index) const;

    QByteArray m_data;
};
