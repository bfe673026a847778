#include "app/MainWindow.h"

#include "app/HelpWindow.h"
#include "app/ProgressWindow.h"
#include "app/TrayIcon.h"
#include "base/Clock.h"
#include "base/Dialogs.h"
#include "base/Errors.h"
#include "broadcast/AnnouncementTab.h"
#include "broadcast/InboxTab.h"
#include "broadcast/RecipientGrid.h"
#include "broadcast/QueueTab.h"
#include "broadcast/ScheduleTab.h"
#include "contacts/ImportWindow.h"
#include "contacts/ProfileTab.h"
#include "data/OtherDesks.h"
#include "modem/ComLed.h"
#include "modem/PortSetupDialog.h"
#include "prefs/PreferenceTab.h"
#include "reports/ReportsTab.h"
#include "reports/TransactionLogTab.h"
#include "widgets/EditorText.h"
#include "widgets/Named.h"
#include "widgets/UrlLabel.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr auto SupportSite = "https://www.brivora.com/support";
constexpr auto HelpFile = "brivora-1.chm";

} // namespace

MainWindow::MainWindow(Dialogs &dialogs, Clock &clock, QWidget *parent)
    : QWidget(parent)
    , PageControl1(new QTabWidget(this))
    , m_dialogs(dialogs)
    , m_clock(clock)
    , m_engine(m_dm.con, m_settings, m_clock, m_dialogs)
    , m_individualSms(m_engine, m_dm)
    , m_broadcastRunner(
          m_engine, m_dm,
          {[this] { return announcementTab->projectName(); }, [this] { return announcementTab->pauseEvery(); },
           [this] { return announcementTab->pauseMinutes(); }, [this] { announcementTab->suitempBitBtn9Click(); }})
    , m_scheduleListRunner(m_engine, m_dm)
    , m_failQueue(m_engine, m_dm)
    , m_greetings(m_engine, m_dm)
    , m_greetingTimer(m_engine.runState(), m_clock, m_settings, [this](Greeting greeting) { autoGreeting(greeting); })
    , m_portSetupPrompt([this](const SerialSettings &current) { return PortSetupDialog::ask(current, this); })
    , m_openUrl(&QDesktopServices::openUrl)
{
    setObjectName(QStringLiteral("f_main"));
    setWindowTitle(m_dm.con.engine() == Database::Engine::Postgres
                       ? QStringLiteral("%1 ~ %2").arg(QLatin1String(Caption), m_dm.con.description())
                       : QString::fromLatin1(Caption));
    setFixedSize(947, 570);

    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    profileTab = new ProfileTab(m_dm, m_dialogs);
    announcementTab = new AnnouncementTab(m_dm, m_settings, m_dialogs, m_clock);
    scheduleTab = new ScheduleTab(m_dm, m_dialogs, m_scheduleListRunner);
    queueTab = new QueueTab(m_dm, m_dialogs, m_failQueue);
    reportsTab = new ReportsTab(m_dm, m_dialogs, m_clock);
    transactionLogTab = new TransactionLogTab(m_dm, m_dialogs);
    inboxTab = new InboxTab(m_dm.con, m_settings, m_dialogs);
    preferenceTab = new PreferenceTab(m_dm, m_settings, m_dialogs, m_clock);
    preferenceTab->setModemStatus([this](const QString &port) {
        for (const ModemLane *lane : m_engine.lanes())
            if (lane->port() == port && lane->session().isOpen())
                return lane->statusText();
        return QStringLiteral("closed");
    });
    PageControl1->addTab(profileTab, QStringLiteral("Profile"));
    PageControl1->addTab(announcementTab, QStringLiteral("SMS Anouncement && Broadcast"));
    PageControl1->addTab(scheduleTab, QStringLiteral("Broadcast Schedule List"));
    PageControl1->addTab(queueTab, QStringLiteral("Broadcast Queue List (Fail Send)"));
    PageControl1->addTab(reportsTab, QStringLiteral("Reports"));
    PageControl1->addTab(transactionLogTab, QStringLiteral("Transaction Log"));
    PageControl1->addTab(inboxTab, QStringLiteral("Inbox"));
    PageControl1->addTab(preferenceTab, QStringLiteral("Preference"));
    connect(PageControl1, &QTabWidget::currentChanged, this, &MainWindow::enableCurrentSheetOnly);
    // The tab's caption counts what came in and was not seen there yet.
    connect(inboxTab, &InboxTab::unreadChanged, this, [this](int unread) {
        PageControl1->setTabText(PageControl1->indexOf(inboxTab),
                                 unread > 0 ? QStringLiteral("Inbox (%1)").arg(unread) : QStringLiteral("Inbox"));
    });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (PageControl1->currentWidget() == inboxTab)
            guarded(m_dialogs, [this] { inboxTab->markSeen(); });
    });
    connect(inboxTab, &InboxTab::replyTo, this, [this](qint64 profile, const QString &number) {
        PageControl1->setCurrentWidget(profileTab);
        if (profile == 0 || !profileTab->selectForMessage(profile))
            profileTab->startContactWithNumber(number);
    });
    connect(profileTab->BitBtn4, &QPushButton::clicked, this, &MainWindow::suitempBitBtn4Click);
    // What would change the rows a running send walks waits until it has ended.
    const auto refusedWhileSending = [this] { return runState().refusedWhileSending(m_dialogs); };
    announcementTab->setSendGuard(refusedWhileSending);
    profileTab->setSendGuard(refusedWhileSending);
    connect(profileTab->suiButton2, &QPushButton::clicked, this, [this, refusedWhileSending] {
        guarded(m_dialogs, [&] {
            if (!frm_import) {
                frm_import = new ImportWindow(m_dm, m_dialogs, this);
                frm_import->setSendGuard(refusedWhileSending);
            }
            frm_import->showCentred();
        });
    });
    connect(announcementTab->BitBtn10, &QPushButton::clicked, this, &MainWindow::BitBtn10Click);
    connect(announcementTab->BitBtn11, &QPushButton::clicked, this, &MainWindow::BitBtn11Click);
    connect(announcementTab->BitBtn12, &QPushButton::clicked, this, &MainWindow::BitBtn12Click);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(buildHeader());
    layout->addWidget(PageControl1, 1);

    // FormCreate
    PageControl1->setCurrentWidget(profileTab);
    enableCurrentSheetOnly(PageControl1->currentIndex());

    // The one-minute timer runs from start to end, the window shown or not.
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(m_clock.scaled(60000));
    connect(&Timer1, &QTimer::timeout, this, &MainWindow::Timer1Timer);
    Timer1.start();
    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer2.setInterval(m_clock.scaled(1000));
    connect(&Timer2, &QTimer::timeout, this, &MainWindow::Timer2Timer);
    Timer2.start();

    CiaTray1 = new TrayIcon(*this);
    connect(CiaTray1, &TrayIcon::exitRequested, this, &MainWindow::exitProgram);
    connect(CiaTray1, &TrayIcon::closedWithoutNotificationArea, this, &MainWindow::exitOrMinimise);
    // However the program comes to end, what was sent keeps its records if the database
    // takes them at all.
    connect(qApp, &QCoreApplication::aboutToQuit, this,
            [this] { guarded(m_dialogs, [this] { records().flush(true); }); });
    connect(&records(), &Records::writeFailed, this,
            [this](const QString &text) { m_dialogs.error(withFullStop(text)); });
    m_frmWait = std::make_unique<ProgressWindow>(runState(), m_clock, *this);
    runState().setDisplay(m_frmWait.get());
    connect(&runState(), &RunState::runEnded, this, &MainWindow::runEnded);
    // From the event loop: a box opened in the midst of a modem's answer would hold that
    // modem up until it is closed.
    connect(&m_engine, &SendEngine::warning, this, &MainWindow::modemWarning, Qt::QueuedConnection);
    connect(&m_engine, &SendEngine::modemsChanged, this, &MainWindow::showModems);
    connect(
        &m_engine, &SendEngine::receiveFailed, this, [this](const QString &text) { m_dialogs.error(withFullStop(text)); },
        Qt::QueuedConnection);
    // Replies come in through every modem; one that comes while the window is in the
    // tray is told in a balloon, with its sender and its first words.
    connect(&m_engine, &SendEngine::messageStored, this,
            [this](const QString &, const QString &number, const QString &text) {
                guarded(m_dialogs, [this] {
                    inboxTab->reload();
                    if (isVisible() && PageControl1->currentWidget() == inboxTab)
                        inboxTab->markSeen();
                });
                if (isVisible() && !isMinimized())
                    return;
                constexpr int FirstWords = 60;
                const QString words = text.simplified();
                CiaTray1->showBalloon(QStringLiteral("Message from %1: %2")
                                          .arg(number, words.size() > FirstWords ? words.left(FirstWords) + u'\u2026'
                                                                                  : words));
            });
    connect(&m_engine, &SendEngine::deliveryChanged, this, &MainWindow::showDeliveries);
    // Other desks on the same server: what they change shows here by itself, but never
    // in the midst of a send, which walks its list by row.
    auto *otherDesks = new OtherDesks(m_dm, [this] { return runState().isSending(); }, this);
    connect(otherDesks, &OtherDesks::tablesChanged, this, [this](const QSet<QString> &tables) {
        guarded(m_dialogs, [&] {
            if (tables.contains(QStringLiteral("inbox")) || tables.contains(QStringLiteral("opt_out"))
                || tables.contains(QStringLiteral("profile")))
                inboxTab->reload();
            if (tables.contains(QStringLiteral("sms_part")))
                showDeliveries();
        });
    });
    connect(otherDesks, &OtherDesks::readFailed, this, [this](const QString &text) { m_dialogs.error(text); },
            Qt::QueuedConnection);
    m_engine.hearIncoming();
    showModems();
}

