#pragma once

#include "base/Dialogs.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

// The program's dialogs: Qt message boxes and file choosers owned by the main window,
// or by the window on top of it.
class QtDialogs : public Dialogs {
public:
    void setOwner(QWidget *owner) { m_owner = owner; }

    void warning(const QString &text) override;
    void error(const QString &text) override;
    void information(const QString &title, const QString &text) override;
    Answer confirm(const QString &text, Buttons buttons) override;
    QString saveFileName(const QString &caption, const QString &suggestedName, const QString &filter) override;
    bool setUpPrinter(QPrinter &printer, int currentPage, int pageCount) override;
    std::optional<QString> askSecret(const QString &text) override;

    // What a box is shown over: an open modal box, else a window kept on top, else the owner.
    QWidget *parentForBox() const;

protected:
    std::unique_ptr<WorkProgress> progressWindow(const QString &title, bool cancellable) override;

private:
    QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons);

    QPointer<QWidget> m_owner;
};
