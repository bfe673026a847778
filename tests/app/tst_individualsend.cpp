// The first end-to-end send as the user makes it: the status light opens the modem's
// port, a profile is selected in the list, "Send Individual SMS" sends the typed text.
#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "contacts/ProfileTab.h"
#include "modem/ComLed.h"
#include "base/Clock.h"
#include "prefs/PreferenceTab.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModem.h"
#include "support/TestWorkspace.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

class TestIndividualSend : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusLightOpensPortAndButtonSendsToSelectedProfile();
    void statusLightWaitsWhileASendRuns();
    void sendingBeforeThePortIsOpenShowsTheWriteError();
};

void TestIndividualSend::statusLightOpensPortAndButtonSendsToSelectedProfile()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into profile(name, nickname, mobile_number, group_name) values "
                           "('Ali', 'Li', '60123456789', 'STAFF'), ('Siti', 'Ti', '60198765432', 'VIP')"));
    ws.exec(QStringLiteral("insert into smsc values ('+60120000000')"));
    ScriptedDialogs dialogs;
    Clock clock;
    clock.setScale(0.001);
    clock.setFixedNow(QDateTime(QDate(2026, 12, 8), QTime(16, 0)));
    TestModem modem;
    MainWindow window(dialogs, clock);
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
    // The centre number is what the box holds now, saved or not.
    window.preferenceTab->suiEdit1->setText(QStringLiteral("+60129999999"));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("BitBtn4")), Qt::LeftButton);

    QVERIFY(modem.waitForPdus(1));
    const SubmitPdu pdu = modem.pdus().first().message;
    QCOMPARE(modem.pdus().size(), 1);
    QCOMPARE(pdu.destination, QStringLiteral("60198765432"));
    QCOMPARE(pdu.centreNumber, QStringLiteral("60129999999"));
    QCOMPARE(pdu.text, QStringLiteral("Meeting at 3\r\nBring $5 & your ID @ door "));
    QCOMPARE(ws.rows(QStringLiteral("select project_name, name, msg_send, status from project_detail")),
             (QList<QStringList>{{"INDIVIDUAL", "Siti", "Meeting at 3\r\nBring $5 & your ID @ door ", "SEND"}}));
    QCOMPARE(ws.rows(QStringLiteral("select project_name, mobile_number, status from transaction_log")),
             (QList<QStringList>{{"INDIVIDUAL", "60198765432", "SEND"}}));
    QVERIFY(dialogs.shown().isEmpty());
    QCOMPARE(window.runState().progressCurrent, 0);
    QTRY_VERIFY(!window.frm_wait().isVisible()); // closes itself at its next tick
}

void TestIndividualSend::statusLightWaitsWhileASendRuns()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into profile(name, mobile_number) values ('Ali', '60123456789')"));
    ScriptedDialogs dialogs;
    Clock clock;
    clock.setScale(0.01);
    TestModem modem;
    MainWindow window(dialogs, clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setPortSetupPrompt([&](const SerialSettings &) { return std::optional(modem.settings()); });
    window.ComLed1Click();
    QVERIFY(window.ComLed1->isLit());

    // A click on the light during the pumping wait of a two-part message.
    window.findChild<QPlainTextEdit *>(QStringLiteral("RichEdit4"))->setPlainText(QString(200, QLatin1Char('x')));
    QTimer::singleShot(0, &window, [&] { QTest::mouseClick(window.ComLed1, Qt::LeftButton); });
    window.suitempBitBtn4Click();
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
    QCOMPARE(dialogs.errors().size(), 2);
    QVERIFY(dialogs.errors().last().startsWith(QStringLiteral("WriteFile function failed (win error code: ")));
    QCOMPARE(ws.value(QStringLiteral("select count(*) from project_detail")), QStringLiteral("0"));
    QCOMPARE(window.runState().progressCurrent, 1);
    QVERIFY(!window.runState().isSending());
}

QTEST_MAIN(TestIndividualSend)
#include "tst_individualsend.moc"
