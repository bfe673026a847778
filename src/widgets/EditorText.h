#pragma once

#include <QPlainTextEdit>
#include <QString>

// A box of several lines holds its line breaks as line feeds; messages and templates
// keep them as carriage return and line feed, the pair a phone shows as a new line.
inline QString storedLines(const QPlainTextEdit *editor)
{
    QString text = editor->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

inline void showLines(QPlainTextEdit *editor, QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    editor->setPlainText(text);
}
