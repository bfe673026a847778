// The day's birthday and anniversary greetings (whole as typed when they fit one SMS,
// a longer one cut into the parts of one concatenated message), and the one-minute
// timer that starts them: who is greeted, with which template, the rows each SMS leaves, where the progress
// moves, and when the timer runs a greeting (late ticks, a send already running, once a
// minute).
#include "broadcast/GreetingBroadcast.h"
#include "broadcast/GreetingTimer.h"
#include "support/SendBench.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Counts the project_detail rows as each progress update comes.
class RowsAtProgress : public ProgressDisplay {
public:
    explicit RowsAtProgress(const TestWorkspace &ws)
        : m_ws(ws)
    {
    }
    int showProgress(bool) override { return 0; }
    void holdEnded() override { }
    void updateProgress() override { rows << m_ws.value(u"select count(*) from project_detail"_s).toInt(); }
    void showPause(int) override { }
    void endPause() override { }
    QList<int> rows;

private:
    const TestWorkspace &m_ws;
};

struct Bench : SendBench {
    Bench()
        : SendBench(QDateTime(QDate(2026, 12, 9), QTime(8, 30)))
        , display(ws)
        , greetings(engine, dm)
    {
        setTemplates(u"Happy birthday <nick>"_s, u"Selamat hari jadi <greeting> <name>"_s);
        runState.setDisplay(&display);
        ws.exec(u"insert into text_replacement(geeting, nickname, name) values ('<greeting>', '<nick>', '<name>')"_s);
        ws.exec(u"insert into profile(name, nickname, mobile_number, birthday, maritial_status, aniversary, languages, "
                "greeting) values "
                "('Ali', 'Li', '6011', '09/12/1980', 'MARRIED', '09/12/2005', 'MALAY', 'Tuan'), "
                "('Siti', 'Ti', '6022', '9/12/1980', 'MARRIED', '09/12/2010', 'ENGLISH', 'Puan'), "
                "('Abu', 'Bu', '6033', '09/12/1999', 'SINGLE', '09/12/2001', 'english', 'Encik'), "
                "('Leap', 'Le', '6044', '29/02/1980', 'MARRIED', '09/11/2000', 'ENGLISH', 'Mr')"_s);
    }

    QList<QStringList> details() const
    {
        return ws.rows(u"select project_name, mobile_number, name, msg_send, status, date_send from project_detail"_s);
    }

    // The templates of both greetings, as the Preference tab holds them.
    void setTemplates(const QString &english, const QString &malay)
    {
        setMalay(malay);
        settings.set(Settings::Field::BirthdayFirst, english);
        settings.set(Settings::Field::AnniversaryFirst, english);
    }
    void setMalay(const QString &malay)
    {
        settings.set(Settings::Field::BirthdaySecond, malay);
        settings.set(Settings::Field::AnniversarySecond, malay);
    }

    RowsAtProgress display;
    GreetingBroadcast greetings;
};

const QString Now = u"2026-12-09 08:30:00"_s;

// A fixed time of day on the test day.
QDateTime at(int hour, int minute, int second = 0, int dayOffset = 0)
{
    return QDateTime(QDate(2026, 12, 9).addDays(dayOffset), QTime(hour, minute, second));
}

Clock fixedAt(const QDateTime &moment)
{
    Clock clock;
    clock.setFixedNow(moment);
    return clock;
}

struct TimerBench {
    // The timer takes the moment it starts from the clock.
    explicit TimerBench(const QDateTime &start)
        : clock(fixedAt(start))
    {
        birthday(true, QTime(8, 30));
        anniversary(false, QTime(8, 30));
    }
    // "Auto Broadcast at" of each greeting, ticked or not, and its time.
    void birthday(bool ticked, QTime at = QTime(8, 30))
    {
        settings.set(Settings::Field::BirthdayAuto, ticked);
        settings.set(Settings::Field::BirthdayTime, QDateTime(QDate(2000, 1, 1), at));
    }
    void anniversary(bool ticked, QTime at = QTime(8, 30))
    {
        settings.set(Settings::Field::AnniversaryAuto, ticked);
        settings.set(Settings::Field::AnniversaryTime, QDateTime(QDate(2000, 1, 1), at));
    }
    void tickAt(const QDateTime &moment)
    {
        clock.setFixedNow(moment);
        timer.Timer1Timer();
    }

