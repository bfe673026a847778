// The first end-to-end send as the user makes it: the status light opens the modem's
// port, a profile is selected in the list, "Send Individual SMS" sends the typed text.
#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "app/TrayIcon.h"
#include "broadcast/ModemLane.h"
#include "base/Clock.h"
#include "contacts/ImportWindow.h"
#include "contacts/ProfileTab.h"
#include "modem/ComLed.h"
#include "prefs/PreferenceTab.h"
#include "support/RunEnds.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModem.h"
#include "support/TestWorkspace.h"
#include "support/WindowClock.h"
#include "widgets/DatasetNavigator.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;

class TestIndividualSend : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void statusLightOpensPortAndButtonSendsToSelectedProfile();
    void statusLightWaitsWhileASendRuns();
    void statusLightOpensEveryModemOfTheList();
    void sendingBeforeThePortIsOpenShowsTheWriteError();
    void portWithNothingBehindItIsNoticed();
    void profilesCannotBeDeletedOrReplacedUnderARun();
    void exitDropsAGreetingWaitingForTheSend();
    void clickInTheListDuringATwoPartSendChangesNothingOfIt();
    void exitDuringASend_data();
    void exitDuringASend();
};

namespace {

// A window on two profiles with its port open on the test modem, the first profile selected.
struct Office {
    Office()
    {
        ws.exec(QStringLiteral("insert into profile(name, mobile_number) values ('Ali', '60123456789'), "
                               "('Siti', '60198765432')"));
        clock.setScale(0.01);
        clock.setTimeoutScale(1);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setPortSetupPrompt([this](const SerialSettings &) { return std::optional(modem.settings()); });
        window.ComLed1Click();
        QVERIFY(window.ComLed1->isLit());
        // The modem answers the port's first "AT", then the questions after its health.
        QTRY_VERIFY(!window.engine().firstLane().session().isBusy());
        QVERIFY(modem.sentBytes().startsWith("OK\r\n+CPIN: READY\r\n"));
        QStringList words;
        for (int i = 0; i < 40; ++i)
            words << QStringLiteral("word%1").arg(i);
        window.findChild<QPlainTextEdit *>(QStringLiteral("RichEdit4"))->setPlainText(words.join(QLatin1Char(' ')));
    }

    // Runs step at the start of the n-th wait (from 1) of what follows that takes the
    // modem's error answers as they come; the progress window's hold is not counted.
    void atExaminingWait(int n, std::function<void()> step)
    {
        steps.insert(n, std::move(step));
        clock.setWaitListener([this](int milliseconds, bool examinesAnswers) {
            if (examinesAnswers && milliseconds != ProgressWindow::HoldMs && steps.contains(++examiningWaits))
                steps.value(examiningWaits)();
        });
    }
    QHash<int, std::function<void()>> steps;
    int examiningWaits = 0;

    QList<QStringList> details() const
    {
        return ws.rows(QStringLiteral("select mobile_number, name, status from project_detail order by id"));
    }

    TestWorkspace ws;
    ScriptedDialogs dialogs;
    Clock clock;
    TestModem modem;
    MainWindow window{dialogs, clock};
    RunEnds runs{window.runState()};
};

} // namespace

void TestIndividualSend::clickInTheListDuringATwoPartSendChangesNothingOfIt()
{
    Office office;
    MainWindow &window = office.window;
    office.modem.answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", 2);
    auto *grid = window.findChild<QTableView *>(QStringLiteral("DBGrid1"));
    // During the last wait of the first part the operator picks another profile.
    office.atExaminingWait(1, [&] {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, 0)).center());
    });
    // The second part's error answer is taken during its own last wait.
    office.atExaminingWait(2, [&] {
        QVERIFY(QTest::qWaitFor([&] { return office.details().value(1).value(2) == QStringLiteral("FAIL"); }));
    });
    window.suitempBitBtn4Click();
    QVERIFY(office.runs.wait());
    QCOMPARE(window.dm().q_profile.currentRow(), 1);
    QVERIFY(office.modem.waitForPdus(2));
    QCOMPARE(office.modem.pdus().at(1).message.destination, QStringLiteral("60123456789"));
    QCOMPARE(office.details(),
             (QList<QStringList>{{u"60123456789"_s, u"Ali"_s, u"SEND"_s}, {u"60123456789"_s, u"Ali"_s, u"FAIL"_s}}));
    QVERIFY(office.dialogs.shown().isEmpty());
}

void TestIndividualSend::exitDuringASend_data()
{
    QTest::addColumn<bool>("stop");
    QTest::newRow("Yes: stop and exit") << true;
    QTest::newRow("No: the send goes on") << false;
}

