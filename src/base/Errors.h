#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <functional>
#include <optional>

class Dialogs;

// The one exception type of the program: it carries the text the user is shown.
class BrivoraError : public std::exception {
public:
    explicit BrivoraError(QString text);
    const QString &text() const { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// The operator stopped the action on purpose: it ends like an error, but nothing
// is shown.
class ActionStopped : public std::exception {
public:
    const char *what() const noexcept override { return "stopped"; }
};

// The error box appends a full stop when the text's last character sorts after
// "." in the character set: after a letter or a digit, not after ")" or "!".
QString withFullStop(const QString &text);

// What the error box shows for error, full stop included; nothing for an action
// stopped on purpose.
std::optional<QString> errorBoxText(const std::exception_ptr &error);

// Runs one user or timer action; an error ends the action and is shown as the
// error box captioned "Brivora". Returns false when the action failed or was stopped.
bool guarded(Dialogs &dialogs, const std::function<void()> &action);
