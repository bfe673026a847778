#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "base/Clock.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestProgressWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void frame();
    void estimate_data();
    void estimate();
    void estimateFollowsLocaleWithoutGrouping();
    void runnerUpdates();
    void holdIsTheSendersAndTheTimerStartsAfterIt();
    void stopAsksTheRunToStop();
    void emptyRunClosesAtNextTick();
    void aTickDuringTheHoldOfALaterRunHidesNothing();
    void windowStaysWhileCountingAndAfterAnError();
    void showingVisibleWindowKeepsItsLabels();
    void aRunOverSeveralModemsHasALineForEach();
    void mainWindowShowsItCentred();

private:
    // A window the run state shows, as the main window wires it.
    std::unique_ptr<ProgressWindow> makeWindow();
    // As a run starts: the time to go reckoned at six seconds a message.
    int start(int total, int current, bool resetBar);

    Clock m_clock;
    std::unique_ptr<RunState> m_runState;
    QWidget m_owner;
};

void TestProgressWindow::init()
{
    QLocale::setDefault(QLocale::c());
    m_clock.setScale(0.001);
    m_clock.setWaitListener({});
    m_runState = std::make_unique<RunState>();
}

std::unique_ptr<ProgressWindow> TestProgressWindow::makeWindow()
{
    auto window = std::make_unique<ProgressWindow>(*m_runState, m_clock, m_owner);
    m_runState->setDisplay(window.get());
    return window;
}

int TestProgressWindow::start(int total, int current, bool resetBar)
{
    m_runState->secondsToGo = total * 6;
    return m_runState->startProgress(total, current, resetBar);
}