void TestIndividualSend::exitDuringASend()
{
    QFETCH(bool, stop);
    Office office;
    MainWindow &window = office.window;
    office.dialogs.answer(stop ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    office.atExaminingWait(1, [&] { window.CiaTray1->Exit1->trigger(); });
    window.suitempBitBtn4Click();
    if (!stop) {
        QVERIFY(office.runs.wait());
        QVERIFY(office.modem.waitForPdus(2));
        QCOMPARE(office.details().size(), 2);
        QVERIFY(window.ComPort1().isOpen());
        QVERIFY(window.isVisible());
    } else {
        // The message going out goes whole, never half of it, with its records; as it was
        // the last, the stop stopped nothing. Then the port closes and the program ends.
        QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(office.runs.reports.size(), 1);
        QCOMPARE(office.runs.reports.first().end, RunReport::End::Completed);
        QCOMPARE(office.details().size(), 2);
        QCOMPARE(office.ws.value(QStringLiteral("select count(*) from transaction_log")), QStringLiteral("2"));
        QVERIFY(!window.ComPort1().isOpen());
        QVERIFY(!window.isVisible());
        QCOMPARE(office.modem.pdus().size(), 2);
    }
    QCOMPARE(office.dialogs.texts(QStringLiteral("confirm")),
             QStringList{QStringLiteral("A broadcast is running. Stop it and exit?")});
    QVERIFY(office.dialogs.errors().isEmpty());
    QVERIFY(!window.runState().isSending());
}

void TestIndividualSend::statusLightOpensPortAndButtonSendsToSelectedProfile()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into profile(name, nickname, mobile_number, group_name) values "
                           "('Ali', 'Li', '60123456789', 'STAFF'), ('Siti', 'Ti', '60198765432', 'VIP')"));
    ws.exec(QStringLiteral("insert into smsc values ('+60120000000')"));
    ScriptedDialogs dialogs;
    Clock clock;
    clock.setScale(0.001);
    clock.setTimeoutScale(1);
    clock.setFixedNow(QDateTime(QDate(2026, 12, 8), QTime(16, 0)));
    TestModem modem;
    MainWindow window(dialogs, clock);
    RunEnds runs(window.runState());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    window.setPortSetupPrompt([&](const SerialSettings &) { return std::optional(modem.settings()); });
    QVERIFY(!window.ComLed1->isLit());
    QTest::mouseClick(window.ComLed1, Qt::LeftButton);
    QTRY_VERIFY(window.ComLed1->isLit());

    // The second profile, clicked in the list.
    auto *grid = window.findChild<QTableView *>(QStringLiteral("DBGrid1"));
    QVERIFY(grid);
    const QRect cell = grid->visualRect(grid->model()->index(1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(window.dm().q_profile.currentRow(), 1);

    auto *message = window.findChild<QPlainTextEdit *>(QStringLiteral("RichEdit4"));
    message->setPlainText(QStringLiteral("Meeting at 3\nBring $5 & your ID @ door"));
    QCOMPARE(window.profileTab->smsCostIndividual->text(), QStringLiteral("1 SMS \u00B7 GSM"));
    // The centre number is what the box holds now, saved or not.
    window.preferenceTab->suiEdit1->setText(QStringLiteral("+60129999999"));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("BitBtn4")), Qt::LeftButton);

    QVERIFY(runs.wait());
    QVERIFY(modem.waitForPdus(1));
    const SubmitPdu pdu = modem.pdus().first().message;
    QCOMPARE(modem.pdus().size(), 1);
    QCOMPARE(pdu.destination, QStringLiteral("60198765432"));
    QCOMPARE(pdu.centreNumber, QStringLiteral("60129999999"));
    QCOMPARE(pdu.text, QStringLiteral("Meeting at 3\r\nBring $5 & your ID @ door "));
    QCOMPARE(
        ws.rows(QStringLiteral("select project_name, name, msg_send, status from project_detail")),
        (QList<QStringList>{{u"INDIVIDUAL"_s, u"Siti"_s, u"Meeting at 3\r\nBring $5 & your ID @ door "_s, u"SEND"_s}}));
    QCOMPARE(ws.rows(QStringLiteral("select project_name, mobile_number, status from transaction_log")),
             (QList<QStringList>{{u"INDIVIDUAL"_s, u"60198765432"_s, u"SEND"_s}}));
    QVERIFY(dialogs.shown().isEmpty());
    QCOMPARE(window.runState().progressCurrent, 0);
    QTRY_VERIFY(!window.frm_wait().isVisible()); // closes itself at its next tick
}

