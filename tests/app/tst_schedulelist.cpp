// The schedule list tab as the operator uses it: the two views of the project list,
// a project's recipients loaded by click or key with the whole message as hint, and
// "Start Broadcasting" over them, after which the project is still not broadcast.
#include "widgets/DatasetGrid.h"
#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "base/Clock.h"
#include "broadcast/RecipientList.h"
#include "broadcast/ScheduleTab.h"
#include "support/GridDriver.h"
#include "support/RunEnds.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModem.h"
#include "support/TestWorkspace.h"
#include "support/WindowClock.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Three projects: RAYA scheduled and not yet sent, NEW YEAR scheduled and sent, DRAFT
// with a broadcast date but no longer scheduled.
struct Office {
    Office()
    {
        ws.exec(u"insert into project(project_name, schedule, project_broadcast__date, date_send) values "
                "('RAYA', 'YES', '2026-12-20 09:00:00', null), "
                "('NEW YEAR', 'YES', '2026-12-31 23:00:00', '2026-12-10 08:00:00'), "
                "('DRAFT', 'NO', '2027-01-05 10:00:00', null)"_s);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.PageControl1->setCurrentWidget(tab);
    }

    // The projects the list shows, in its order.
    QStringList projects() const { return columnTexts(tab->suiDBGrid1, 0); }
    QStringList recipients() const { return columnTexts(tab->suiDBGrid2, 2); }

    TestWorkspace ws;
    ScriptedDialogs dialogs;
    WindowClock clock;
    MainWindow window{dialogs, clock};
    RunEnds runs{window.runState()};
    ScheduleTab *tab = window.scheduleTab;
};

} // namespace

class TestScheduleList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void notYetBroadcastSwitchesViewsAndKeepsAProjectSentHere();
    void projectLoadsItsRecipientsByClickOrAnyKey();
    void hintIsTheSelectedRowsWholeMessage();
};

void TestScheduleList::notYetBroadcastSwitchesViewsAndKeepsAProjectSentHere()
{
    Office office;
    TestModem modem;
    office.window.setPortSetupPrompt([&](const SerialSettings &) { return std::optional(modem.settings()); });
    office.window.ComLed1Click();
    office.ws.exec(u"insert into project_detail(project_name, mobile_number, name, msg_send) values "
                   "('RAYA', '6011', 'Ali', 'Salam Ali'), ('RAYA', '6022', 'Siti', 'Salam Siti')"_s);
    ScheduleTab *tab = office.tab;
    QCOMPARE(office.projects(), (QStringList{u"RAYA"_s, u"NEW YEAR"_s, u"DRAFT"_s}));
    QVERIFY(!tab->CheckBox6->isChecked());

    // No recipient list loaded yet: nothing to send.
    QTest::mouseClick(tab->suiButton1, Qt::LeftButton);
    QCOMPARE(office.dialogs.errors(), QStringList{QString::fromLatin1(RecipientList::ClosedListText) + u'.'});
    QVERIFY(modem.pdus().isEmpty());
    QVERIFY(!office.window.frm_wait().isVisible());
    office.dialogs.clear();

    QTest::mouseClick(tab->CheckBox6, Qt::LeftButton);
    QCOMPARE(office.projects(), (QStringList{u"RAYA"_s, u"DRAFT"_s}));
    QTest::mouseClick(tab->CheckBox6, Qt::LeftButton);
    QCOMPARE(office.projects(), (QStringList{u"RAYA"_s, u"NEW YEAR"_s}));

    clickRow(tab->suiDBGrid1, 0);
    QTest::mouseClick(tab->suiButton1, Qt::LeftButton);
    QVERIFY(office.runs.wait());
    QVERIFY(modem.waitForPdus(2));
    QCOMPARE(modem.texts(), (QStringList{u"Salam Ali "_s, u"Salam Siti "_s}));
    QCOMPARE(office.ws.rows(u"select date_send, status from project_detail"_s),
             QList<QStringList>(2, {u"2026-12-09 10:30:00"_s, u"SEND"_s}));
    // The list stays on screen with its send dates filled in; the progress window goes.
    QCOMPARE(office.recipients(), (QStringList{u"Ali"_s, u"Siti"_s}));
    for (const QString &sendDate : columnTexts(tab->suiDBGrid2, 0))
        QVERIFY(!sendDate.isEmpty());
    QTRY_VERIFY(!office.window.frm_wait().isVisible());
    QVERIFY(office.dialogs.shown().isEmpty());

    QTest::mouseClick(tab->CheckBox6, Qt::LeftButton);
    QCOMPARE(office.projects(), (QStringList{u"RAYA"_s, u"DRAFT"_s}));
}

void TestScheduleList::projectLoadsItsRecipientsByClickOrAnyKey()
{
    Office office;
    // A quote in a name is looked up as typed.
    office.ws.exec(u"update project set project_name = 'NEW \"YEAR\"' where project_name = 'NEW YEAR'"_s);
    office.ws.exec(u"insert into project_detail(project_name, name, msg_send) values ('RAYA', 'Ali', 'Salam'), "
                   "('NEW \"YEAR\"', 'Siti', 'Happy'), ('NEW \"YEAR\"', 'Abu', 'Happy'), ('DRAFT', 'Chan', 'Hi')"_s);
    office.window.dm().q_prj_schedule.refresh();
    ScheduleTab *tab = office.tab;
    QVERIFY(!office.window.dm().q_prj_dtl_schedule.isOpen());

    clickRow(tab->suiDBGrid1, 0);
    QCOMPARE(office.recipients(), QStringList{u"Ali"_s});

    tab->suiDBGrid1->setFocus();
    QTest::keyClick(tab->suiDBGrid1, Qt::Key_Down);
    QCOMPARE(office.recipients(), (QStringList{u"Siti"_s, u"Abu"_s}));

    // Any key, even one that moves nothing, reads the recipients again.
    office.ws.exec(u"delete from project_detail where name = 'Abu'"_s);
    QTest::keyClick(tab->suiDBGrid1, Qt::Key_Shift);
    QCOMPARE(office.recipients(), QStringList{u"Siti"_s});
    QVERIFY(office.dialogs.shown().isEmpty());
}

void TestScheduleList::hintIsTheSelectedRowsWholeMessage()
{
    Office office;
    office.ws.exec(u"insert into project_detail(project_name, name, msg_send) values ('RAYA', 'Ali', 'One'), "
                   "('RAYA', 'Siti', '%1')"_s.arg(QString(70, u'2')));
    ScheduleTab *tab = office.tab;
    clickRow(tab->suiDBGrid1, 0);
    DatasetGrid *recipients = tab->suiDBGrid2;

    clickRow(recipients, 1);
    QCOMPARE(recipients->model()->index(1, 5).data().toString(), QString(50, u'2'));
    QCOMPARE(hintOver(recipients, 0, 1), QString(70, u'2') + u"\n\n1 SMS \u00B7 GSM"_s);

    clickRow(recipients, 0);
    QCOMPARE(hintOver(recipients, 1, 3), u"One\n\n1 SMS \u00B7 GSM"_s);
}

QTEST_MAIN(TestScheduleList)
#include "tst_schedulelist.moc"
