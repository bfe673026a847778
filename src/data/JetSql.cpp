#include "data/JetSql.h"

#include "base/Errors.h"
#include "data/Database.h"

#include <QRegularExpression>

namespace JetSql {

namespace {

[[noreturn]] void refuse(const QString &statement, const QString &why)
{
    throw BrivoraError(QStringLiteral("Statement not understood (%1): %2").arg(why, statement));
}

// Translates the part after the table name: literals to SQLite's single quotes,
// words and operators checked against what the program uses.
QString translateTail(const QString &statement, qsizetype from)
{
    QString out;
    qsizetype i = from;
    const qsizetype n = statement.size();
    while (i < n) {
        const QChar c = statement.at(i);
        if (c.isSpace()) {
            out += QLatin1Char(' ');
            ++i;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            // A quote inside a literal is written twice.
            QString literal;
            ++i;
            for (;;) {
                if (i >= n)
                    refuse(statement, QStringLiteral("unterminated text"));
                if (statement.at(i) == c) {
                    if (i + 1 < n && statement.at(i + 1) == c) {
                        literal += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literal += statement.at(i++);
            }
            literal.replace(QLatin1Char('\''), QStringLiteral("''"));
            out += QLatin1Char('\'') + literal + QLatin1Char('\'');
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            const qsizetype start = i;
            while (i < n && (statement.at(i).isLetterOrNumber() || statement.at(i) == QLatin1Char('_')))
                ++i;
            const QString word = statement.mid(start, i - start);
            // Field names and keywords pass through; a second statement never does.
            if (word.compare(QStringLiteral("select"), Qt::CaseInsensitive) == 0
                || word.compare(QStringLiteral("union"), Qt::CaseInsensitive) == 0)
                refuse(statement, QStringLiteral("nested statement"));
            out += word;
        } else if (c.isDigit() || (c == QLatin1Char('-') && i + 1 < n && statement.at(i + 1).isDigit())) {
            const qsizetype start = i++;
            while (i < n && (statement.at(i).isDigit() || statement.at(i) == QLatin1Char('.')))
                ++i;
            out += statement.mid(start, i - start);
        } else if (QStringLiteral("=<>,()").contains(c)) {
            out += c;
            ++i;
        } else if (c == QLatin1Char(';')) {
            // Only trailing semicolons and blanks may follow.
            for (qsizetype k = i; k < n; ++k)
                if (statement.at(k) != QLatin1Char(';') && !statement.at(k).isSpace())
                    refuse(statement, QStringLiteral("text after ';'"));
            break;
        } else {
            refuse(statement, QStringLiteral("unexpected '%1'").arg(c));
        }
    }
    return out.trimmed();
}

} // namespace

Select translate(const QString &statement)
{
    static const QRegularExpression head(
        QStringLiteral(R"(^\s*select\s+(?:top\s+(\d+)\s+)?\*\s*from\s+([A-Za-z_][A-Za-z0-9_]*)(?=[\s;]|$))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = head.match(statement);
    if (!match.hasMatch())
        refuse(statement, QStringLiteral("only \"select [top n] * from <table>\" is supported"));

    Select select;
    select.table = match.captured(2);
    const QString tail = translateTail(statement, match.capturedEnd(0));
    select.sqlite = QStringLiteral("SELECT rowid AS __rowid, * FROM ") + select.table;
    if (!tail.isEmpty())
        select.sqlite += QLatin1Char(' ') + tail;
    if (match.hasCaptured(1))
        select.sqlite += QStringLiteral(" LIMIT ") + match.captured(1);
    return select;
}

QString quote(const QString &value)
{
    // Looked up as it is stored.
    QString doubled = Database::storedText(value);
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

} // namespace JetSql
