#pragma once

#include "base/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

// Records every box the program shows and answers questions and choosers from queues.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind; // "warning", "error", "information", "confirm", "open", "save", "folder", "print"
        QString title;
        QString text;
    };

    void warning(const QString &text) override;
    void error(const QString &text) override;
    void information(const QString &title, const QString &text) override;
    Answer confirm(const QString &text, Buttons buttons) override;
    // Recorded with the suggested name as its text.
    QString saveFileName(const QString &caption, const QString &suggestedName, const QString &filter) override;
    // Recorded with the text "page <current> of <count>"; answered by the next queued setup.
    bool setUpPrinter(QPrinter &printer, int currentPage, int pageCount) override;
    // Recorded as "secret"; answered by the next queued secret, else cancelled.
    std::optional<QString> askSecret(const QString &text) override;
    // Each figure a progress window shows is recorded as "<title>|<stage>|<done>/<total>";
    // a progress window is cancelled once it has shown cancelAfter figures, if it can be.
    const QStringList &progressShown() const { return m_progress; }
    void cancelProgressAfter(int figures) { m_cancelAfter = figures; }
    void tell(const QString &secret) { m_secrets.enqueue(secret); }

    void answer(Answer next) { m_answers.enqueue(next); }
    void choose(const QString &path) { m_paths.enqueue(path); }
    // What the user picks in the next print dialog, set on its printer; its result is the
    // dialog's (false: cancelled). With none queued the dialog is cancelled.
    using PrinterSetup = std::function<bool(QPrinter &)>;
    void setUpPrinterWith(PrinterSetup setup) { m_printerSetups.enqueue(std::move(setup)); }

    // From now on each message box stays open, running an event loop of its own as a
    // modal box does, until closes() holds (or 30 s have passed).
    void keepBoxesOpenUntil(std::function<bool()> closes) { m_closes = std::move(closes); }

    const QList<Shown> &shown() const { return m_shown; }
    QStringList texts(const QString &kind) const;
    QStringList errors() const { return texts(QStringLiteral("error")); }
    QStringList warnings() const { return texts(QStringLiteral("warning")); }
    void clear() { m_shown.clear(); }

protected:
    std::unique_ptr<WorkProgress> progressWindow(const QString &title, bool cancellable) override;

private:
    void show(Shown box);

    QList<Shown> m_shown;
    QStringList m_progress;
    int m_cancelAfter = -1;
    std::function<bool()> m_closes;
    QQueue<Answer> m_answers;
    QQueue<QString> m_paths;
    QQueue<QString> m_secrets;
    QQueue<PrinterSetup> m_printerSetups;
};
