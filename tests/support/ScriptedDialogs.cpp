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

namespace {

class ScriptedProgress final : public WorkProgress {
public:
    ScriptedProgress(QString title, QStringList &record, int cancelAfter)
        : m_title(std::move(title))
        , m_record(record)
        , m_cancelAfter(cancelAfter)
    {
    }

protected:
    void show(const QString &what, qint64 done, qint64 total) override
    {
        m_record << QStringLiteral("%1|%2|%3/%4").arg(m_title, what).arg(done).arg(total);
        ++m_figures;
    }
    bool cancelRequested() override { return m_cancelAfter >= 0 && m_figures >= m_cancelAfter; }

private:
    QString m_title;
    QStringList &m_record;
    int m_cancelAfter;
    int m_figures = 0;
};

} // namespace

std::unique_ptr<WorkProgress> ScriptedDialogs::progressWindow(const QString &title, bool cancellable)
{
    return std::make_unique<ScriptedProgress>(title, m_progress, cancellable ? m_cancelAfter : -1);
}

QStringList ScriptedDialogs::texts(const QString &kind) const
{
    QStringList result;
    for (const Shown &box : m_shown)
        if (box.kind == kind)
            result << box.text;
    return result;
}
