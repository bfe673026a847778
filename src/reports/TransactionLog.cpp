#include "reports/TransactionLog.h"

#include "data/Dataset.h"

namespace TransactionLog {

const QStringList &lineCounts()
{
    static const QStringList counts{QStringLiteral("100"),   QStringLiteral("1000"), QStringLiteral("10000"),
                                    QStringLiteral("15000"), QStringLiteral("500"),  QStringLiteral("5000"),
                                    QStringLiteral("50000")};
    return counts;
}

QString statement(const QString &lineCount)
{
    return QStringLiteral("select top %1 * from transaction_log order by date_send desc").arg(lineCount);
}

QString lines(const Dataset &log)
{
    const QStringList fields{QStringLiteral("status"),  QStringLiteral("project_name"), QStringLiteral("mobile_number"),
                             QStringLiteral("name"),    QStringLiteral("nickname"),     QStringLiteral("group_name"),
                             QStringLiteral("msg_send")};
    QList<int> columns;
    for (const QString &field : fields)
        columns << log.fieldIndex(field);
    const int sent = log.fieldIndex(QStringLiteral("date_send"));
    const QLatin1String separator(" | ");
    const DateTimeText dateTimeText;

    QString text;
    for (int row = 0; row < log.recordCount(); ++row) {
        if (row > 0)
            text += QLatin1Char('\n');
        text += dateTimeText(log.valueAt(row, sent).toDateTime());
        for (const int column : std::as_const(columns)) {
            text += separator;
            text += log.valueAt(row, column).toString();
        }
    }
    return text;
}

} // namespace TransactionLog
