#include "app/MainWindow.h"
#include "app/TrayIcon.h"
#include "base/Clock.h"
#include "contacts/ProfileTab.h"
#include "prefs/PreferenceTab.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

class TestTray : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void iconAndMenu();
    void restoreRerunsShowing_data();
    void restoreRerunsShowing();
    void closingHidesAndProgramRunsOn();
    void closingWithoutNotificationAreaAsks_data();
    void closingWithoutNotificationAreaAsks();
    void exitEndsProgram_data();
    void exitEndsProgram();

private:
    // Waits for the start-up timer to show the window, as the program does.
    static void waitForStartUp(MainWindow &window);
    // Runs the program's event loop until it ends, or 30 seconds have passed (then 1).
    static int runEventLoop();

    Clock m_clock;
};

void TestTray::init()
{
    m_clock.setScale(0.001);
    m_clock.setFixedNow(QDateTime(QDate(2026, 12, 8), QTime(10, 15)));
}

void TestTray::waitForStartUp(MainWindow &window)
{
    QTRY_VERIFY(window.isVisible());
    QVERIFY(!window.Timer2.isActive());
}

int TestTray::runEventLoop()
{
    QTimer::singleShot(30000, qApp, [] { QCoreApplication::exit(1); });
    return QApplication::exec();
}

void TestTray::iconAndMenu()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    auto *tray = window.findChild<TrayIcon *>(QStringLiteral("CiaTray1"));
    QVERIFY(tray);
    QCOMPARE(tray, window.CiaTray1);
    QVERIFY(tray->isVisible());
    QVERIFY(!tray->icon().isNull());
    QCOMPARE(tray->toolTip(), QStringLiteral("Brivora is running...."));

    QMenu *menu = tray->contextMenu();
    QCOMPARE(menu->objectName(), QStringLiteral("PopupMenu1"));
    const QList<QAction *> items = menu->actions();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items[0]->objectName(), QStringLiteral("Restrore1"));
    QCOMPARE(items[0]->text(), QStringLiteral("Restore Aplication"));
    QCOMPARE(items[1]->objectName(), QStringLiteral("Exit1"));
    QCOMPARE(items[1]->text(), QStringLiteral("Exit"));
    QVERIFY(!menu->defaultAction());
}

void TestTray::restoreRerunsShowing_data()
{
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("Restore Aplication") << true;
    QTest::newRow("double click") << false;
}

void TestTray::restoreRerunsShowing()
{
    QFETCH(bool, byMenu);
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into smsc values ('+60123456789')"));
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    TrayIcon &tray = *window.CiaTray1;
    tray.setTrayAvailable([] { return true; });
    const auto restore = [&] {
        if (byMenu)
            tray.Restrore1->trigger();
        else
            Q_EMIT tray.activated(QSystemTrayIcon::DoubleClick);
    };
    waitForStartUp(window);
    QLineEdit &centre = *window.preferenceTab->suiEdit1;
    QCOMPARE(centre.text(), QStringLiteral("+60123456789"));

    // While the window is shown, restoring changes nothing: unsaved typing stays.
    window.PageControl1->setCurrentWidget(window.preferenceTab);
    centre.setText(QStringLiteral("typed, not saved"));
    restore();
    QCOMPARE(centre.text(), QStringLiteral("typed, not saved"));
    QCOMPARE(window.PageControl1->currentWidget(), window.preferenceTab);

    window.close();
    QVERIFY(!window.isVisible());
    // A single click on the icon does nothing.
    Q_EMIT tray.activated(QSystemTrayIcon::Trigger);
    QVERIFY(!window.isVisible());

    ws.exec(QStringLiteral("update smsc set center_number = '+60198765432'"));
    restore();
    QVERIFY(window.isVisible());
    QCOMPARE(window.PageControl1->currentWidget(), window.profileTab);
    QCOMPARE(centre.text(), QStringLiteral("+60198765432"));
    QVERIFY(dialogs.shown().isEmpty());
}

void TestTray::closingHidesAndProgramRunsOn()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    window.CiaTray1->setTrayAvailable([] { return true; });
    waitForStartUp(window);

    QTimer::singleShot(0, &window, &QWidget::close);
    QTimer::singleShot(100, qApp, [] { QCoreApplication::exit(7); });
    QCOMPARE(QApplication::exec(), 7);
    QVERIFY(!window.isVisible());
    QVERIFY(!window.isMinimized());
    QVERIFY(window.Timer1.isActive()); // the automatic greetings still get their minute
    QVERIFY(dialogs.shown().isEmpty());
}

void TestTray::closingWithoutNotificationAreaAsks_data()
{
    QTest::addColumn<bool>("exit");
    QTest::addColumn<bool>("sending");
    QTest::newRow("Yes: the program ends") << true << false;
    QTest::newRow("Yes during a send: stopped first") << true << true;
    QTest::newRow("No: minimised, running on") << false << false;
}

void TestTray::closingWithoutNotificationAreaAsks()
{
    QFETCH(bool, exit);
    QFETCH(bool, sending);
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    window.CiaTray1->setTrayAvailable([] { return false; });
    waitForStartUp(window);
    std::optional<RunState::SendLock> send = sending ? window.runState().tryBeginSend() : std::nullopt;
    dialogs.answer(exit ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    dialogs.answer(Dialogs::Answer::Yes); // "Stop it and exit?"
    // A send asked to stop ends at its next part boundary.
    QTimer partBoundary;
    connect(&partBoundary, &QTimer::timeout, this, [&] {
        if (window.runState().stopRequested())
            send.reset();
    });
    partBoundary.start(1);

    QVERIFY(!window.close()); // refused either way: what the answer asks for follows
    if (exit) {
        QCOMPARE(runEventLoop(), 0);
        QVERIFY(!send);
        QVERIFY(!window.isVisible());
    } else {
        QVERIFY(window.isMinimized());
        window.CiaTray1->Restrore1Click();
        QVERIFY(!window.isMinimized());
        QVERIFY(window.isVisible());
    }
    QStringList asked{
        u"Exit Brivora? Choose No to keep it running minimised, so that the automatic greetings still go out."_s};
    if (sending)
        asked << QString::fromLatin1(MainWindow::StopAndExitText);
    QCOMPARE(dialogs.texts(u"confirm"_s), asked);
}

void TestTray::exitEndsProgram_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("trayAvailable");
    QTest::newRow("shown") << true << true;
    QTest::newRow("hidden") << false << true;
    QTest::newRow("shown, no notification area") << true << false;
}

void TestTray::exitEndsProgram()
{
    QFETCH(bool, shown);
    QFETCH(bool, trayAvailable);
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    window.CiaTray1->setTrayAvailable([trayAvailable] { return trayAvailable; });
    waitForStartUp(window);
    if (!shown)
        window.hide();

    QTimer::singleShot(0, window.CiaTray1->Exit1, &QAction::trigger);
    QCOMPARE(runEventLoop(), 0);
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