MainWindow::~MainWindow()
{
    // The tabs and their grids show the data module's query objects: they go first, while
    // those still exist (child widgets would otherwise outlive the members).
    qDeleteAll(findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly));
}

QWidget *MainWindow::buildHeader()
{
    auto *header = new QWidget(this);
    // Which data this window shows: with several desks on a server, the operator must know.
    header->setObjectName(QStringLiteral("dataHeader"));
    header->setToolTip(QStringLiteral("Data: %1").arg(m_dm.con.description()));
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(8, 0, 8, 0);
    auto *status = new QLabel(QStringLiteral("Phone Status :"), header);
    status->setObjectName(QStringLiteral("Label29"));
    QFont bold = status->font();
    bold.setBold(true);
    status->setFont(bold);
    row->addWidget(status);
    ComLed1 = new ComLed(header);
    ComLed1->setObjectName(QStringLiteral("ComLed1"));
    connect(ComLed1, &ComLed::clicked, this, &MainWindow::ComLed1Click);
    row->addWidget(ComLed1);
    row->addStretch();

    auto *support = named(new UrlLabel(QStringLiteral("Brivora Online support"), header), "suiURLLabel1");
    connect(support, &UrlLabel::clicked, this, &MainWindow::suiURLLabel1Click);
    auto *help = named(new UrlLabel(QStringLiteral("Built-in Help"), header), "suiURLLabel2");
    connect(help, &UrlLabel::clicked, this, &MainWindow::suiURLLabel2Click);
    row->addWidget(support);
    row->addSpacing(16);
    row->addWidget(help);
    return header;
}

