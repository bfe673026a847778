#include "broadcast/IndividualSms.h"
#include "support/SendBench.h"

#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

class RecordingDisplay : public ProgressDisplay {
public:
    explicit RecordingDisplay(RunState &state)
        : m_state(state)
    {
    }
    int showProgress(bool) override
    {
        shown << QStringLiteral("%1/%2").arg(m_state.progressCurrent).arg(m_state.progressTotal);
        return 0;
    }
    void holdEnded() override { }
    void updateProgress() override { }
    void showPause(int) override { }
    void endPause() override { }
    QStringList shown;

private:
    RunState &m_state;
};

struct Bench : SendBench {
    Bench()
        : SendBench(QDateTime(QDate(2026, 12, 8), QTime(11, 45)))
        , display(runState)
        , sms(engine, dm)
    {
        runState.setDisplay(&display);
    }

    void addProfiles()
    {
        ws.exec(QStringLiteral("insert into profile(name, nickname, mobile_number, group_name) values "
                               "('Ali bin Abu', 'Ali', '60123456789', 'STAFF'), ('Siti', 'Ti', '60198765432', 'VIP')"));
        dm.q_profile.refresh();
    }

    QList<QStringList> details() const
    {
        return ws.rows(
            QStringLiteral("select project_name, date_send, mobile_number, name, nickname, group_name, msg_send, "
                           "status, festive from project_detail order by id"));
    }
    QList<QStringList> log() const
    {
        return ws.rows(QStringLiteral(
            "select project_name, mobile_number, name, msg_send, status from transaction_log order by id"));
    }

    RecordingDisplay display;
    IndividualSms sms;
};

} // namespace

class TestIndividualSms : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shortMessageGoesOutAsOneSms();
    void longMessageGoesOutPartByPart();
    void emptyMessageSendsEmptySms();
    void emptyProfileListStillWritesTheSms();
    void longContactFieldsAreRecordedCut();
    void closedPortStopsBeforeAnythingIsRecorded();
    void errorAnswerMarksThePartJustSent_data();
    void errorAnswerMarksThePartJustSent();
    void secondSendIsRefusedWhileOneRuns();
    void errorAnswerAfterAOnePartSendMarksItsRow();
};

void TestIndividualSms::shortMessageGoesOutAsOneSms()
{
    Bench bench;
    bench.addProfiles();
    // The token row defines "<name>": a personalising sender would replace it.
    bench.ws.exec(
        QStringLiteral("insert into text_replacement(name, nickname, geeting) values ('<name>', '<nick>', '<greet>')"));
    bench.dm.q_text_replacement.refresh();
    bench.dm.q_profile.next(); // the profile selected in the list
    bench.sms.send(QStringLiteral("Hello <name>"));
    QVERIFY(bench.waitForRunEnd());

    QVERIFY(bench.modem->waitForPdus(1));
    const SubmitPdu pdu = bench.modem->pdus().first().message;
    QCOMPARE(pdu.destination, QStringLiteral("60198765432"));
    QCOMPARE(pdu.centreNumber, QStringLiteral("60120000000"));
    QCOMPARE(pdu.text, QStringLiteral("Hello <name> ")); // as typed, not personalised
    QCOMPARE(bench.details(),
             (QList<QStringList>{{u"INDIVIDUAL"_s, u"2026-12-08 11:45:00"_s, u"60198765432"_s, u"Siti"_s, u"Ti"_s,
                                  u"VIP"_s, u"Hello <name> "_s, u"SEND"_s, u"<null>"_s}}));
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"INDIVIDUAL"_s, u"60198765432"_s, u"Siti"_s, u"Hello <name> "_s, u"SEND"_s}}));
    QCOMPARE(bench.display.shown, QStringList{QStringLiteral("1/1")});
    QCOMPARE(bench.runState.progressCurrent, 0);
    QCOMPARE(*bench.lane.currentRow(), 1);
    QVERIFY(!bench.runState.isSending());
}

void TestIndividualSms::longMessageGoesOutPartByPart()
{
    Bench bench;
    bench.addProfiles();
    const QString text = twoPartText();
    bench.sms.send(text);
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(2));
    const QStringList texts = bench.modem->texts();
    QCOMPARE(texts.size(), 2);
    QVERIFY(texts.at(0).size() <= 160);
    QCOMPARE(texts.join(QString()), text + QLatin1Char(' '));
    const QList<QStringList> details = bench.details();
    QCOMPARE(details.size(), 2);
    QCOMPARE(details.at(0).at(6), texts.at(0));
    QCOMPARE(details.at(1).at(6), texts.at(1));
    const QList<QStringList> log = bench.log();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log.at(1).at(3), texts.at(1));
    QCOMPARE(*bench.lane.currentRow(), 2);

    // A message of more than two SMS goes out whole, never as an empty or refused part.
    bench.sms.send(text + QLatin1Char(' ') + text);
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(6));
    QCOMPARE(bench.modem->texts().mid(2).join(QString()), text + QLatin1Char(' ') + text + QLatin1Char(' '));
    QVERIFY(bench.dialogs.shown().isEmpty());
}

void TestIndividualSms::emptyMessageSendsEmptySms()
{
    Bench bench;
    bench.addProfiles();
    bench.sms.send(QString());
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(1));
    QCOMPARE(bench.modem->pdus().first().hex.right(2), QStringLiteral("00")); // user data length 0
    QCOMPARE(bench.details().size(), 1);
    QCOMPARE(bench.details().first().at(6), QString());
}