void TestIndividualSend::statusLightOpensEveryModemOfTheList()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    WindowClock clock;
    clock.setTimeoutScale(1);
    TestModem first;
    TestModem second;
    second.setPinWanted(u"2468"_s);
    TestModem off;
    // The list as stored: the light's modem at another rate, a second, and one that is off.
    ws.exec(u"insert into modem(port, line_settings, enabled, centre_number) values "
            "('%1', '19200,8,1,None,None', 'YES', ''), ('%2', '9600,8,1,None,None', 'YES', '+60120000099'), "
            "('%3', '9600,8,1,None,None', 'NO', '')"_s.arg(first.devicePath(), second.devicePath(), off.devicePath()));
    MainWindow window(dialogs, clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The setup dialog starts on the first modem's stored settings; what is confirmed is stored.
    SerialSettings asked;
    window.setPortSetupPrompt([&](const SerialSettings &current) {
        asked = current;
        SerialSettings chosen = current;
        chosen.baudRate = 38400;
        return std::optional(chosen);
    });
    dialogs.tell(u"2468"_s);
    window.ComLed1Click();
    QCOMPARE(asked.portName, first.devicePath());
    QCOMPARE(asked.baudRate, 19200);
    QCOMPARE(ws.rows(u"select port, line_settings, enabled from modem order by id"_s).first(),
             (QStringList{first.devicePath(), u"38400,8,1,None,None"_s, u"YES"_s}));
    const QList<ModemLane *> &lanes = window.engine().lanes();
    QCOMPARE(lanes.size(), 2);
    QVERIFY(window.ComLed1->isLit());
    QVERIFY(lanes.at(1)->session().isOpen());
    QCOMPARE(lanes.at(1)->centreNumber(window.settings()), u"+60120000099"_s);
    // The second SIM asked for its PIN in a box; the PIN went to it and is kept nowhere.
    QTRY_VERIFY(lanes.at(1)->session().health().sim == ModemHealth::Sim::Ready);
    QCOMPARE(dialogs.texts(u"secret"_s), QStringList{u"The SIM card in %1 asks for its PIN.\nPIN:"_s.arg(second.devicePath())});
    QVERIFY(second.inputs().contains(u"AT+CPIN=\"2468\""_s));
    QCOMPARE(ws.value(u"select count(*) from options where value like '%2468%'"_s), u"0"_s);
    QVERIFY(off.inputs().isEmpty());
    // The light's tip tells of both.
    QTRY_VERIFY(window.ComLed1->toolTip().contains(second.devicePath() + u": Brivora Mobile"_s));
    QVERIFY(window.ComLed1->toolTip().startsWith(first.devicePath() + u": Brivora Mobile, signal 3 of 5 (-73 dBm), "
                                                                      "home network; today 0 sent, 0 refused"_s));
}

void TestIndividualSend::statusLightWaitsWhileASendRuns()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into profile(name, mobile_number) values ('Ali', '60123456789')"));
    ScriptedDialogs dialogs;
    Clock clock;
    clock.setScale(0.01);
    clock.setTimeoutScale(1);
    TestModem modem;
    MainWindow window(dialogs, clock);
    RunEnds runs(window.runState());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setPortSetupPrompt([&](const SerialSettings &) { return std::optional(modem.settings()); });
    window.ComLed1Click();
    QVERIFY(window.ComLed1->isLit());

    // A click on the light while a two-part message goes out.
    window.findChild<QPlainTextEdit *>(QStringLiteral("RichEdit4"))->setPlainText(QString(200, QLatin1Char('x')));
    window.suitempBitBtn4Click();
    QTimer::singleShot(0, &window, [&] { QTest::mouseClick(window.ComLed1, Qt::LeftButton); });
    QVERIFY(runs.wait());
    QCOMPARE(dialogs.warnings(), QStringList{QString::fromLatin1(RunState::BusyText)});
    QVERIFY(window.ComLed1->isLit());
    QVERIFY(modem.waitForPdus(2));
    QVERIFY(dialogs.errors().isEmpty());
}

void TestIndividualSend::sendingBeforeThePortIsOpenShowsTheWriteError()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into profile(name, mobile_number) values ('Ali', '60123456789')"));
    ScriptedDialogs dialogs;
    Clock clock;
    clock.setScale(0.001);
    MainWindow window(dialogs, clock);
    RunEnds runs(window.runState());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Cancelling the setup with the start settings tries the port "COM", which is no device.
    window.setPortSetupPrompt([](const SerialSettings &) { return std::optional<SerialSettings>(); });
    window.ComLed1Click();
    QCOMPARE(dialogs.errors().size(), 1);
    QVERIFY2(dialogs.errors().first().startsWith(QStringLiteral("Unable to open com port (win error code: ")),
             qPrintable(dialogs.errors().first()));
    QVERIFY(!window.ComLed1->isLit());

    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("BitBtn4")), Qt::LeftButton);
    QVERIFY(runs.wait());
    QCOMPARE(dialogs.errors().size(), 2);
    QVERIFY(dialogs.errors().last().startsWith(QStringLiteral("WriteFile function failed (win error code: ")));
    QCOMPARE(ws.value(QStringLiteral("select count(*) from project_detail")), QStringLiteral("0"));
    QCOMPARE(window.runState().progressCurrent, 1);
    QVERIFY(!window.runState().isSending());
}