    Clock clock;
    RunState runState;
    DataModule dm; // never opened: the settings are only read
    Settings settings{dm};
    QStringList runs;
    // What a greeting does to the clock while it runs.
    int greetingSeconds = 0;
    GreetingTimer timer{runState, clock, settings,
                        [this](Greeting greeting) {
                            runs << GreetingBroadcast::projectName(greeting) + clock.now().toString(u" hh:mm:ss"_s);
                            clock.setFixedNow(clock.now().addSecs(greetingSeconds));
                        }};
};

} // namespace

class TestGreetings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void birthdayGreetsTodaysContactsInTheirLanguage();
    void anniversaryGreetsMarriedContactsOnlyAndCountsBeforeTheRow();
    void templatesAreReadAsEachContactIsGreeted();
    void longAndUnicodeGreetingsGoOut();
    void aGreetingClickDuringAGreetingTouchesNeitherList();
    void timerRunsEachGreetingOnceInItsMinute();
    void lateTickStillFindsTheMinuteItMissed();
    void bothGreetingsInOneMinuteRunOneAfterTheOther();
    void greetingDueDuringASendRunsWhenItEnds();
};

void TestGreetings::birthdayGreetsTodaysContactsInTheirLanguage()
{
    Bench bench;
    bench.greetings.start(Greeting::Birthday, bench.dialogs);
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(2));
    // "9/12/1980" is not a dd/MM/ date; the year does not count.
    QCOMPARE(bench.modem->texts(), (QStringList{u"Selamat hari jadi Tuan Ali"_s, u"Happy birthday Bu"_s}));
    QCOMPARE(bench.details(),
             (QList<QStringList>{{u"BIRTHDAY"_s, u"6011"_s, u"Ali"_s, u"Selamat hari jadi Tuan Ali"_s, u"SEND"_s, Now},
                                 {u"BIRTHDAY"_s, u"6033"_s, u"Abu"_s, u"Happy birthday Bu"_s, u"SEND"_s, Now}}));
    QCOMPARE(bench.ws.rows(u"select project_name, mobile_number, msg_send, status from transaction_log"_s),
             (QList<QStringList>{{u"BIRTHDAY"_s, u"6011"_s, u"Selamat hari jadi Tuan Ali"_s, u"SEND"_s},
                                 {u"BIRTHDAY"_s, u"6033"_s, u"Happy birthday Bu"_s, u"SEND"_s}}));
    QCOMPARE(bench.display.rows, (QList<int>{1, 2})); // after each row and its log row
    QCOMPARE(bench.runState.progressCurrent, 0); // the window closes itself
    QCOMPARE(bench.ws.value(u"select count(*) from project"_s), u"0"_s);

    bench.ws.exec(u"update profile set birthday = '29/02/1980' where name = 'Ali'"_s);
    bench.clock.setFixedNow(QDateTime(QDate(2028, 2, 29), QTime(9, 0)));
    bench.greetings.start(Greeting::Birthday, bench.dialogs);
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(4));
    QCOMPARE(bench.modem->texts().mid(2), (QStringList{u"Selamat hari jadi Tuan Ali"_s, u"Happy birthday Le"_s}));

    // The birthday a profile saved with the untouched picker has; a second start on the
    // same day greets again.
    bench.ws.exec(u"update profile set birthday = '01/10/1974' where name = 'Abu'"_s);
    bench.clock.setFixedNow(QDateTime(QDate(2027, 10, 1), QTime(9, 0)));
    bench.greetings.start(Greeting::Birthday, bench.dialogs);
    QVERIFY(bench.waitForRunEnd());
    bench.greetings.start(Greeting::Birthday, bench.dialogs);
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(6));
    QCOMPARE(bench.modem->texts().mid(4), QStringList(2, u"Happy birthday Bu"_s));
}

