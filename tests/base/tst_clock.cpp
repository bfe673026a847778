#include "base/Clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <ctime>

class TestClock : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void elapsedTicksSurviveTheCounterWrap();
    void pumpingWaitHandlesEventsAndBlockingWaitDoesNot();
    void waitsAreScaledAndTold();
    void pumpingWaitAfterQuitSleepsInsteadOfSpinning();
};

void TestClock::elapsedTicksSurviveTheCounterWrap()
{
    QCOMPARE(Clock::ticksBetween(100, 350), 250u);
    QCOMPARE(Clock::ticksBetween(0xFFFFFF00u, 0x00000010u), 0x110u);
}

void TestClock::pumpingWaitHandlesEventsAndBlockingWaitDoesNot()
{
    Clock clock;
    int ticks = 0;
    QTimer::singleShot(0, this, [&] { ++ticks; });
    clock.sleep(20);
    QCOMPARE(ticks, 0);
    clock.Delay(20);
    QCOMPARE(ticks, 1);
}

void TestClock::waitsAreScaledAndTold()
{
    Clock clock;
    clock.setScale(0.001);
    QCOMPARE(clock.scaled(60000), 60);
    QStringList told;
    clock.setWaitListener([&](int milliseconds, bool pumping) {
        told << QStringLiteral("%1%2").arg(milliseconds).arg(pumping ? 'P' : 'B');
    });
    clock.sleep(800);
    clock.Delay(5000);
    QCOMPARE(told, (QStringList{QStringLiteral("800B"), QStringLiteral("5000P")}));

    const QDateTime fixed(QDate(2026, 12, 9), QTime(8, 30, 59));
    clock.setFixedNow(fixed);
    QCOMPARE(clock.now(), fixed);
}

void TestClock::pumpingWaitAfterQuitSleepsInsteadOfSpinning()
{
    // Once the application has been asked to quit, no event loop runs: a wait that
    // kept trying one would burn a whole core for its length.
    Clock clock;
    std::clock_t used = 0;
    qint64 waited = 0;
    QTimer::singleShot(0, QCoreApplication::instance(), [&] {
        QCoreApplication::quit();
        const std::clock_t start = std::clock();
        QElapsedTimer timer;
        timer.start();
        clock.Delay(1000);
        waited = timer.elapsed();
        used = std::clock() - start;
    });
    QCoreApplication::exec();
    QVERIFY2(waited >= 990, qPrintable(QString::number(waited)));
    // Processor time is only ever less under load, never more.
    QVERIFY2(used * 1000 / CLOCKS_PER_SEC < 250, qPrintable(QString::number(used * 1000 / CLOCKS_PER_SEC)));
}

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
