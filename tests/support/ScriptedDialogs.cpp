#include "support/ScriptedDialogs.h"

#include <QEventLoop>
#include <QTimer>

void ScriptedDialogs::show(Shown box)
{
    m_shown << std::move(box);
    if (!m_closes)
        return;
    QEventLoop modal;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &modal, [&] {
        if (m_closes())
            modal.quit();
    });
    poll.start(1);
    QTimer::singleShot(30000, &modal, &QEventLoop::quit);
    modal.exec();
}

void ScriptedDialogs::warning(const QString &text)
{
    show({QStringLiteral("warning"), QStringLiteral("Warning"), text});
}

void ScriptedDialogs::error(const QString &text)
{
    show({QStringLiteral("error"), QStringLiteral("Brivora"), text});
}

void ScriptedDialogs::information(const QString &title, const QString &text)
{
    show({QStringLiteral("information"), title, text});
}

Dialogs::Answer ScriptedDialogs::confirm(const QString &text, Buttons buttons)
{
    m_shown << Shown{QStringLiteral("confirm"), QStringLiteral("Confirm"), text};
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    // Unscripted questions are declined, so a test never acts on an answer it did not give.
    return buttons == Buttons::OkCancel ? Answer::Cancel : Answer::No;
}

QString ScriptedDialogs::saveFileName(const QString &caption, const QString &suggestedName, const QString &)
{
    m_shown << Shown{QStringLiteral("save"), caption, suggestedName};
    return m_paths.isEmpty() ? QString() : m_paths.dequeue();
}

bool ScriptedDialogs::setUpPrinter(QPrinter &printer, int currentPage, int pageCount)
{
    m_shown << Shown{QStringLiteral("print"), QStringLiteral("Print"),
                     QStringLiteral("page %1 of %2").arg(currentPage).arg(pageCount)};
    return !m_printerSetups.isEmpty() && m_printerSetups.dequeue()(printer);
}

std::optional<QString> ScriptedDialogs::askSecret(const QString &text)
{
    m_shown << Shown{QStringLiteral("secret"), QStringLiteral("Brivora"), text};
    if (m_secrets.isEmpty())
        return std::nullopt;
    return m_secrets.dequeue();
}

QStringList ScriptedDialogs::texts(const QString &kind) const
{
    QStringList result;
    for (const Shown &box : m_shown)
        if (box.kind == kind)
            result << box.text;
    return result;
}