void TestGreetings::anniversaryGreetsMarriedContactsOnlyAndCountsBeforeTheRow()
{
    Bench bench;
    bench.setTemplates(u"Happy anniversary <nick>"_s, u"Selamat ulang tahun <name>"_s);
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", 1);
    // Taken during the first greeting's last wait, however long the modem takes.
    bench.holdWaitUntilFailLogged(3);
    bench.greetings.start(Greeting::Anniversary, bench.dialogs);
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(2));
    QCOMPARE(bench.modem->texts(), (QStringList{u"Selamat ulang tahun Ali"_s, u"Happy anniversary Ti"_s}));
    QCOMPARE(bench.ws.rows(u"select project_name, name, status from project_detail"_s),
             (QList<QStringList>{{u"ANNIVERSARY"_s, u"Ali"_s, u"FAIL"_s}, {u"ANNIVERSARY"_s, u"Siti"_s, u"SEND"_s}}));
    QCOMPARE(bench.ws.rows(u"select name, status from transaction_log"_s),
             (QList<QStringList>{{u"Ali"_s, u"FAIL"_s}, {u"Ali"_s, u"SEND"_s}, {u"Siti"_s, u"SEND"_s}}));
    QCOMPARE(bench.display.rows, (QList<int>{0, 1})); // before each row is written
}

void TestGreetings::templatesAreReadAsEachContactIsGreeted()
{
    Bench bench;
    bench.clock.setWaitListener([&](int milliseconds, bool) {
        if (milliseconds == 3000) // the first greeting's last wait
            bench.setTemplates(u"Changed for <nick>"_s, u"Diubah"_s);
    });
    bench.greetings.start(Greeting::Birthday, bench.dialogs);
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(2));
    QCOMPARE(bench.modem->texts(), (QStringList{u"Selamat hari jadi Tuan Ali"_s, u"Changed for Bu"_s}));
}

void TestGreetings::longAndUnicodeGreetingsGoOut()
{
    Bench bench;
    bench.setMalay(twoPartText());
    bench.greetings.start(Greeting::Birthday, bench.dialogs);
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(3));
    QCOMPARE(bench.modem->shownTexts().first(), twoPartText() + u' ');
    QCOMPARE(bench.ws.value(u"select count(*) from project_detail where name = 'Ali' and status = 'SEND'"_s), u"2"_s);
    QCOMPARE(bench.ws.value(u"select count(*) from transaction_log"_s), u"3"_s);

    // A greeting of 160 characters with blanks in it fits one SMS: it goes whole, as
    // typed, without the blank a cut adds.
    const QString full = QString(u"Selamat hari jadi "_s).repeated(8) + QString(16, u'!');
    QCOMPARE(full.size(), 160);
    bench.setMalay(full);
    bench.greetings.start(Greeting::Birthday, bench.dialogs);
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.modem->texts().mid(3), (QStringList{full, u"Happy birthday Bu"_s}));

    // A character the GSM alphabet lacks sends the greeting in UCS-2; nobody is left out.
    bench.setMalay(u"Selamat hari jadi <name> \u4E2D"_s);
    bench.greetings.start(Greeting::Birthday, bench.dialogs);
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.dialogs.errors().isEmpty());
    QCOMPARE(bench.modem->shownTexts().mid(4),
             (QStringList{u"Selamat hari jadi Ali \u4E2D"_s, u"Happy birthday Bu"_s}));
    QCOMPARE(bench.modem->pdus().at(5).message.alphabet, Alphabet::Ucs2);
    QCOMPARE(bench.ws.value(u"select count(*) from project_detail"_s), u"7"_s);
}

