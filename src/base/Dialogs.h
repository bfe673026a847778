#pragma once

#include "base/WorkProgress.h"

#include <QString>

#include <memory>
#include <optional>

class QPrinter;

// Every message box, question and file dialog of the program goes through this
// interface, so that tests can answer them (ScriptedDialogs) and the core never
// includes a widget header.
class Dialogs {
public:
    enum class Answer { Ok, Cancel, Yes, No };
    enum class Buttons { OkCancel, YesNo, YesNoCancel };

    virtual ~Dialogs() = default;

    // Warning box, title "Warning", one OK button.
    virtual void warning(const QString &text) = 0;
    // Error box, title "Brivora", one OK button; the text is shown as given.
    virtual void error(const QString &text) = 0;
    // Information box with its own title, one OK button.
    virtual void information(const QString &title, const QString &text) = 0;
    // Confirmation box, title "Confirm".
    virtual Answer confirm(const QString &text, Buttons buttons) = 0;
    // A box that asks for a secret (a SIM's PIN), its characters hidden as typed, title
    // "Brivora"; nothing when the user cancelled. The answer is kept nowhere.
    virtual std::optional<QString> askSecret(const QString &text) = 0;

    // The chooser of a file to save; an empty result means the user cancelled.
    virtual QString saveFileName(const QString &caption, const QString &suggestedName, const QString &filter) = 0;

    // The print dialog for a report of pageCount pages whose page currentPage (from 1) is
    // shown: the printer, the pages, copies and collation are set on printer. False when
    // the user cancelled.
    virtual bool setUpPrinter(QPrinter &printer, int currentPage, int pageCount) = 0;

    // A window showing how far a long piece of work is, titled title, at its first stage,
    // open until the result is dropped; with a Cancel button when the work can be
    // cancelled.
    std::unique_ptr<WorkProgress> showProgress(const QString &title, const QString &stage, bool cancellable)
    {
        std::unique_ptr<WorkProgress> progress = progressWindow(title, cancellable);
        progress->stage(stage);
        return progress;
    }

protected:
    // Work that nobody watches (the tray's, a benchmark's) shows nothing.
    virtual std::unique_ptr<WorkProgress> progressWindow(const QString &title, bool cancellable)
    {
        Q_UNUSED(title)
        Q_UNUSED(cancellable)
        return std::make_unique<NoProgress>();
    }
};
