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

// Translates the part after the table name: literals to single quotes, words and
// operators checked against what the program uses. On a server, each ordering puts NULL
// where SQLite does (first, and last when descending), and rowKey ends the ordering, so
// rows keep the order they have on a file, where they come in rowid order.
QString translateTail(const QString &statement, qsizetype from, const QString &rowKey)
{
    QString out;
    qsizetype i = from;
    const qsizetype n = statement.size();
    const bool server = !rowKey.isEmpty();
    bool ordering = false;
    bool descending = false;
    int depth = 0;
    QString previousWord;
    const auto endOrderingItem = [&] {
        if (server && ordering && depth == 0)
            out += descending ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST");
        descending = false;
    };
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
            if (word.compare(QStringLiteral("by"), Qt::CaseInsensitive) == 0
                && previousWord.compare(QStringLiteral("order"), Qt::CaseInsensitive) == 0)
                ordering = true;
            descending = word.compare(QStringLiteral("desc"), Qt::CaseInsensitive) == 0;
            previousWord = word;
            out += word;
        } else if (c.isDigit() || (c == QLatin1Char('-') && i + 1 < n && statement.at(i + 1).isDigit())) {
            const qsizetype start = i++;
            while (i < n && (statement.at(i).isDigit() || statement.at(i) == QLatin1Char('.')))
                ++i;
            out += statement.mid(start, i - start);
        } else if (QStringLiteral("=<>,()").contains(c)) {
            if (c == QLatin1Char(','))
                endOrderingItem();
            depth += c == QLatin1Char('(') ? 1 : c == QLatin1Char(')') ? -1 : 0;
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
    out = out.trimmed();
    if (server) {
        endOrderingItem();
        out += (ordering ? QStringLiteral(", ") : QStringLiteral(" ORDER BY ")) + rowKey;
    }
    return out;
}

} // namespace

Select translate(const QString &statement, Database &database)
{
    static const QRegularExpression head(
        QStringLiteral(R"(^\s*select\s+(?:top\s+(\d+)\s+)?\*\s*from\s+([A-Za-z_][A-Za-z0-9_]*)(?=[\s;]|$))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = head.match(statement);
    if (!match.hasMatch())
        refuse(statement, QStringLiteral("only \"select [top n] * from <table>\" is supported"));

    Select select;
    select.table = match.captured(2);
    const bool server = database.engine() == Database::Engine::Postgres;
    const QString tail =
        translateTail(statement, match.capturedEnd(0), server ? database.rowKey(select.table) : QString());
    select.sql =
        QStringLiteral("SELECT %1 FROM %2").arg(database.rowSelectList(select.table), database.table(select.table));
    if (!tail.isEmpty())
        select.sql += QLatin1Char(' ') + tail;
    if (match.hasCaptured(1))
        select.sql += QStringLiteral(" LIMIT ") + match.captured(1);
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
