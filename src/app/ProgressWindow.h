#pragma once

#include "broadcast/RunState.h"

#include <QTimer>
#include <QWidget>

class Clock;
class QLabel;
class QProgressBar;
class QPushButton;

// "frm_wait": the small always-on-top window every sender shows while it sends. It
// closes itself at the first tick of its timer after the sender set the current
// message back to 0.
class ProgressWindow : public QWidget, public ProgressDisplay {
    Q_OBJECT

public:
    static constexpr auto Caption = "Brivora ver 1.3 ~ Personalize Bulk SMS Broadcaster - WAIT";
    static constexpr auto ActionText = "Broadcast in action...........";
    static constexpr int HoldMs = 6800;

    // Shows the counters of state; centred on owner whenever it appears.
    ProgressWindow(RunState &state, Clock &clock, QWidget &owner);

    // The time still to go as minutes with up to two decimals: 150 seconds give
    // "2.5 minutes".
    static QString estimateText(int seconds);

    // The window appears (or is shown again) and holds the sender for HoldMs when it
    // has just appeared, so it is read before the first message goes out.
    int showProgress(bool resetBar) override;
    void holdEnded() override;
    void updateProgress() override;
    void showPause(int minutes) override;
    void endPause() override;

    // Runs each time the window becomes visible, not when an open one is shown again:
    // the window is placed and its labels filled.
    void FormShow();
    void Timer1Timer();

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label6;
    QLabel *Label7;
    QProgressBar *ProgressBar1;
    // A run over several modems: a line for each, its port, the messages it sent and its
    // pace; the window grows to hold them.
    QLabel *modemLines;
    // Stops the running send once the messages going out have gone whole.
    QPushButton *stopButton;
    QTimer Timer1;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void stopClicked();
    void showModems();
    RunState &m_state;
    QWidget &m_owner;
    // From the window's appearing until the first message goes out.
    bool m_holding = false;
};
