#pragma once

#include <QString>

class Dataset;

// The three tokens of the first `text_replacement` row; all empty (replacing nothing)
// when the table is empty.
struct ReplacementTokens {
    QString greeting;
    QString nickname;
    QString name;

    // Reads the first row afresh (tokens is refreshed).
    static ReplacementTokens read(Dataset &tokens);
};

// The fields of a contact that a template takes.
struct ContactFields {
    QString languages;
    QString greeting;
    QString nickname;
    QString name;

    // The current row of contact.
    static ContactFields of(const Dataset &contact);
};

// The personal text for one contact: the Malay template when the contact's `languages`
// is exactly "MALAY", the English one otherwise, with the greeting, nickname and name
// tokens replaced in that order by the contact's values. A caller reads the tokens
// afresh (ReplacementTokens::read) for each contact when a token changed in the
// preferences must apply from the next contact on, once for work that personalises many
// contacts in one go; empty tokens replace nothing.
QString Personalise(const ContactFields &contact, const QString &malayTemplate, const QString &englishTemplate,
                    const ReplacementTokens &tokens);

// The announcement with the line every announcement ends with (the way out a
// marketing text must offer: "Reply STOP to stop these messages."), on a line of its own;
// as it was when the ending or the announcement is empty.
QString withAnnouncementEnding(const QString &message, const QString &ending);

// Every occurrence of token, in any letter case, replaced by value, left to right and
// without overlaps; the inserted values are not searched again. An empty token
// changes nothing.
QString replaceToken(const QString &text, const QString &token, const QString &value);
