#include "widgets/QtDialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QPrintDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

bool keptOnTop(const QWidget *window)
{
    return window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

// A modal window with the work's stage, a bar and, for work that can be cancelled, its
// Cancel button. The work runs on the window's thread, so each time the bar moves the
// window is painted and its button heard; timers and ports wait until the work is done,
// so that no send, reply or greeting runs in the midst of the work's transaction.
// The box goes when the work is done: Escape and the window's close ask for Cancel, when
// there is one, and otherwise do nothing.
class WorkWindow final : public QDialog {
public:
    using QDialog::QDialog;
    bool cancellable = false;
    bool cancelled = false;

    void reject() override { cancelled = cancelled || cancellable; }

protected:
    void closeEvent(QCloseEvent *event) override
    {
        reject();
        event->ignore();
    }
};

class ProgressBox final : public WorkProgress {
public:
    ProgressBox(QWidget *parent, const QString &title, bool cancellable)
        : m_window(parent)
    {
        m_window.cancellable = cancellable;
        m_window.setObjectName(QStringLiteral("ProgressBox"));
        m_window.setWindowTitle(title);
        m_window.setWindowModality(Qt::ApplicationModal);
        m_window.setWindowFlag(Qt::WindowCloseButtonHint, false);
        if (keptOnTop(parent))
            m_window.setWindowFlag(Qt::WindowStaysOnTopHint);
        auto *layout = new QVBoxLayout(&m_window);
        m_stage = new QLabel(title, &m_window);
        m_stage->setObjectName(QStringLiteral("stageLabel"));
        m_bar = new QProgressBar(&m_window);
        m_bar->setObjectName(QStringLiteral("progressBar"));
        m_bar->setMinimumWidth(360);
        m_bar->setRange(0, 0);
        layout->addWidget(m_stage);
        layout->addWidget(m_bar);
        if (cancellable) {
            auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &m_window);
            buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
            QObject::connect(buttons, &QDialogButtonBox::rejected, &m_window, &QDialog::reject);
            layout->addWidget(buttons);
        }
        m_window.show();
        pump();
    }

protected:
    void show(const QString &what, qint64 done, qint64 total) override
    {
        if (!what.isEmpty())
            m_stage->setText(what);
        // The bar counts in thousandths: its range is an int, the work's count may not be.
        m_bar->setRange(0, total > 0 ? 1000 : 0);
        if (total > 0)
            m_bar->setValue(static_cast<int>(done * 1000 / total));
        pump();
    }
    bool cancelRequested() override { return m_window.cancelled; }

private:
    static void pump()
    {
        QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers);
    }

    WorkWindow m_window;
    QLabel *m_stage = nullptr;
    QProgressBar *m_bar = nullptr;
};

} // namespace

std::unique_ptr<WorkProgress> QtDialogs::progressWindow(const QString &title, bool cancellable)
{
    return std::make_unique<ProgressBox>(parentForBox(), title, cancellable);
}

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