void TestIndividualSend::portWithNothingBehindItIsNoticed()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    Clock clock;
    clock.setScale(0.001);
    TestModem modem;
    modem.setSilent(true);
    MainWindow window(dialogs, clock);
    window.setPortSetupPrompt([&](const SerialSettings &) { return std::optional(modem.settings()); });
    window.ComLed1Click();
    QVERIFY(modem.waitForInputs(1));
    QCOMPARE(modem.inputs(), QStringList{u"AT"_s});
    QTRY_COMPARE(dialogs.warnings(),
                 QStringList{u"No modem answers on %1. Check the cable, the power and the port "
                             "settings."_s.arg(modem.devicePath())});
    // The port stays open: the operator may power the modem on.
    QVERIFY(window.ComLed1->isLit());
    QVERIFY(dialogs.errors().isEmpty());
}

void TestIndividualSend::profilesCannotBeDeletedOrReplacedUnderARun()
{
    Office office;
    MainWindow &window = office.window;
    QTest::mouseClick(window.profileTab->suiButton2, Qt::LeftButton); // "Import Profile"
    QVERIFY(window.frm_import);
    ImportWindow &import = *window.frm_import;
    import.Edit1->setText(QStringLiteral(BRIVORA_FIXTURES "/profiles.xls"));
    QTest::mouseClick(import.BitBtn1, Qt::LeftButton);
    // While the first part waits for its last wait, the operator deletes the selected
    // profile and imports the workbook in place of every profile.
    office.atExaminingWait(1, [&] {
        QTest::mouseClick(window.profileTab->suiDBNavigator2->findChild<QToolButton *>(u"Delete"_s), Qt::LeftButton);
        office.dialogs.answer(Dialogs::Answer::Yes);
        QTest::mouseClick(import.BitBtn2, Qt::LeftButton);
    });
    window.suitempBitBtn4Click();
    QVERIFY(office.runs.wait());
    QCOMPARE(office.dialogs.warnings(), QStringList(2, QString::fromLatin1(RunState::BusyText)));
    QCOMPARE(office.ws.rows(u"select name from profile order by id_profile"_s),
             (QList<QStringList>{{u"Ali"_s}, {u"Siti"_s}}));
    QCOMPARE(office.details().size(), 2);

    // Once the run has ended, both work.
    office.clock.setWaitListener({});
    office.dialogs.answer(Dialogs::Answer::Yes);
    QTest::mouseClick(import.BitBtn2, Qt::LeftButton);
    QVERIFY(office.ws.value(u"select count(*) from profile where name = 'Ali'"_s) == u"0"_s);
}

void TestIndividualSend::exitDropsAGreetingWaitingForTheSend()
{
    TestWorkspace ws;
    ws.exec(u"insert into profile(name, mobile_number, birthday) values ('Ali', '6011', '09/12/1980')"_s);
    ScriptedDialogs dialogs;
    WindowClock clock; // 9 December 2026, 10:30
    TestModem modem;
    MainWindow window(dialogs, clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setPortSetupPrompt([&](const SerialSettings &) { return std::optional(modem.settings()); });
    window.ComLed1Click();
    window.preferenceTab->CheckBox1->setChecked(true);
    window.preferenceTab->DateTimePicker3->setTime(QTime(10, 31));
    window.findChild<QPlainTextEdit *>(u"RichEdit4"_s)->setPlainText(QString(u"word "_s).repeated(40));

    // During the first part the birthday's minute comes and the greeting waits for the
    // send; then the operator exits and agrees to stop the send.
    bool acted = false;
    clock.setWaitListener([&](int milliseconds, bool examinesAnswers) {
        if (!examinesAnswers || milliseconds == ProgressWindow::HoldMs || acted)
            return;
        acted = true;
        clock.setFixedNow(QDateTime(QDate(2026, 12, 9), QTime(10, 31, 10)));
        window.Timer1Timer();
        dialogs.answer(Dialogs::Answer::Yes);
        window.CiaTray1->Exit1->trigger();
    });
    window.suitempBitBtn4Click();
    QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(acted);
    // The message in flight went whole, and nothing more went out: not the greeting.
    QCOMPARE(modem.pdus().size(), 2);
    QCOMPARE(ws.value(u"select count(*) from project_detail where project_name = 'BIRTHDAY'"_s), u"0"_s);
    QCOMPARE(dialogs.texts(u"confirm"_s), QStringList{u"A broadcast is running. Stop it and exit?"_s});
}

QTEST_MAIN(TestIndividualSend)
#include "tst_individualsend.moc"