void MainWindow::suiURLLabel1Click()
{
    m_openUrl(QUrl(QString::fromLatin1(SupportSite)));
}

void MainWindow::suiURLLabel2Click()
{
    // The help file is not installed with every copy, nor can every desktop open it; the
    // guide built into the program always can.
    const QString file = QDir::current().absoluteFilePath(QString::fromLatin1(HelpFile));
    if (QFileInfo::exists(file) && m_openUrl(QUrl::fromLocalFile(file)))
        return;
    if (!m_helpWindow)
        m_helpWindow = new HelpWindow(this);
    m_helpWindow->showAndRaise(*this);
}

void MainWindow::ComLed1Click()
{
    // Closing a port under a running send would cut its exchange in half.
    if (runState().refusedWhileSending(m_dialogs))
        return;
    guarded(m_dialogs, [this] {
        m_engine.closeModems();
        // The light is the first modem's: its settings are the dialog's, and stored once
        // confirmed. The others are opened as the modem list holds them.
        QList<ModemSetup> modems = m_settings.modems();
        ModemSetup first = modems.value(0, ModemSetup{SerialSettings{}.portName, lineSettingsText(SerialSettings{}),
                                                      true, QString()});
        if (const std::optional<SerialSettings> chosen =
                m_portSetupPrompt(serialSettingsOf(first.port, first.lineSettings))) {
            first.port = chosen->portName;
            first.lineSettings = lineSettingsText(*chosen);
            first.enabled = true;
            if (modems.isEmpty())
                modems << first;
            else
                modems[0] = first;
            m_settings.setModems(modems);
            m_settings.storeModems();
        }
        QList<ModemSetup> on{first};
        for (qsizetype i = 1; i < modems.size(); ++i)
            if (modems.at(i).enabled)
                on << modems.at(i);
        m_engine.openModems(on);
    });
}