void TestProgressWindow::frame()
{
    const auto window = makeWindow();
    QCOMPARE(window->objectName(), QStringLiteral("frm_wait"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Brivora ver 1.3 ~ Personalize Bulk SMS Broadcaster - WAIT"));
    QCOMPARE(window->size(), QSize(509, 131));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
    const QStringList captions{u"Broadcast in action..........."_s, u"Total SMS :"_s, u"Estimate time:"_s,
                               u"Current SMS :"_s};
    const QStringList names{u"Label1"_s, u"Label2"_s, u"Label5"_s, u"Label6"_s};
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(window->findChild<QLabel *>(names[i])->text(), captions[i]);
    QVERIFY(window->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"))->isTextVisible());
    // Its timer waits for the first showing; Stop, for a run.
    QVERIFY(!window->Timer1.isActive());
    QCOMPARE(window->stopButton->text(), u"Stop"_s);
    QVERIFY(!window->stopButton->isEnabled());

    // Every control fits the fixed frame, and large values still have room.
    window->show();
    for (QWidget *child : window->findChildren<QWidget *>())
        QVERIFY2(window->rect().contains(child->geometry()), qPrintable(child->objectName()));
    QVERIFY(window->Label3->width()
            >= window->Label3->fontMetrics().horizontalAdvance(QStringLiteral("100000 minutes")));
}

void TestProgressWindow::estimate_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0 << QStringLiteral("0 minutes");
    QTest::newRow("one") << 1 << QStringLiteral("0.1 minutes");
    QTest::newRow("three") << 3 << QStringLiteral("0.3 minutes");
    QTest::newRow("25") << 25 << QStringLiteral("2.5 minutes");
    QTest::newRow("100") << 100 << QStringLiteral("10 minutes");
    QTest::newRow("250") << 250 << QStringLiteral("25 minutes");
    QTest::newRow("12345") << 12345 << QStringLiteral("1234.5 minutes");
}

void TestProgressWindow::estimate()
{
    QFETCH(int, total);
    QFETCH(QString, text);
    const auto window = makeWindow();
    start(total, 0, true);
    QVERIFY(window->isVisible());
    QCOMPARE(window->Label3->text(), QString::number(total));
    QCOMPARE(window->Label4->text(), text);
    QCOMPARE(window->Label7->text(), QStringLiteral("0"));
}

void TestProgressWindow::estimateFollowsLocaleWithoutGrouping()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(ProgressWindow::estimateText(150), QStringLiteral("2,5 minutes"));
    QCOMPARE(ProgressWindow::estimateText(74040), QStringLiteral("1234 minutes"));
}

void TestProgressWindow::runnerUpdates()
{
    const auto window = makeWindow();
    window->ProgressBar1->setValue(100); // left by the previous run
    start(250, 0, true);
    QCOMPARE(window->ProgressBar1->value(), 0);

    m_runState->progressCurrent = 1;
    m_runState->updateProgress();
    QCOMPARE(window->ProgressBar1->value(), 0);
    QCOMPARE(window->Label7->text(), QStringLiteral("1"));
    m_runState->progressCurrent = 2;
    m_runState->updateProgress();
    QCOMPARE(window->ProgressBar1->value(), 1);
    QCOMPARE(window->Label7->text(), QStringLiteral("2"));
    m_runState->progressCurrent = 250;
    m_runState->updateProgress();
    QCOMPARE(window->ProgressBar1->value(), 100);
    QCOMPARE(window->ProgressBar1->text(), QStringLiteral("100%"));

    m_runState->showPause(5);
    QCOMPARE(window->Label1->text(), QStringLiteral("Broadcast Pause for 5 minutes...."));
    m_runState->endPause();
    QCOMPARE(window->Label1->text(), QStringLiteral("Broadcast in action..........."));

    // A total of 0 must not divide by zero.
    m_runState->progressTotal = 0;
    m_runState->progressCurrent = 1;
    m_runState->updateProgress();
    QCOMPARE(window->ProgressBar1->value(), 0);
    QCOMPARE(window->Label7->text(), QStringLiteral("1"));
}

void TestProgressWindow::holdIsTheSendersAndTheTimerStartsAfterIt()
{
    const auto window = makeWindow();
    // Appearing, the window asks the sender to hold, so it is read before the first
    // message goes out; the window's thread goes on meanwhile.
    QCOMPARE(start(5, 0, true), ProgressWindow::HoldMs);
    QVERIFY(window->isVisible());
    QVERIFY(!window->Timer1.isActive());
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    m_runState->holdEnded();
    QVERIFY(window->Timer1.isActive());
    QCOMPARE(window->Timer1.interval(), 7);

    // Shown again while open, it holds no more.
    QCOMPARE(start(1, 1, false), 0);
}

void TestProgressWindow::stopAsksTheRunToStop()
{
    const auto window = makeWindow();
    bool stopAsked = false;
    auto lock = m_runState->tryBeginSend([&] { stopAsked = true; });
    start(3, 0, true);
    QVERIFY(window->stopButton->isEnabled());
    QTest::mouseClick(window->stopButton, Qt::LeftButton);
    QVERIFY(stopAsked);
    QVERIFY(m_runState->stopRequested());
    // Until the run has ended, the button says it is on its way.
    QCOMPARE(window->stopButton->text(), u"Stopping..."_s);
    QVERIFY(!window->stopButton->isEnabled());
    m_runState->tellRunEnded({});
    QCOMPARE(window->stopButton->text(), u"Stop"_s);
    QVERIFY(!window->stopButton->isEnabled());
    lock.reset();
    QVERIFY(!m_runState->stopRequested());
}

void TestProgressWindow::emptyRunClosesAtNextTick()
{
    const auto window = makeWindow();
    start(0, 0, true);
    m_runState->holdEnded();
    QVERIFY(window->isVisible());
    QCOMPARE(window->Label3->text(), QStringLiteral("0"));
    QCOMPARE(window->Label4->text(), QStringLiteral("0 minutes"));
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(window->ProgressBar1->value(), 100);
}

void TestProgressWindow::aTickDuringTheHoldOfALaterRunHidesNothing()
{
    const auto window = makeWindow();
    // A first run finishes and the window closes; its timer runs on.
    start(2, 0, true);
    m_runState->holdEnded();
    m_runState->finishProgress();
    QTRY_VERIFY(!window->isVisible());
    QVERIFY(window->Timer1.isActive());

    // The next run's window appears and holds: nothing counts yet, and ticks come.
    QCOMPARE(start(5, 0, true), ProgressWindow::HoldMs);
    QSignalSpy ticks(&window->Timer1, &QTimer::timeout);
    QTRY_VERIFY(ticks.size() >= 3);
    QVERIFY(window->isVisible());
    QCOMPARE(window->ProgressBar1->value(), 0);

    // Its first message counts once the hold is over; the window stays for it.
    m_runState->holdEnded();
    m_runState->progressCurrent = 1;
    ticks.clear();
    QTRY_VERIFY(ticks.size() >= 2);
    QVERIFY(window->isVisible());

    // A run that ends during the hold lets the window go at the next tick.
    m_runState->finishProgress();
    QTRY_VERIFY(!window->isVisible());
    start(1, 0, true);
    m_runState->tellRunEnded({});
    QTRY_VERIFY(!window->isVisible());
}

void TestProgressWindow::windowStaysWhileCountingAndAfterAnError()
{
    const auto window = makeWindow();
    start(3, 0, true);
    m_runState->holdEnded();
    m_runState->progressCurrent = 2;
    m_runState->updateProgress();
    // A sender stopped by an error never finishes: the window stays, tick after tick.
    QSignalSpy ticks(&window->Timer1, &QTimer::timeout);
    QTRY_VERIFY(ticks.size() >= 3);
    QVERIFY(window->isVisible());
    QCOMPARE(window->ProgressBar1->value(), 67);

    // A later send that finishes lets it close.
    start(1, 1, false);
    QCOMPARE(window->Label3->text(), QStringLiteral("3"));
    m_runState->finishProgress();
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(window->ProgressBar1->value(), 100);
}

void TestProgressWindow::showingVisibleWindowKeepsItsLabels()
{
    const auto window = makeWindow();
    start(250, 0, true);
    m_runState->progressCurrent = 100;
    m_runState->updateProgress();
    start(1, 1, false);
    QCOMPARE(window->Label3->text(), QStringLiteral("250"));
    QCOMPARE(window->Label4->text(), QStringLiteral("25 minutes"));
    QCOMPARE(window->Label7->text(), QStringLiteral("100"));
    QCOMPARE(window->ProgressBar1->value(), 40);

    // Closed by the user with its title bar, the next start shows it afresh.
    window->close();
    QVERIFY(!window->isVisible());
    start(1, 1, false);
    QVERIFY(window->isVisible());
    QCOMPARE(window->Label3->text(), QStringLiteral("1"));
    QCOMPARE(window->Label4->text(), QStringLiteral("0.1 minutes"));
    QCOMPARE(window->Label7->text(), QStringLiteral("1"));
}

void TestProgressWindow::aRunOverSeveralModemsHasALineForEach()
{
    const auto window = makeWindow();
    m_runState->modems = {{u"ttyUSB0"_s, 4, 2.04}, {u"ttyUSB2"_s, 3, 0}};
    start(10, 0, true);
    QCOMPARE(window->modemLines->text(), u"ttyUSB0: 4 sent, 2.0 s a message\nttyUSB2: 3 sent"_s);
    QVERIFY(window->modemLines->isVisible());
    QVERIFY(window->height() > 131);
    for (QWidget *child : window->findChildren<QWidget *>())
        QVERIFY2(window->rect().contains(child->geometry()), qPrintable(child->objectName()));
    // One modem: the window as it always was.
    m_runState->modems.clear();
    m_runState->updateProgress();
    QVERIFY(!window->modemLines->isVisible());
    QCOMPARE(window->size(), QSize(509, 131));
}

void TestProgressWindow::mainWindowShowsItCentred()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow main(dialogs, m_clock);
    main.Timer2.stop();
    ProgressWindow &wait = main.frm_wait();
    QCOMPARE(main.runState().display(), &wait);
    QVERIFY(!wait.isVisible());

    // The main window may be hidden in the tray while a greeting goes out.
    main.move(120, 80);
    main.runState().startProgress(1, 1, false);
    QVERIFY(wait.isVisible());
    QVERIFY(!main.isVisible());
    QCOMPARE(wait.frameGeometry().center(), main.frameGeometry().center());
    QCOMPARE(wait.Label7->text(), QStringLiteral("1"));
    QVERIFY(dialogs.shown().isEmpty());
}

QTEST_MAIN(TestProgressWindow)
#include "tst_progresswindow.moc"
