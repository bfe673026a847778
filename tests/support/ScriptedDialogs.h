#pragma once

#include "base/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>

// Records every box the program shows and answers questions and choosers from queues.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind; // "warning", "error", "information", "confirm", "open", "save", "folder"
        QString title;
        QString text;
    };

    void warning(const QString &text) override;
    void error(const QString &text) override;
    void information(const QString &title, const QString &text) override;
    Answer confirm(const QString &text, Buttons buttons) override;
    QString openFileName(const QString &caption, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &suggestedName, const QString &filter) override;
    QString existingFolder(const QString &caption, const QString &startFolder) override;

    void answer(Answer next) { m_answers.enqueue(next); }
    void choose(const QString &path) { m_paths.enqueue(path); }

    const QList<Shown> &shown() const { return m_shown; }
    QStringList texts(const QString &kind) const;
    QStringList errors() const { return texts(QStringLiteral("error")); }
    QStringList warnings() const { return texts(QStringLiteral("warning")); }
    void clear() { m_shown.clear(); }

private:
    QList<Shown> m_shown;
    QQueue<Answer> m_answers;
    QQueue<QString> m_paths;
};
