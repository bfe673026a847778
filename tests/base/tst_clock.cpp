#include "base/Clock.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

class TestClock : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void waitsAreScaledTimersAndTold();
    void fixedNowStandsStill();
};

void TestClock::waitsAreScaledTimersAndTold()
{
    Clock clock;
    clock.setScale(0.001);
    QCOMPARE(clock.scaled(60000), 60);
    QStringList told;
    clock.setWaitListener([&](int milliseconds, bool examinesAnswers) {
        told << QStringLiteral("%1%2").arg(milliseconds).arg(examinesAnswers ? 'E' : 'H');
    });
    QTimer first;
    QTimer second;
    clock.startWait(first, 800, false);
    clock.startWait(second, 5000);
    QCOMPARE(told, (QStringList{QStringLiteral("800H"), QStringLiteral("5000E")}));
    QVERIFY(first.isSingleShot());
    QCOMPARE(first.interval(), 1);
    QCOMPARE(second.interval(), 5);
    // A wait returns at once: the thread goes on with its events while the timer runs.
    QVERIFY(first.isActive());
    QTRY_VERIFY(!second.isActive());
}

void TestClock::fixedNowStandsStill()
{
    Clock clock;
    const QDateTime fixed(QDate(2026, 12, 9), QTime(8, 30, 59));
    clock.setFixedNow(fixed);
    QTest::qWait(5);
    QCOMPARE(clock.now(), fixed);
}

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
