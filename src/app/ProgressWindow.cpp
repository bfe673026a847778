#include "app/ProgressWindow.h"

#include "base/Clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>

namespace {

QLabel *label(const QString &name, const QString &text, bool bold, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setObjectName(name);
    if (bold) {
        QFont font = result->font();
        font.setBold(true);
        result->setFont(font);
    }
    return result;
}

} // namespace

ProgressWindow::ProgressWindow(RunState &state, Clock &clock, QWidget &owner)
    : QWidget(nullptr,
              Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint)
    , Label1(label(QStringLiteral("Label1"), QString::fromLatin1(ActionText), true, this))
    , Label2(label(QStringLiteral("Label2"), QStringLiteral("Total SMS :"), false, this))
    , Label3(label(QStringLiteral("Label3"), QString(), true, this))
    , Label4(label(QStringLiteral("Label4"), QString(), true, this))
    , Label5(label(QStringLiteral("Label5"), QStringLiteral("Estimate time:"), false, this))
    , Label6(label(QStringLiteral("Label6"), QStringLiteral("Current SMS :"), false, this))
    , Label7(label(QStringLiteral("Label7"), QString(), true, this))
    , ProgressBar1(new QProgressBar(this))
    , m_state(state)
    , m_clock(clock)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("frm_wait"));
    setWindowTitle(QString::fromLatin1(Caption));
    setFixedSize(509, 131);

    Label1->setAlignment(Qt::AlignHCenter);
    Label1->setStyleSheet(QStringLiteral("color: red"));
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setFixedHeight(17);

    auto *counters = new QGridLayout;
    counters->setHorizontalSpacing(8);
    // The values take the rest of the width: they change while the layout has no
    // chance to follow (the hold on showing blocks every event).
    counters->setColumnStretch(1, 1);
    const QList<QPair<QLabel *, QLabel *>> rows{{Label2, Label3}, {Label5, Label4}, {Label6, Label7}};
    for (int row = 0; row < rows.size(); ++row) {
        counters->addWidget(rows[row].first, row, 0, Qt::AlignRight);
        counters->addWidget(rows[row].second, row, 1);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Label1);
    layout->addLayout(counters);
    layout->addStretch();
    layout->addWidget(ProgressBar1);

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(m_clock.scaled(HoldMs));
    connect(&Timer1, &QTimer::timeout, this, &ProgressWindow::Timer1Timer);
}

QString ProgressWindow::estimateText(int total)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString minutes = locale.toString(total * 6 / 60.0, 'f', 2);
    while (minutes.endsWith(locale.zeroDigit()))
        minutes.chop(locale.zeroDigit().size());
    if (minutes.endsWith(locale.decimalPoint()))
        minutes.chop(locale.decimalPoint().size());
    return minutes + QStringLiteral(" minutes");
}

void ProgressWindow::showProgress(bool resetBar)
{
    // The show event, which fills the labels, comes before the window system has the
    // window at all; the hold waits until it is on screen and painted, or the window
    // would stay off the screen for the whole of it.
    const bool appearing = !isVisible();
    show();
    if (resetBar)
        ProgressBar1->setValue(0);
    waitUntilOnScreen();
    repaint();
    if (appearing)
        hold();
}

void ProgressWindow::waitUntilOnScreen()
{
    // The senders' blocking waits paint nothing: unless the window system has put the
    // window on screen by now, it would stay blank for the whole send. Meanwhile no
    // click, timer tick or received byte is taken.
    constexpr auto windowSystemOnly =
        QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers;
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 1000)
        QCoreApplication::processEvents(windowSystemOnly, 20);
}

void ProgressWindow::updateProgress()
{
    // A send that counts nothing has no share to show.
    const int total = m_state.progressTotal;
    const int percent = total > 0 ? static_cast<int>(std::lround(m_state.progressCurrent * 100.0 / total)) : 0;
    ProgressBar1->setValue(qBound(0, percent, 100));
    Label7->setText(QString::number(m_state.progressCurrent));
    repaint();
}

void ProgressWindow::showPause(int minutes)
{
    Label1->setText(QStringLiteral("Broadcast Pause for %1 minutes....").arg(minutes));
    repaint();
}

void ProgressWindow::endPause()
{
    Label1->setText(QString::fromLatin1(ActionText));
    repaint();
}

void ProgressWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void ProgressWindow::FormShow()
{
    move(m_owner.frameGeometry().center() - (frameGeometry().center() - pos()));
    Label3->setText(QString::number(m_state.progressTotal));
    Label4->setText(estimateText(m_state.progressTotal));
    Label7->setText(QString::number(m_state.progressCurrent));
}

void ProgressWindow::hold()
{
    // The sender waits here, painting nothing, before its first message goes out.
    m_clock.sleep(HoldMs);
    if (!Timer1.isActive())
        Timer1.start();
}

void ProgressWindow::Timer1Timer()
{
    if (m_state.progressCurrent != 0)
        return;
    ProgressBar1->setValue(100);
    hide();
}
