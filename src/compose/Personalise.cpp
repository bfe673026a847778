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

ReplacementTokens ReplacementTokens::read(Dataset &tokens)
{
    tokens.refresh();
    if (tokens.eof())
        return {};
    return {tokens.text(QStringLiteral("geeting")), tokens.text(QStringLiteral("nickname")),
            tokens.text(QStringLiteral("name"))};
}

ContactFields ContactFields::of(const Dataset &contact)
{
    return {contact.text(QStringLiteral("languages")), contact.text(QStringLiteral("greeting")),
            contact.text(QStringLiteral("nickname")), contact.text(QStringLiteral("name"))};
}

QString Personalise(const ContactFields &contact, const QString &malayTemplate, const QString &englishTemplate,
                    const ReplacementTokens &tokens)
{
    QString message = contact.languages == QStringLiteral("MALAY") ? malayTemplate : englishTemplate;
    // The greeting goes first, so a name token inside a greeting is replaced as well.
    message = replaceToken(message, tokens.greeting, contact.greeting);
    message = replaceToken(message, tokens.nickname, contact.nickname);
    message = replaceToken(message, tokens.name, contact.name);
    return message;
}

QString withAnnouncementEnding(const QString &message, const QString &ending)
{
    if (ending.isEmpty() || message.isEmpty())
        return message;
    return message + QStringLiteral("\r\n") + ending;
}
