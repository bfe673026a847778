#include "data/PackedRow.h"

#include <cstring>

// Layout: [column count][end offset of every cell], 4 bytes each, then the cells, each one
// kind byte and its payload; a text's payload ends with a NUL.
PackedRow PackedRow::Builder::finish()
{
    while (m_cells.size() < m_columns)
        addNull();
    const qsizetype offsets = (m_cells.size() + 1) * qsizetype(sizeof(qint32));
    QByteArray data(offsets + m_payload, Qt::Uninitialized);
    char *const start = data.data();
    const qint32 count = static_cast<qint32>(m_cells.size());
    std::memcpy(start, &count, sizeof count);
    char *out = start + offsets;
    for (qsizetype i = 0; i < m_cells.size(); ++i) {
        const Cell &cell = m_cells.at(i);
        *out++ = cell.kind;
        if (cell.size > 0)
            std::memcpy(out, cell.bytes ? cell.bytes : cell.number, static_cast<size_t>(cell.size));
        out += cell.size;
        if (cell.kind == Text)
            *out++ = '\0';
        const qint32 end = static_cast<qint32>(out - start);
        std::memcpy(start + (i + 1) * qsizetype(sizeof(qint32)), &end, sizeof end);
    }
    return PackedRow(std::move(data));
}

PackedRow PackedRow::fromValues(const QVector<QVariant> &values)
{
    Builder builder(static_cast<int>(values.size()));
    // The texts' bytes, kept until the row is packed.
    QVarLengthArray<QByteArray, 24> texts;
    texts.reserve(values.size());
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
                    texts.append(value.toString().toUtf8());
                    builder.addText(texts.last().constData(), static_cast<int>(texts.last().size()));
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

const char *PackedRow::cell(int column, qint32 *end) const
{
    if (column < 0 || column >= size())
        return nullptr;
    const qint32 start = column == 0 ? static_cast<qint32>((size() + 1) * sizeof(qint32)) : word(column);
    *end = word(column + 1);
    return m_data.constData() + start;
}

QVariant PackedRow::value(int column) const
{
    qint32 end = 0;
    const char *cell = this->cell(column, &end);
    if (!cell)
        return {};
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
            return QString::fromUtf8(utf8Text(column));
        default:
            return {};
    }
}

QByteArrayView PackedRow::utf8Text(int column) const
{
    qint32 end = 0;
    const char *cell = this->cell(column, &end);
    if (!cell || cell[0] != Text)
        return {};
    const qsizetype length = end - (cell - m_data.constData()) - 2; // the kind byte and the NUL
    return QByteArrayView(cell + 1, length);
}