Dialogs &MainWindow::boxesForTimerWork()
{
    // In the tray (or minimised) nobody would see a box; it waits for the window.
    return isVisible() && !isMinimized() ? m_dialogs : m_heldBoxes;
}

void MainWindow::modemWarning(const QString &port, const QString &text, bool asksPin)
{
    Dialogs &boxes = boxesForTimerWork();
    if (!asksPin) {
        boxes.warning(text);
        return;
    }
    const std::optional<QString> pin = boxes.askSecret(text + QStringLiteral("\nPIN:"));
    if (!pin)
        return;
    // The modem may have been closed while the box was open.
    for (ModemLane *lane : m_engine.lanes())
        if (lane->port() == port && lane->session().isOpen())
            lane->session().enterPin(*pin);
}

void MainWindow::showModems()
{
    // The light and its tip are the first modem's; the tip tells of every modem open.
    ModemLane &first = m_engine.firstLane();
    ComLed1->setLit(first.session().isOpen());
    QStringList lines;
    for (const ModemLane *lane : m_engine.lanes())
        if (lane->session().isOpen() || lane == &first)
            lines << lane->statusText();
    ComLed1->setToolTip(lines.join(QLatin1Char('\n')));
}

void MainWindow::suitempBitBtn4Click()
{
    guarded(m_dialogs, [this] { m_individualSms.send(storedLines(profileTab->RichEdit4)); });
}

void MainWindow::BitBtn10Click()
{
    guarded(m_dialogs, [this] { m_broadcastRunner.start(); });
}

void MainWindow::BitBtn11Click()
{
    guarded(m_dialogs, [this] { m_greetings.start(Greeting::Birthday, m_dialogs); });
}

void MainWindow::BitBtn12Click()
{
    guarded(m_dialogs, [this] { m_greetings.start(Greeting::Anniversary, m_dialogs); });
}

void MainWindow::Timer1Timer()
{
    m_greetingTimer.Timer1Timer();
}

void MainWindow::autoGreeting(Greeting greeting)
{
    Dialogs &boxes = boxesForTimerWork();
    guarded(boxes, [&] { m_greetings.start(greeting, boxes); });
}

void MainWindow::showDeliveries()
{
    announcementTab->deliveryColumn->reload();
    scheduleTab->deliveryColumn->reload();
}

