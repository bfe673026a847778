#pragma once

#include "broadcast/RunState.h"

#include <QTimer>
#include <QWidget>

class Clock;
class QLabel;
class QProgressBar;

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

    // Six seconds a message, as minutes with up to two decimals: 25 gives "2.5 minutes".
    static QString estimateText(int total);

    void showProgress(bool resetBar) override;
    void updateProgress() override;
    void showPause(int minutes) override;
    void endPause() override;

    // Runs each time the window becomes visible, not when an open one is shown again:
    // the window is placed and its labels filled. Once it is on screen and painted the
    // sender is held for HoldMs.
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
    QTimer Timer1;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void waitUntilOnScreen();
    void hold();
    RunState &m_state;
    Clock &m_clock;
    QWidget &m_owner;
};
