#include "widgets/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QPrintDialog>

#include <algorithm>

namespace {

bool keptOnTop(const QWidget *window)
{
    return window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace

QWidget *QtDialogs::parentForBox() const
{
    // A box of the main window would open under a window kept on top of it (the progress
    // window during a send), and a hidden modal box makes the program look hung.
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        if (window->isVisible() && keptOnTop(window))
            return window;
    return m_owner;
}

QMessageBox::StandardButton QtDialogs::showBox(QMessageBox::Icon icon, const QString &title, const QString &text,
                                               QMessageBox::StandardButtons buttons)
{
    QWidget *parent = parentForBox();
    QMessageBox box(icon, title, text, buttons, parent);
    if (keptOnTop(parent))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void QtDialogs::warning(const QString &text)
{
    showBox(QMessageBox::Warning, QStringLiteral("Warning"), text, QMessageBox::Ok);
}

void QtDialogs::error(const QString &text)
{
    showBox(QMessageBox::Critical, QStringLiteral("Brivora"), text, QMessageBox::Ok);
}

void QtDialogs::information(const QString &title, const QString &text)
{
    showBox(QMessageBox::Information, title, text, QMessageBox::Ok);
}

Dialogs::Answer QtDialogs::confirm(const QString &text, Buttons buttons)
{
    QMessageBox::StandardButtons choice;
    switch (buttons) {
        case Buttons::OkCancel:
            choice = QMessageBox::Ok | QMessageBox::Cancel;
            break;
        case Buttons::YesNo:
            choice = QMessageBox::Yes | QMessageBox::No;
            break;
        case Buttons::YesNoCancel:
            choice = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            break;
    }
    switch (showBox(QMessageBox::Question, QStringLiteral("Confirm"), text, choice)) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

QString QtDialogs::saveFileName(const QString &caption, const QString &suggestedName, const QString &filter)
{
    return QFileDialog::getSaveFileName(parentForBox(), caption, suggestedName, filter);
}

std::optional<QString> QtDialogs::askSecret(const QString &text)
{
    bool given = false;
    const QString secret =
        QInputDialog::getText(parentForBox(), QStringLiteral("Brivora"), text, QLineEdit::Password, {}, &given);
    if (!given)
        return std::nullopt;
    return secret;
}

bool QtDialogs::setUpPrinter(QPrinter &printer, int, int pageCount)
{
    QPrintDialog dialog(&printer, parentForBox());
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCurrentPage
                      | QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintToFile
                      | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, std::max(1, pageCount));
    return dialog.exec() == QDialog::Accepted;
}