void MainWindow::runEnded(const RunReport &report)
{
    // The SMS of the run that asked for reports are pending now.
    showDeliveries();
    // Nobody may be looking at the window: the tray tells why a run stopped, and how
    // every run but a single SMS went, since the progress window just goes.
    const bool unseen = !isVisible() || isMinimized();
    if (report.end == RunReport::End::Failed && unseen)
        CiaTray1->showBalloon(report.error);
    else if (!report.what.isEmpty())
        CiaTray1->showBalloon(report.resultText());
}

void MainWindow::exitProgram()
{
    if (runState().isSending()) {
        if (m_dialogs.confirm(QString::fromLatin1(StopAndExitText), Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
            return;
        // The send stops once the part going out has its records; the program ends once
        // it has ended, and a greeting waiting for it, or falling due meanwhile, stays unsent.
        Timer1.stop();
        m_greetingTimer.dropWaiting();
        runState().requestStop();
        runState().whenIdle(
            [this] { QMetaObject::invokeMethod(this, &MainWindow::exitProgram, Qt::QueuedConnection); });
        return;
    }
    // Records still waiting are written as the application quits.
    guarded(m_dialogs, [this] { m_engine.closeModems(); });
    CiaTray1->endProgram();
}

void MainWindow::exitOrMinimise()
{
    if (m_dialogs.confirm(QString::fromLatin1(ExitOrMinimiseText), Dialogs::Buttons::YesNo) == Dialogs::Answer::Yes)
        // Once the close being refused has ended, so that the exit can close the window.
        QMetaObject::invokeMethod(this, &MainWindow::exitProgram, Qt::QueuedConnection);
    else
        showMinimized();
}

void MainWindow::enableCurrentSheetOnly(int index)
{
    for (int i = 0; i < PageControl1->count(); ++i)
        PageControl1->widget(i)->setEnabled(i == index);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void MainWindow::hideEvent(QHideEvent *event)
{
    // Going to the tray counts as leaving the control being edited: nothing typed is lost.
    if (!event->spontaneous())
        preferenceTab->storeFocusedSetting();
    QWidget::hideEvent(event);
}

void MainWindow::Timer2Timer()
{
    Timer2.stop();
    if (isVisible())
        return;
    // The first showing centres the window on its screen.
    if (const QScreen *where = screen())
        move(where->availableGeometry().center() - rect().center());
    show();
}

void MainWindow::FormShow()
{
    guarded(m_dialogs, [this] { loadSettings(); });
    if (m_splash)
        m_splash->close();
    m_heldBoxes.showThrough(m_dialogs);
}

void MainWindow::loadSettings()
{
    PageControl1->setCurrentWidget(profileTab);
    m_dm.q_profile.refresh();
    for (Dataset *shown : {&m_dm.q_prj, &m_dm.q_group, &m_dm.q_greeting})
        shown->refresh();
    profileTab->Edit1->setFocus();
    profileTab->resetDates();

    // The Preference tab shows the settings as they are stored.
    m_settings.load();
    preferenceTab->showSettings();

    m_dm.q_group.first();
    announcementTab->fillTargetGroups();

    m_dm.q_prj_schedule.repoint(QStringLiteral("select * from project where project_broadcast__date is not null"));
    m_dm.q_pd_que.refresh();
    inboxTab->reload();
    announcementTab->DateTimePicker5->setDateTime(m_clock.now());

    captionTemplates(m_settings.text(Settings::Field::FirstLanguage),
                     m_settings.text(Settings::Field::SecondLanguage));
}

void MainWindow::captionTemplates(const QString &firstLanguage, const QString &secondLanguage)
{
    const QString first = QStringLiteral("Message (%1)").arg(firstLanguage);
    const QString second = QStringLiteral("Message (%1)").arg(secondLanguage);
    for (QLabel *label : {preferenceTab->Label8, preferenceTab->Label9, announcementTab->Label23})
        label->setText(first);
    for (QLabel *label : {preferenceTab->Label12, preferenceTab->Label13, announcementTab->Label22})
        label->setText(second);
}
