// The announcement tab as the operator uses it for a broadcast: the character counters
// under the two templates, and "Start Broadcasting" over the loaded recipient list.
#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "base/Clock.h"
#include "broadcast/AnnouncementTab.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModem.h"
#include "support/TestWorkspace.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString LimitWarning = u"Your text is more then 300 characters. System disallowed"_s;

// Scaled before the window takes its timers' intervals from it.
struct TestClock : Clock {
    TestClock()
    {
        setScale(0.001);
        setFixedNow(QDateTime(QDate(2026, 12, 9), QTime(10, 30)));
    }
};

struct Office {
    Office()
    {
        ws.exec(u"insert into grouping(group_name) values ('STAFF'), ('VIP')"_s);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.PageControl1->setCurrentWidget(tab);
    }

    TestWorkspace ws;
    ScriptedDialogs dialogs;
    TestClock clock;
    MainWindow window{dialogs, clock};
    AnnouncementTab *tab = window.announcementTab;
};

QColor textColour(const QLineEdit *counter)
{
    return counter->palette().color(QPalette::Text);
}

} // namespace

class TestBroadcasting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countersFollowTheirEditors_data();
    void countersFollowTheirEditors();
    void startBroadcastingSendsTheLoadedListThenClears();
};

void TestBroadcasting::countersFollowTheirEditors_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("counter");
    QTest::newRow("Malay") << u"RichEdit2"_s << u"Edit10"_s;
    QTest::newRow("English") << u"RichEdit3"_s << u"Edit13"_s;
}

void TestBroadcasting::countersFollowTheirEditors()
{
    QFETCH(QString, editor);
    QFETCH(QString, counter);
    Office office;
    auto *text = office.window.findChild<QPlainTextEdit *>(editor);
    auto *count = office.window.findChild<QLineEdit *>(counter);
    QCOMPARE(count->text(), u"0 characters"_s);
    QVERIFY(count->isReadOnly());
    QVERIFY(!(count->focusPolicy() & Qt::TabFocus));

    text->setFocus();
    text->setPlainText(QString(155, u'a'));
    QCOMPARE(count->text(), u"155 characters"_s);
    const QColor black = textColour(count);
    QCOMPARE(black, QColor(Qt::black));
    QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_A);
    QCOMPARE(count->text(), u"156 characters"_s);
    QCOMPARE(textColour(count), QColor(Qt::red));
    QTest::keyClick(text, Qt::Key_Backspace);
    QCOMPARE(textColour(count), QColor(Qt::red)); // 155 keeps the colour it had
    QTest::keyClick(text, Qt::Key_Backspace);
    QCOMPARE(count->text(), u"154 characters"_s);
    QCOMPARE(textColour(count), QColor(Qt::black));

    // A line break travels as carriage return and line feed; an emoji is one character.
    text->setPlainText(u"ab\ncd \U0001F600"_s);
    QCOMPARE(count->text(), u"8 characters"_s);

    text->setPlainText(QString(300, u'a'));
    QVERIFY(office.dialogs.shown().isEmpty());
    QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_B);
    QTest::keyClick(text, Qt::Key_C);
    QTest::keyClick(text, Qt::Key_Backspace);
    QCOMPARE(office.dialogs.warnings(), QStringList(3, LimitWarning));
    QTest::keyClick(text, Qt::Key_Backspace);
    QCOMPARE(office.dialogs.shown().size(), 3);
    QCOMPARE(count->text(), u"300 characters"_s);
}

void TestBroadcasting::startBroadcastingSendsTheLoadedListThenClears()
{
    Office office;
    TestModem modem;
    office.window.setPortSetupPrompt([&](const SerialSettings &) { return std::optional(modem.settings()); });
    office.window.ComLed1Click();
    office.ws.exec(u"insert into project(project_name) values ('RAYA')"_s);
    office.ws.exec(u"insert into project_detail(project_name, mobile_number, name, msg_send) values "
                   "('RAYA', '6011', 'Ali', 'Salam Ali'), ('RAYA', '6022', 'Siti', 'Salam Siti'), "
                   "('RAYA', '6033', 'Abu', 'Salam Abu')"_s);
    // The composer as a load leaves it.
    AnnouncementTab *tab = office.tab;
    tab->Edit12->setText(u"RAYA"_s);
    tab->RichEdit2->setPlainText(u"Salam <name>"_s);
    tab->CheckListBox1->item(1)->setCheckState(Qt::Checked);
    office.window.dm().q_prj_dtl.repoint(u"select * from project_detail where project_name = \"RAYA\""_s);
    tab->suiSpinEdit1->setValue(2);
    tab->suiSpinEdit2->setValue(1);
    QStringList pauses;
    office.clock.setWaitListener([&](int milliseconds, bool) {
        if (milliseconds == 60000)
            pauses << office.window.frm_wait().findChild<QLabel *>(u"Label1"_s)->text();
    });

    QTest::mouseClick(tab->BitBtn10, Qt::LeftButton);

    QVERIFY(office.dialogs.shown().isEmpty());
    QVERIFY(modem.waitForPdus(3));
    QCOMPARE(modem.texts(), (QStringList{u"Salam Ali "_s, u"Salam Siti "_s, u"Salam Abu "_s}));
    QCOMPARE(pauses, QStringList{u"Broadcast Pause for 1 minutes...."_s});
    QCOMPARE(office.ws.rows(u"select date_send, status from project_detail"_s),
             QList<QStringList>(3, {u"2026-12-09 10:30:00"_s, u"SEND"_s}));
    QCOMPARE(office.ws.value(u"select date_send from project"_s), u"2026-12-09 10:30:00"_s);
    QVERIFY(tab->Edit12->text().isEmpty());
    QVERIFY(tab->RichEdit2->toPlainText().isEmpty());
    QCOMPARE(tab->CheckListBox1->item(1)->checkState(), Qt::Unchecked);
    QVERIFY(!office.window.dm().q_prj_dtl.isOpen());
    QTRY_VERIFY(!office.window.frm_wait().isVisible());

    // Cleared, the composer has no list to send.
    office.clock.setWaitListener({});
    QTest::mouseClick(tab->BitBtn10, Qt::LeftButton);
    QCOMPARE(office.dialogs.errors(), QStringList{u"Cannot perform this operation on a closed dataset."_s});
    QCOMPARE(office.ws.value(u"select count(*) from transaction_log"_s), u"3"_s);
}

QTEST_MAIN(TestBroadcasting)
#include "tst_broadcasting.moc"
