#pragma once

#include "broadcast/BroadcastRunner.h"
#include "broadcast/FailQueue.h"
#include "broadcast/GreetingBroadcast.h"
#include "broadcast/GreetingTimer.h"
#include "broadcast/IndividualSms.h"
#include "broadcast/ScheduleListRunner.h"
#include "broadcast/SendEngine.h"
#include "broadcast/SendRun.h"
#include "data/DataModule.h"
#include "data/Settings.h"
#include "modem/SerialLink.h"
#include "widgets/HeldBoxes.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class AnnouncementTab;
class ImportWindow;
class ComLed;
class Clock;
class Dialogs;
class HelpWindow;
class PreferenceTab;
class ProgressWindow;
class ProfileTab;
class QueueTab;
class QLabel;
class QTabWidget;
class QUrl;
class ReportsTab;
class ScheduleTab;
class TransactionLogTab;
class InboxTab;
class TrayIcon;

// "f_main": the frame that owns the data module, the tabs, the timers and the run
// state. Every showing reloads the tabs from the database (FormShow).
class MainWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr auto Caption = "Brivora ver 1.3 ~ Personalize Bulk SMS Broadcaster";
    static constexpr auto StopAndExitText = "A broadcast is running. Stop it and exit?";
    static constexpr auto ExitOrMinimiseText =
        "Exit Brivora? Choose No to keep it running minimised, so that the automatic greetings still go out.";

    MainWindow(Dialogs &dialogs, Clock &clock, QWidget *parent = nullptr);
    ~MainWindow() override;

    DataModule &dm() { return m_dm; }
    Settings &settings() { return m_settings; }
    SendEngine &engine() { return m_engine; }
    RunState &runState() { return m_engine.runState(); }

    // The first modem's port, the one the status light shows.
    SerialLink &ComPort1() { return m_engine.firstLane().session().link(); }
    Records &records() { return m_engine.records(); }
    // How the port setup asks the user; tests answer it without a modal dialog.
    void setPortSetupPrompt(PortSetupPrompt prompt) { m_portSetupPrompt = std::move(prompt); }
    // How the header's links are opened: the desktop's default program, unless a test
    // records them instead.
    using UrlOpener = std::function<bool(const QUrl &)>;
    void setUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }
    // "Brivora Online support": the support site.
    void suiURLLabel1Click();
    // "Built-in Help": the help file of the working folder when there is one and the
    // desktop opens it, else the guide built into the program (one window, reused).
    void suiURLLabel2Click();
    // A click on the status light: close the ports, ask for the first modem's settings,
    // open every modem of the list that is on.
    void ComLed1Click();
    // "Send Individual SMS" on the Profile tab.
    void suitempBitBtn4Click();
    // "Start Broadcasting" on the announcement tab.
    void BitBtn10Click();
    // "Start Broadcasting" of the day's birthday and anniversary greetings.
    void BitBtn11Click();
    void BitBtn12Click();
    // The one-minute timer: the automatic greetings.
    void Timer1Timer();
    // "Exit" of the tray menu: a running send is stopped first, when the operator agrees;
    // what was sent keeps its records, the port closes and the program ends.
    void exitProgram();
    // Closing the window where there is no notification area: Yes ends the program as
    // "Exit" does, No minimises the window.
    void exitOrMinimise();

    // Set by the program so that the first showing closes the splash window.
    void setSplash(QWidget *splash) { m_splash = splash; }

    // Loads every tab from the database; an error ends the loading at its step.
    void FormShow();
    void Timer2Timer();

    QTabWidget *PageControl1;
    ProfileTab *profileTab;
    AnnouncementTab *announcementTab;
    ScheduleTab *scheduleTab;
    QueueTab *queueTab;
    ReportsTab *reportsTab;
    TransactionLogTab *transactionLogTab;
    InboxTab *inboxTab;
    PreferenceTab *preferenceTab;
    ComLed *ComLed1;
    // "Import Profile": made at its first use, not at start (its folder views read the
    // disk), and kept, so it shows the last workbook again.
    ImportWindow *frm_import = nullptr;
    QTimer Timer1;
    QTimer Timer2;
    // Closing the window only hides it; the tray icon brings it back or ends the program.
    // Without a notification area closing asks whether to exit or minimise.
    TrayIcon *CiaTray1;
    // Shown by the senders through the run state; a window of its own, so that it
    // appears while this one is hidden.
    ProgressWindow &frm_wait() { return *m_frmWait; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *buildHeader();
    void enableCurrentSheetOnly(int index);
    void loadSettings();
    void captionTemplates(const QString &firstLanguage, const QString &secondLanguage);
    void autoGreeting(Greeting greeting);
    void runEnded(const RunReport &report);
    // The recipient lists' delivery read again: a report came, or a run sent SMS.
    void showDeliveries();
    // Where a box of work nobody started goes: the window's, or held while it is unseen.
    Dialogs &boxesForTimerWork();
    void modemWarning(const QString &port, const QString &text, bool asksPin);
    void showModems();

    Dialogs &m_dialogs;
    Clock &m_clock;
    DataModule m_dm;
    Settings m_settings{m_dm};
    SendEngine m_engine;
    IndividualSms m_individualSms;
    BroadcastRunner m_broadcastRunner;
    ScheduleListRunner m_scheduleListRunner;
    FailQueue m_failQueue;
    GreetingBroadcast m_greetings;
    GreetingTimer m_greetingTimer;
    HeldBoxes m_heldBoxes;
    PortSetupPrompt m_portSetupPrompt;
    UrlOpener m_openUrl;
    std::unique_ptr<ProgressWindow> m_frmWait;
    HelpWindow *m_helpWindow = nullptr;
    QWidget *m_splash = nullptr;
};
