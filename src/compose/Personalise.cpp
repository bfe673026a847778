#include "compose/Personalise.h"

#include "data/Dataset.h"

namespace {

// Upper-cased one UTF-16 unit at a time: positions in the result are positions in the
// text (QString::toUpper may lengthen it, "ß" becoming "SS"), and no locale takes part.
QString upperCasedInPlace(const QString &text)
{
    QString upper = text;
    for (QChar &character : upper)
        character = character.toUpper();
    return upper;
}

} // namespace

QString replaceToken(const QString &text, const QString &token, const QString &value)
{
    if (token.isEmpty())
        return text;
    const QString searched = upperCasedInPlace(text);
    const QString wanted = upperCasedInPlace(token);
    QString result;
    qsizetype from = 0;
    for (qsizetype at = searched.indexOf(wanted); at >= 0; at = searched.indexOf(wanted, from)) {
        result += QStringView(text).sliced(from, at - from);
        result += value;
        from = at + token.size();
    }
    result += QStringView(text).sliced(from);
    return result;
}

QString Personalise(const Dataset &contact, const QString &malayTemplate, const QString &englishTemplate,
                    Dataset &tokens)
{
    QString message =
        contact.text(QStringLiteral("languages")) == QStringLiteral("MALAY") ? malayTemplate : englishTemplate;
    tokens.refresh();
    if (tokens.eof())
        return message;
    // The greeting goes first, so a name token inside a greeting is replaced as well.
    message = replaceToken(message, tokens.text(QStringLiteral("geeting")), contact.text(QStringLiteral("greeting")));
    message = replaceToken(message, tokens.text(QStringLiteral("nickname")), contact.text(QStringLiteral("nickname")));
    message = replaceToken(message, tokens.text(QStringLiteral("name")), contact.text(QStringLiteral("name")));
    return message;
}
