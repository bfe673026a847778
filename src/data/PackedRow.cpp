#include "data/PackedRow.h"

#include <cstring>

namespace {

enum Kind : char { Null = 'n', Integer = 'i', Real = 'f', Text = 't' };

} // namespace

// Layout: [column count][end offset of every cell], 4 bytes each, then the cells, each one
// kind byte and its payload.
PackedRow::Builder::Builder(int columns)
    : m_columns(columns)
{
    m_data.reserve(columns * 24);
    m_data.resize(static_cast<qsizetype>(columns + 1) * sizeof(qint32));
    const qint32 count = columns;
    std::memcpy(m_data.data(), &count, sizeof count);
}

void PackedRow::Builder::endCell()
{
    const qint32 end = static_cast<qint32>(m_data.size());
    std::memcpy(m_data.data() + (m_cell + 1) * sizeof(qint32), &end, sizeof end);
    ++m_cell;
}

void PackedRow::Builder::addNull()
{
    m_data.append(Null);
    endCell();
}

void PackedRow::Builder::addInteger(qint64 value)
{
    m_data.append(Integer);
    m_data.append(reinterpret_cast<const char *>(&value), sizeof value);
    endCell();
}

void PackedRow::Builder::addReal(double value)
{
    m_data.append(Real);
    m_data.append(reinterpret_cast<const char *>(&value), sizeof value);
    endCell();
}

void PackedRow::Builder::addText(const char *utf8, int length)
{
    m_data.append(Text);
    m_data.append(utf8, length);
    endCell();
}

PackedRow PackedRow::Builder::finish()
{
    while (m_cell < m_columns)
        addNull();
    return PackedRow(std::move(m_data));
}

PackedRow PackedRow::fromValues(const QVector<QVariant> &values)
{
    Builder builder(static_cast<int>(values.size()));
    for (const QVariant &value : values) {
        switch (value.typeId()) {
            case QMetaType::UnknownType:
                builder.addNull();
                break;
            case QMetaType::LongLong:
            case QMetaType::Int:
                builder.addInteger(value.toLongLong());
                break;
            case QMetaType::Double:
                builder.addReal(value.toDouble());
                break;
            default:
                if (value.isNull()) {
                    builder.addNull();
                } else {
                    const QByteArray utf8 = value.toString().toUtf8();
                    builder.addText(utf8.constData(), static_cast<int>(utf8.size()));
                }
        }
    }
    return builder.finish();
}

qint32 PackedRow::word(int index) const
{
    qint32 word = 0;
    std::memcpy(&word, m_data.constData() + index * sizeof(qint32), sizeof word);
    return word;
}

int PackedRow::size() const
{
    return m_data.isEmpty() ? 0 : word(0);
}

QVariant PackedRow::value(int column) const
{
    if (column < 0 || column >= size())
        return {};
    const qint32 start = column == 0 ? static_cast<qint32>((size() + 1) * sizeof(qint32)) : word(column);
    const qint32 end = word(column + 1);
    const char *cell = m_data.constData() + start;
    switch (cell[0]) {
        case Integer: {
            qint64 integer = 0;
            std::memcpy(&integer, cell + 1, sizeof integer);
            return QVariant::fromValue<qlonglong>(integer);
        }
        case Real: {
            double real = 0;
            std::memcpy(&real, cell + 1, sizeof real);
            return real;
        }
        case Text:
            return QString::fromUtf8(cell + 1, end - start - 1);
        default:
            return {};
    }
}