void TestIndividualSms::emptyProfileListStillWritesTheSms()
{
    Bench bench;
    bench.dm.q_profile.open();
    bench.sms.send(QStringLiteral("hi"));
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(1));
    QCOMPARE(bench.details(),
             (QList<QStringList>{{u"INDIVIDUAL"_s, u"2026-12-08 11:45:00"_s, u""_s, u""_s, u""_s, u""_s, u"hi "_s,
                                  u"SEND"_s, u"<null>"_s}}));
}

void TestIndividualSms::longContactFieldsAreRecordedCut()
{
    Bench bench;
    // A profile's nickname may be longer than the records keep; the SMS still gets its rows.
    bench.ws.exec(QStringLiteral("insert into profile(name, nickname, mobile_number) values ('Ali', '%1', '6012')")
                      .arg(QString(200, QLatin1Char('n'))));
    bench.dm.q_profile.refresh();
    bench.sms.send(QStringLiteral("hi"));
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.ws.value(QStringLiteral("select length(nickname) from project_detail")), QStringLiteral("150"));
    QCOMPARE(bench.ws.value(QStringLiteral("select length(nickname) from transaction_log")), QStringLiteral("150"));
    QVERIFY(bench.dialogs.shown().isEmpty());
}

void TestIndividualSms::closedPortStopsBeforeAnythingIsRecorded()
{
    Bench bench;
    bench.addProfiles();
    bench.link.close();
    bench.sms.send(QStringLiteral("hi"));
    QVERIFY(bench.waitForRunEnd());
    QCOMPARE(bench.dialogs.errors().size(), 1);
    QVERIFY(bench.dialogs.errors().first().startsWith(QStringLiteral("WriteFile function failed (win error code: ")));
    QVERIFY(bench.details().isEmpty());
    QVERIFY(bench.log().isEmpty());
    QCOMPARE(bench.runState.progressCurrent, 1); // the progress window stays open
    QVERIFY(!bench.runState.isSending());
}

void TestIndividualSms::errorAnswerMarksThePartJustSent_data()
{
    QTest::addColumn<int>("failingPdu");
    QTest::newRow("first part") << 1;
    QTest::newRow("second part") << 2;
}

void TestIndividualSms::errorAnswerMarksThePartJustSent()
{
    QFETCH(int, failingPdu);
    Bench bench;
    bench.addProfiles();
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", failingPdu);
    // The failing part's answer is taken during its own last wait (one a part that
    // examines answers), however long the modem takes to give it.
    int examiningWaits = 0;
    bench.clock.setWaitListener([&](int, bool examinesAnswers) {
        if (examinesAnswers && ++examiningWaits == failingPdu)
            QVERIFY(QTest::qWaitFor([&] { return bench.log().size() == failingPdu; }));
    });
    bench.sms.send(twoPartText());
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitUntilRead());
    const QList<QStringList> details = bench.details();
    QCOMPARE(details.size(), 2);
    QCOMPARE(details.at(failingPdu - 1).at(7), QStringLiteral("FAIL"));
    QCOMPARE(details.at(2 - failingPdu).at(7), QStringLiteral("SEND"));
    const QList<QStringList> log = bench.log();
    QCOMPARE(log.size(), 3);
    QCOMPARE(
        log.count({u"INDIVIDUAL"_s, u"60123456789"_s, u"Ali bin Abu"_s, details.at(failingPdu - 1).at(6), u"FAIL"_s}),
        1);
}

void TestIndividualSms::secondSendIsRefusedWhileOneRuns()
{
    Bench bench;
    bench.addProfiles();
    // A click while the first runs.
    bench.sms.send(twoPartText());
    QTimer::singleShot(0, [&] { bench.sms.send(QStringLiteral("interleaved")); });
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitUntilRead());
    QCOMPARE(bench.ended.size(), 1);
    QCOMPARE(bench.dialogs.warnings(),
             QStringList{QStringLiteral("A broadcast is already running. Please wait until it has finished.")});
    QCOMPARE(bench.modem->pdus().size(), 2);
    QVERIFY(!bench.modem->texts().join(QString()).contains(QStringLiteral("interleaved")));
    QCOMPARE(bench.details().size(), 2);

    // Once the first has finished, sending works again.
    bench.sms.send(QStringLiteral("next"));
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(bench.modem->waitForPdus(3));
}

void TestIndividualSms::errorAnswerAfterAOnePartSendMarksItsRow()
{
    Bench bench;
    bench.addProfiles();
    bench.sms.send(QStringLiteral("earlier"));
    QVERIFY(bench.waitForRunEnd());
    bench.modem->answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", 2);
    // All waits of a one-part message hold the modem's answers: the answer is taken
    // once the part has its records, and marks the new row, current by then.
    bench.sms.send(QStringLiteral("hi"));
    QVERIFY(bench.waitForRunEnd());
    QVERIFY(!bench.runState.isSending());
    QTRY_COMPARE(bench.details().at(1).at(7), QStringLiteral("FAIL"));
    QCOMPARE(bench.details().at(0).at(7), QStringLiteral("SEND"));
    QCOMPARE(bench.log(),
             (QList<QStringList>{{u"INDIVIDUAL"_s, u"60123456789"_s, u"Ali bin Abu"_s, u"earlier "_s, u"SEND"_s},
                                 {u"INDIVIDUAL"_s, u"60123456789"_s, u"Ali bin Abu"_s, u"hi "_s, u"SEND"_s},
                                 {u"INDIVIDUAL"_s, u"60123456789"_s, u"Ali bin Abu"_s, u"hi "_s, u"FAIL"_s}}));
}

QTEST_GUILESS_MAIN(TestIndividualSms)
#include "tst_individualsms.moc"
