#include "app/QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

void QtDialogs::warning(const QString &text)
{
    QMessageBox::warning(m_owner, QStringLiteral("Warning"), text);
}

void QtDialogs::error(const QString &text)
{
    QMessageBox::critical(m_owner, QStringLiteral("Brivora"), text);
}

void QtDialogs::information(const QString &title, const QString &text)
{
    QMessageBox::information(m_owner, title, text);
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
    switch (QMessageBox::question(m_owner, QStringLiteral("Confirm"), text, choice)) {
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

QString QtDialogs::openFileName(const QString &caption, const QString &filter)
{
    return QFileDialog::getOpenFileName(m_owner, caption, {}, filter);
}

QString QtDialogs::saveFileName(const QString &caption, const QString &suggestedName, const QString &filter)
{
    return QFileDialog::getSaveFileName(m_owner, caption, suggestedName, filter);
}

QString QtDialogs::existingFolder(const QString &caption, const QString &startFolder)
{
    return QFileDialog::getExistingDirectory(m_owner, caption, startFolder);
}
