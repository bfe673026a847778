#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "base/Clock.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QScreen>
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
    void holdBlocksThenTimerStarts();
    void onScreenAndPaintedBeforeTheHold();
    void emptyRunClosesAtNextTick();
    void windowStaysWhileCountingAndAfterAnError();
    void showingVisibleWindowKeepsItsLabels();
    void mainWindowShowsItCentred();

private:
    // A window the run state shows, as the main window wires it.
    std::unique_ptr<ProgressWindow> makeWindow();

    Clock m_clock;
    RunState m_state;
    QWidget m_owner;
};

void TestProgressWindow::init()
{
    QLocale::setDefault(QLocale::c());
    m_clock.setScale(0.001);
    m_clock.setWaitListener({});
    m_state = RunState();
}

std::unique_ptr<ProgressWindow> TestProgressWindow::makeWindow()
{
    auto window = std::make_unique<ProgressWindow>(m_state, m_clock, m_owner);
    m_state.setDisplay(window.get());
    return window;
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
    // Its timer waits for the first showing.
    QVERIFY(!window->Timer1.isActive());

    // Every control fits the fixed frame, and values set while the layout cannot
    // follow (the hold blocks every event) still have room.
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
    m_state.startProgress(total, 0, true);
    QVERIFY(window->isVisible());
    QCOMPARE(window->Label3->text(), QString::number(total));
    QCOMPARE(window->Label4->text(), text);
    QCOMPARE(window->Label7->text(), QStringLiteral("0"));
}

void TestProgressWindow::estimateFollowsLocaleWithoutGrouping()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(ProgressWindow::estimateText(25), QStringLiteral("2,5 minutes"));
    QCOMPARE(ProgressWindow::estimateText(12340), QStringLiteral("1234 minutes"));
}

void TestProgressWindow::runnerUpdates()
{
    const auto window = makeWindow();
    window->ProgressBar1->setValue(100); // left by the previous run
    m_state.startProgress(250, 0, true);
    QCOMPARE(window->ProgressBar1->value(), 0);

    m_state.progressCurrent = 1;
    m_state.updateProgress();
    QCOMPARE(window->ProgressBar1->value(), 0);
    QCOMPARE(window->Label7->text(), QStringLiteral("1"));
    m_state.progressCurrent = 2;
    m_state.updateProgress();
    QCOMPARE(window->ProgressBar1->value(), 1);
    QCOMPARE(window->Label7->text(), QStringLiteral("2"));
    m_state.progressCurrent = 250;
    m_state.updateProgress();
    QCOMPARE(window->ProgressBar1->value(), 100);
    QCOMPARE(window->ProgressBar1->text(), QStringLiteral("100%"));

    m_state.showPause(5);
    QCOMPARE(window->Label1->text(), QStringLiteral("Broadcast Pause for 5 minutes...."));
    m_state.endPause();
    QCOMPARE(window->Label1->text(), QStringLiteral("Broadcast in action..........."));

    // A total of 0 must not divide by zero.
    m_state.progressTotal = 0;
    m_state.progressCurrent = 1;
    m_state.updateProgress();
    QCOMPARE(window->ProgressBar1->value(), 0);
    QCOMPARE(window->Label7->text(), QStringLiteral("1"));
}

void TestProgressWindow::holdBlocksThenTimerStarts()
{
    m_clock.setScale(0.01);
    const auto window = makeWindow();
    QElapsedTimer elapsed;
    qint64 tickedAt = -1;
    QTimer tick;
    tick.setSingleShot(true);
    connect(&tick, &QTimer::timeout, this, [&] { tickedAt = elapsed.elapsed(); });
    elapsed.start();
    tick.start(0);
    m_state.startProgress(5, 0, true);
    QVERIFY(elapsed.elapsed() >= 68);
    // No timer ticks until the hold is over, not even while the window gets on screen.
    QCOMPARE(tickedAt, -1);
    QVERIFY(window->Timer1.isActive());
    QCOMPARE(window->Timer1.interval(), 68);
    QTRY_VERIFY(tickedAt >= 68);
}

void TestProgressWindow::onScreenAndPaintedBeforeTheHold()
{
    const auto window = makeWindow();
    QImage onScreen;
    m_clock.setWaitListener([&](int milliseconds, bool) {
        if (milliseconds == ProgressWindow::HoldMs)
            onScreen = window->screen()->grabWindow(window->winId()).toImage();
    });
    m_state.startProgress(25, 0, true);
    QCOMPARE(window->Label4->text(), u"2.5 minutes"_s);
    const QImage painted = window->grab().toImage();
    QCOMPARE(onScreen.convertToFormat(QImage::Format_RGB32), painted.convertToFormat(QImage::Format_RGB32));

    // Shown again while open, it holds no more.
    bool heldAgain = false;
    m_clock.setWaitListener([&](int, bool) { heldAgain = true; });
    m_state.startProgress(1, 1, false);
    QVERIFY(!heldAgain);
}

void TestProgressWindow::emptyRunClosesAtNextTick()
{
    const auto window = makeWindow();
    m_state.startProgress(0, 0, true);
    QVERIFY(window->isVisible());
    QCOMPARE(window->Label3->text(), QStringLiteral("0"));
    QCOMPARE(window->Label4->text(), QStringLiteral("0 minutes"));
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(window->ProgressBar1->value(), 100);
}

void TestProgressWindow::windowStaysWhileCountingAndAfterAnError()
{
    const auto window = makeWindow();
    m_state.startProgress(3, 0, true);
    m_state.progressCurrent = 2;
    m_state.updateProgress();
    // A sender stopped by an error never finishes: the window stays, tick after tick.
    QTest::qWait(50);
    QVERIFY(window->isVisible());
    QCOMPARE(window->ProgressBar1->value(), 67);

    // A later send that finishes lets it close.
    m_state.startProgress(1, 1, false);
    QCOMPARE(window->Label3->text(), QStringLiteral("3"));
    m_state.finishProgress();
    QTRY_VERIFY(!window->isVisible());
    QCOMPARE(window->ProgressBar1->value(), 100);
}

void TestProgressWindow::showingVisibleWindowKeepsItsLabels()
{
    const auto window = makeWindow();
    m_state.startProgress(250, 0, true);
    m_state.progressCurrent = 100;
    m_state.updateProgress();
    m_state.startProgress(1, 1, false);
    QCOMPARE(window->Label3->text(), QStringLiteral("250"));
    QCOMPARE(window->Label4->text(), QStringLiteral("25 minutes"));
    QCOMPARE(window->Label7->text(), QStringLiteral("100"));
    QCOMPARE(window->ProgressBar1->value(), 40);

    // Closed by the user with its title bar, the next start shows it afresh.
    window->close();
    QVERIFY(!window->isVisible());
    m_state.startProgress(1, 1, false);
    QVERIFY(window->isVisible());
    QCOMPARE(window->Label3->text(), QStringLiteral("1"));
    QCOMPARE(window->Label4->text(), QStringLiteral("0.1 minutes"));
    QCOMPARE(window->Label7->text(), QStringLiteral("1"));
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
