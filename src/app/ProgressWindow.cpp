#include "app/ProgressWindow.h"

#include "base/Clock.h"

#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

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
    , modemLines(label(QStringLiteral("modemLines"), QString(), false, this))
    , stopButton(new QPushButton(QStringLiteral("Stop"), this))
    , m_state(state)
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

    stopButton->setObjectName(QStringLiteral("stopButton"));
    stopButton->setEnabled(false);
    connect(stopButton, &QPushButton::clicked, this, &ProgressWindow::stopClicked);
    connect(&m_state, &RunState::runEnded, this, [this] {
        stopButton->setText(QStringLiteral("Stop"));
        stopButton->setEnabled(false);
        // A run stopped during the hold ends it too: the window may close at its next tick.
        holdEnded();
    });

    auto *counters = new QGridLayout;
    counters->setHorizontalSpacing(8);
    counters->setColumnStretch(1, 1);
    const QList<QPair<QLabel *, QLabel *>> rows{{Label2, Label3}, {Label5, Label4}, {Label6, Label7}};
    for (int row = 0; row < rows.size(); ++row) {
        counters->addWidget(rows[row].first, row, 0, Qt::AlignRight);
        counters->addWidget(rows[row].second, row, 1);
    }
    counters->addWidget(stopButton, 0, 2, rows.size(), 1, Qt::AlignRight | Qt::AlignVCenter);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Label1);
    layout->addLayout(counters);
    layout->addWidget(modemLines);
    modemLines->hide();
    layout->addStretch();
    layout->addWidget(ProgressBar1);

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(clock.scaled(HoldMs));
    connect(&Timer1, &QTimer::timeout, this, &ProgressWindow::Timer1Timer);
}

QString ProgressWindow::estimateText(int seconds)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString minutes = locale.toString(seconds / 60.0, 'f', 2);
    while (minutes.endsWith(locale.zeroDigit()))
        minutes.chop(locale.zeroDigit().size());
    if (minutes.endsWith(locale.decimalPoint()))
        minutes.chop(locale.decimalPoint().size());
    return minutes + QStringLiteral(" minutes");
}

int ProgressWindow::showProgress(bool resetBar)
{
    const bool appearing = !isVisible();
    show();
    if (appearing)
        m_holding = true;
    if (resetBar)
        ProgressBar1->setValue(0);
    stopButton->setText(QStringLiteral("Stop"));
    stopButton->setEnabled(true);
    return appearing ? HoldMs : 0;
}

void ProgressWindow::holdEnded()
{
    m_holding = false;
    if (!Timer1.isActive())
        Timer1.start();
}

void ProgressWindow::stopClicked()
{
    m_state.requestStop();
    stopButton->setText(QStringLiteral("Stopping..."));
    stopButton->setEnabled(false);
}

void ProgressWindow::updateProgress()
{
    // A send that counts nothing has no share to show.
    const int total = m_state.progressTotal;
    const int percent = total > 0 ? static_cast<int>(std::lround(m_state.progressCurrent * 100.0 / total)) : 0;
    ProgressBar1->setValue(qBound(0, percent, 100));
    Label7->setText(QString::number(m_state.progressCurrent));
    Label4->setText(estimateText(m_state.secondsToGo));
    showModems();
}

void ProgressWindow::showModems()
{
    QStringList lines;
    for (const RunState::ModemProgress &modem : std::as_const(m_state.modems)) {
        QString line = QStringLiteral("%1: %2 sent").arg(modem.port).arg(modem.messagesSent);
        if (modem.secondsPerMessage > 0)
            line += QStringLiteral(", %1 s a message").arg(QLocale().toString(modem.secondsPerMessage, 'f', 1));
        lines << line;
    }
    modemLines->setText(lines.join(QLatin1Char('\n')));
    modemLines->setVisible(!lines.isEmpty());
    // One modem: the window as it always was.
    setFixedSize(509, 131 + static_cast<int>(lines.size()) * modemLines->fontMetrics().lineSpacing());
}

void ProgressWindow::showPause(int minutes)
{
    Label1->setText(QStringLiteral("Broadcast Pause for %1 minutes....").arg(minutes));
}

void ProgressWindow::endPause()
{
    Label1->setText(QString::fromLatin1(ActionText));
}

void ProgressWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void ProgressWindow::FormShow()
{
    Label3->setText(QString::number(m_state.progressTotal));
    Label4->setText(estimateText(m_state.secondsToGo));
    Label7->setText(QString::number(m_state.progressCurrent));
    showModems();
    move(m_owner.frameGeometry().center() - (frameGeometry().center() - pos()));
}

void ProgressWindow::Timer1Timer()
{
    // The timer runs on from the run before: during the hold nothing counts yet, but the
    // window has just appeared for a run.
    if (m_holding || m_state.progressCurrent != 0)
        return;
    ProgressBar1->setValue(100);
    hide();
}
