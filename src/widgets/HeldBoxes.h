#pragma once

#include "base/Dialogs.h"

#include <QList>

// The boxes of work the timer does while the window is in the tray: kept, and shown
// through the real dialogs once the window is shown again, so that no box waits for a
// click nobody sees while the greetings after it are due. Questions are answered No.
class HeldBoxes : public Dialogs {
public:
    void warning(const QString &text) override { m_held << Box{Kind::Warning, {}, text}; }
    void error(const QString &text) override { m_held << Box{Kind::Error, {}, text}; }
    void information(const QString &title, const QString &text) override
    {
        m_held << Box{Kind::Information, title, text};
    }
    Answer confirm(const QString &, Buttons) override { return Answer::No; }
    std::optional<QString> askSecret(const QString &text) override
    {
        // Nobody is there to type it: what it was asked for is told when the window shows.
        warning(text);
        return std::nullopt;
    }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    bool setUpPrinter(QPrinter &, int, int) override { return false; }

    // Shows what was held, in order, and forgets it.
    void showThrough(Dialogs &dialogs);

private:
    enum class Kind { Warning, Error, Information };
    struct Box {
        Kind kind;
        QString title;
        QString text;
    };
    QList<Box> m_held;
};