void TestGreetings::aGreetingClickDuringAGreetingTouchesNeitherList()
{
    Bench bench;
    bench.greetings.start(Greeting::Birthday, bench.dialogs);
    const QString birthdays = bench.dm.q_prof_birthday.sql();
    const QString anniversaries = bench.dm.q_prof_anniversary.sql();
    // The anniversary greeting clicked while the birthday greeting goes out, and the
    // birthday greeting clicked again.
    bench.greetings.start(Greeting::Anniversary, bench.dialogs);
    bench.greetings.start(Greeting::Birthday, bench.dialogs);
    QCOMPARE(bench.dialogs.warnings(), QStringList(2, QString::fromLatin1(RunState::BusyText)));
    QCOMPARE(bench.dm.q_prof_anniversary.sql(), anniversaries);
    QCOMPARE(bench.dm.q_prof_birthday.sql(), birthdays);
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.modem->shownTexts(), (QStringList{u"Selamat hari jadi Tuan Ali"_s, u"Happy birthday Bu"_s}));
}

void TestGreetings::timerRunsEachGreetingOnceInItsMinute()
{
    TimerBench bench(at(8, 29, 0));
    bench.tickAt(at(8, 30, 0)); // the minute has come
    bench.tickAt(at(8, 30, 59)); // still the same minute: not again
    bench.tickAt(at(8, 31, 0));
    QCOMPARE(bench.runs, QStringList{u"BIRTHDAY 08:30:00"_s});
    TimerBench lastSecond(at(8, 29, 59));
    lastSecond.tickAt(at(8, 30, 59));
    QCOMPARE(lastSecond.runs, QStringList{u"BIRTHDAY 08:30:59"_s});

    // The next day, at the same minute, it runs again; unticked, it does not.
    bench.tickAt(at(8, 30, 30, 1));
    bench.birthday(false);
    bench.tickAt(at(8, 30, 30, 2));
    QCOMPARE(bench.runs, (QStringList{u"BIRTHDAY 08:30:00"_s, u"BIRTHDAY 08:30:30"_s}));

    // Twelve hours apart: ten past midnight never matches ten past noon.
    TimerBench midnight(at(12, 9, 30));
    midnight.birthday(true, QTime(0, 10));
    midnight.tickAt(at(12, 10, 30));
    QVERIFY(midnight.runs.isEmpty());
    midnight.tickAt(at(0, 10, 20, 1));
    QCOMPARE(midnight.runs, QStringList{u"BIRTHDAY 00:10:20"_s});
}

void TestGreetings::lateTickStillFindsTheMinuteItMissed()
{
    TimerBench bench(at(8, 29, 58));
    bench.tickAt(at(8, 31, 3)); // held up past 08:30 by a busy machine
    bench.tickAt(at(8, 32, 3));
    QCOMPARE(bench.runs, QStringList{u"BIRTHDAY 08:31:03"_s});

    // Across midnight too.
    TimerBench late(at(23, 59, 40));
    late.birthday(true, QTime(0, 0));
    late.tickAt(at(0, 1, 5, 1));
    QCOMPARE(late.runs, QStringList{u"BIRTHDAY 00:01:05"_s});
}

void TestGreetings::bothGreetingsInOneMinuteRunOneAfterTheOther()
{
    TimerBench bench(at(8, 29, 30));
    bench.anniversary(true);
    bench.greetingSeconds = 150; // the birthday greeting outlasts the minute
    bench.tickAt(at(8, 30, 10));
    QCOMPARE(bench.runs, (QStringList{u"BIRTHDAY 08:30:10"_s, u"ANNIVERSARY 08:32:40"_s}));
    // The ticks of the minutes the greetings took find nothing left to do.
    bench.tickAt(at(8, 33, 10));
    QCOMPARE(bench.runs.size(), 2);
}

void TestGreetings::greetingDueDuringASendRunsWhenItEnds()
{
    TimerBench bench(at(8, 29, 30));
    {
        auto send = bench.runState.tryBeginSend(); // an announcement is going out
        bench.tickAt(at(8, 30, 10));
        bench.tickAt(at(8, 31, 10));
        QVERIFY(bench.runs.isEmpty());
    }
    // Once the send has unwound.
    QVERIFY(bench.runs.isEmpty());
    QTRY_COMPARE(bench.runs, QStringList{u"BIRTHDAY 08:31:10"_s});
    bench.tickAt(at(8, 32, 10));
    QCOMPARE(bench.runs.size(), 1);
}

QTEST_MAIN(TestGreetings)
#include "tst_greetings.moc"
