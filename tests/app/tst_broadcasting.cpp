// The announcement tab as the operator uses it: the composer (Save && Populate Recipient,
// the festive filter, loading a project back, the two lists), the character counters
// under the two templates, and "Start Broadcasting" over the loaded recipient list.
#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "app/TrayIcon.h"
#include "base/Clock.h"
#include "broadcast/AnnouncementTab.h"
#include "broadcast/ProjectStore.h"
#include "prefs/PreferenceTab.h"
#include "support/GridDriver.h"
#include "support/RunEnds.h"
#include "support/ScriptedDialogs.h"
#include "support/TestModem.h"
#include "support/TestWorkspace.h"
#include "support/WindowClock.h"
#include "widgets/DatasetGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>

using namespace Qt::StringLiterals;

namespace {

const QString Null = u"<null>"_s;
const QString LimitWarning = u"Your text is more then 300 characters. System disallowed"_s;

struct Office {
    Office()
    {
        ws.exec(u"insert into grouping(group_name) values ('STAFF'), ('VIP'), ('EMPTY')"_s);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.PageControl1->setCurrentWidget(tab);
    }

    // Contacts of STAFF and VIP, and the tokens the templates use.
    void addContacts() const
    {
        ws.exec(u"insert into text_replacement(geeting, nickname, name) values ('<greeting>', '<nick>', '<name>')"_s);
        ws.exec(u"insert into profile(name, nickname, mobile_number, group_name, festive, languages, greeting) values "
                "('Ali', 'Li', '6011', 'STAFF', 'ISLAM', 'MALAY', 'Tuan'), "
                "('Siti', 'Ti', '6022', 'STAFF', 'CHINESE ', 'ENGLISH', 'Puan'), "
                "('Chan', 'Ch', '6044', 'STAFF', 'chinese', 'ENGLISH', 'Mr'), "
                "('Abu', 'Bu', '6033', 'VIP', 'CHINESE', 'ENGLISH', 'Encik')"_s);
    }

    // The composer filled as the operator would, then Save && Populate Recipient.
    void save(const QString &name, const QStringList &groups, const QString &festive = {})
    {
        tab->Edit12->setText(name);
        tab->ComboBox6->setCurrentText(festive);
        for (int row = 0; row < tab->CheckListBox1->count(); ++row) {
            QListWidgetItem *item = tab->CheckListBox1->item(row);
            item->setCheckState(groups.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
        }
        QTest::mouseClick(tab->BitBtn8, Qt::LeftButton);
    }

    QStringList checkedGroups() const
    {
        QStringList checked;
        for (int row = 0; row < tab->CheckListBox1->count(); ++row)
            if (tab->CheckListBox1->item(row)->checkState() == Qt::Checked)
                checked << tab->CheckListBox1->item(row)->text();
        return checked;
    }

    // The modem's port opened, as the operator does with the status light.
    void plugIn(TestModem &modem)
    {
        window.setPortSetupPrompt([&](const SerialSettings &) { return std::optional(modem.settings()); });
        window.ComLed1Click();
    }

    // The saved project RAYA with its recipient rows (mobile_number, name, msg_send),
    // loaded in the composer.
    void loadProject(const QString &recipientValues)
    {
        ws.exec(u"insert into project(project_name) values ('RAYA')"_s);
        ws.exec(u"insert into project_detail(project_name, mobile_number, name, msg_send) values "_s + recipientValues);
        tab->Edit12->setText(u"RAYA"_s);
        window.dm().q_prj_dtl.repoint(u"select * from project_detail where project_name = \"RAYA\""_s);
    }

    // Every row of the three project tables.
    QList<QStringList> projectTables() const
    {
        QList<QStringList> all = ws.rows(u"select * from project"_s);
        all << ws.rows(u"select * from project_group"_s) << ws.rows(u"select * from project_detail"_s);
        return all;
    }

    TestWorkspace ws;
    ScriptedDialogs dialogs;
    WindowClock clock;
    MainWindow window{dialogs, clock};
    RunEnds runs{window.runState()};
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
    void savePopulatesThenOverwritesTheProject();
    void festiveFilterIgnoresTrailingBlanks_data();
    void festiveFilterIgnoresTrailingBlanks();
    void leavingTheFestiveBoxChecksItsText();
    void failedSaveLeavesTheDatabaseAsItWas();
    void reservedNamesAreRefused();
    void projectLoadsBackByClickOrKey();
    void listsDeleteByCtrlDeleteAndHintTheSelectedMessage();
    void scheduleRecordsThePickedMinuteOnSavedProjectsOnly_data();
    void scheduleRecordsThePickedMinuteOnSavedProjectsOnly();
    void automaticGreetingInTheTrayHoldsItsBoxUntilTheWindowShows();
    void countersFollowTheirEditors_data();
    void countersFollowTheirEditors();
    void startBroadcastingSendsTheLoadedListThenClears();
    void aStoppedBroadcastSaysHowFarItGot();
    void busyWarningLeftOpenHoldsUpNoBroadcast();
    void contactsNamedInChineseAndTamilGetTheirMessageWhole();
    void aRunsRowsCannotBeChangedUnderIt();
};

void TestBroadcasting::savePopulatesThenOverwritesTheProject()
{
    Office office;
    // The window names the data it shows: the file, or the server (then in its title too).
    const QString data = office.window.findChild<QWidget *>(u"dataHeader"_s)->toolTip();
    if (TestWorkspace::onServer()) {
        QVERIFY2(data.startsWith(u"Data: postgresql://brivora@"_s), qPrintable(data));
        QVERIFY(office.window.windowTitle().endsWith(data.mid(6)));
    } else {
        QCOMPARE(data, u"Data: "_s + QDir::toNativeSeparators(QDir::current().absoluteFilePath(u"Dovrel.mdb"_s)));
    }
    office.addContacts();
    AnnouncementTab *tab = office.tab;
    tab->RichEdit2->setPlainText(u"Salam <greeting> <name>\nJumpa"_s);
    tab->RichEdit3->setPlainText(u"Hi <NICK>"_s);

    office.dialogs.answer(Dialogs::Answer::No);
    office.save(u"RAYA"_s, {u"STAFF"_s, u"EMPTY"_s});
    QCOMPARE(office.dialogs.texts(u"confirm"_s), QStringList{QString::fromLatin1(ProjectStore::CreateQuestion)});
    QVERIFY(office.projectTables().isEmpty());

    office.dialogs.answer(Dialogs::Answer::Yes);
    QTest::mouseClick(tab->BitBtn8, Qt::LeftButton);
    QCOMPARE(office.ws.rows(u"select project_name, project_date, msg_template_malay, msg_template_eng, festive, "
                            "schedule, date_send from project"_s),
             (QList<QStringList>{{u"RAYA"_s, u"2026-12-09 00:00:00"_s, u"Salam <greeting> <name>\r\nJumpa"_s,
                                  u"Hi <NICK>"_s, QString(), Null, Null}}));
    // A group without contacts is recorded and adds no recipient.
    QCOMPARE(office.ws.rows(u"select project_name, group_name from project_group"_s),
             (QList<QStringList>{{u"RAYA"_s, u"STAFF"_s}, {u"RAYA"_s, u"EMPTY"_s}}));
    const QString recipients =
        u"select project_name, mobile_number, name, nickname, group_name, msg_send, festive, status, date_send "
        "from project_detail"_s;
    QCOMPARE(
        office.ws.rows(recipients),
        (QList<QStringList>{
            {u"RAYA"_s, u"6011"_s, u"Ali"_s, u"Li"_s, u"STAFF"_s, u"Salam Tuan Ali\r\nJumpa"_s, QString(), Null, Null},
            {u"RAYA"_s, u"6022"_s, u"Siti"_s, u"Ti"_s, u"STAFF"_s, u"Hi Ti"_s, QString(), Null, Null},
            {u"RAYA"_s, u"6044"_s, u"Chan"_s, u"Ch"_s, u"STAFF"_s, u"Hi Ch"_s, QString(), Null, Null}}));
    QCOMPARE(tab->DBGrid3->model()->rowCount(), 3);
    QCOMPARE(tab->DBGrid4->model()->index(0, 0).data().toString(), u"RAYA"_s);
    // The composer keeps what it shows, ready to broadcast.
    QCOMPARE(tab->Edit12->text(), u"RAYA"_s);
    QCOMPARE(office.checkedGroups(), (QStringList{u"STAFF"_s, u"EMPTY"_s}));

    // Sent, scheduled, one recipient deleted by hand, a contact added.
    office.ws.exec(u"update project set schedule = 'YES', project_broadcast__date = '2026-12-20 09:00:00', "
                   "date_send = '2026-12-10 08:00:00'"_s);
    office.ws.exec(u"update project_detail set status = 'SEND', date_send = '2026-12-10 08:00:00'"_s);
    office.ws.exec(u"delete from project_detail where name = 'Chan'"_s);
    office.ws.exec(u"insert into profile(name, nickname, mobile_number, group_name) values ('Abu', 'Bu', '6055', "
                   "'VIP')"_s);
    const QList<QStringList> before = office.projectTables();
    office.dialogs.clear();
    office.dialogs.answer(Dialogs::Answer::No);
    office.save(u"raya"_s, {u"STAFF"_s, u"VIP"_s});
    QCOMPARE(office.dialogs.texts(u"confirm"_s), QStringList{QString::fromLatin1(ProjectStore::OverwriteQuestion)});
    QCOMPARE(office.projectTables(), before);

    office.dialogs.answer(Dialogs::Answer::Yes);
    QTest::mouseClick(tab->BitBtn8, Qt::LeftButton);
    QCOMPARE(office.ws.rows(u"select project_name, schedule, project_broadcast__date, date_send from project"_s),
             (QList<QStringList>{{u"raya"_s, u"YES"_s, u"2026-12-20 09:00:00"_s, u"2026-12-10 08:00:00"_s}}));
    QCOMPARE(office.ws.rows(u"select group_name from project_group"_s), (QList<QStringList>{{u"STAFF"_s}, {u"VIP"_s}}));
    QCOMPARE(office.ws.rows(u"select name, status from project_detail"_s),
             (QList<QStringList>{
                 {u"Ali"_s, Null}, {u"Siti"_s, Null}, {u"Chan"_s, Null}, {u"Abu"_s, Null}, {u"Abu"_s, Null}}));
    QCOMPARE(tab->DBGrid3->model()->rowCount(), 5);
    QVERIFY(office.dialogs.errors().isEmpty());
}

void TestBroadcasting::festiveFilterIgnoresTrailingBlanks_data()
{
    QTest::addColumn<QString>("festive");
    QTest::addColumn<QStringList>("names");
    // Stored "CHINESE ", "chinese" and "CHINESE" all match, as the database compares texts.
    QTest::newRow("without blank") << u"CHINESE"_s << QStringList{u"Siti"_s, u"Chan"_s, u"Abu"_s};
    QTest::newRow("as the list offers it") << u"CHINESE "_s << QStringList{u"Siti"_s, u"Chan"_s, u"Abu"_s};
    QTest::newRow("another") << u"ISLAM"_s << QStringList{u"Ali"_s};
    QTest::newRow("none") << QString() << QStringList{u"Ali"_s, u"Siti"_s, u"Chan"_s, u"Abu"_s};
}

void TestBroadcasting::festiveFilterIgnoresTrailingBlanks()
{
    QFETCH(QString, festive);
    QFETCH(QStringList, names);
    Office office;
    office.addContacts();
    office.dialogs.answer(Dialogs::Answer::Yes);
    office.save(u"RAYA"_s, {u"STAFF"_s, u"VIP"_s}, festive);
    QStringList found;
    for (const QStringList &row : office.ws.rows(u"select name, festive from project_detail"_s)) {
        found << row.at(0);
        QCOMPARE(row.at(1), festive); // stored as the box holds it
    }
    QCOMPARE(found, names);
    QCOMPARE(office.ws.value(u"select festive from project"_s), festive);
}

void TestBroadcasting::leavingTheFestiveBoxChecksItsText()
{
    Office office;
    QVERIFY(QTest::qWaitForWindowActive(&office.window));
    AnnouncementTab *tab = office.tab;
    QCOMPARE(tab->ComboBox6->count(), 13);
    QCOMPARE(tab->ComboBox6->itemText(5), u"CHINESE "_s);
    for (const QString &text : {QString(), u"CHINESE "_s, u"CHINESE"_s, u"OTHERS-D"_s, u"SABAH"_s, u"SARAWAK "_s,
                                u"BUDDHA AND CHINESE"_s, u"chinese"_s, u"XMAS"_s}) {
        tab->ComboBox6->setFocus();
        tab->ComboBox6->setEditText(text);
        tab->Edit12->setFocus();
        const bool accepted = text != u"chinese"_s && text != u"XMAS"_s;
        QCOMPARE(office.dialogs.errors(), accepted ? QStringList() : QStringList{u"Please select correct festive!"_s});
        QWidget *expected = accepted ? static_cast<QWidget *>(tab->BitBtn8) : tab->ComboBox6;
        QVERIFY2(expected->hasFocus() || expected->isAncestorOf(QApplication::focusWidget()), qPrintable(text));
        office.dialogs.clear();
    }
}

void TestBroadcasting::failedSaveLeavesTheDatabaseAsItWas()
{
    Office office;
    office.addContacts();
    office.dialogs.answer(Dialogs::Answer::Yes);
    office.save(u"RAYA"_s, {u"STAFF"_s});
    // A nickname too long for a recipient row: the overwrite fails after deleting the old
    // groups and recipients and writing some new ones.
    office.ws.exec(u"insert into profile(name, nickname, mobile_number, group_name) values ('Long', '%1', '6099', "
                   "'VIP')"_s.arg(QString(151, u'n')));
    const QList<QStringList> before = office.projectTables();
    office.dialogs.clear();
    office.dialogs.answer(Dialogs::Answer::Yes);
    office.save(u"RAYA"_s, {u"STAFF"_s, u"VIP"_s});
    QCOMPARE(office.dialogs.errors().size(), 1);
    QVERIFY2(office.dialogs.errors().first().contains(u"nickname"_s), qPrintable(office.dialogs.errors().first()));
    QCOMPARE(office.projectTables(), before);
    QCOMPARE(office.tab->DBGrid3->model()->rowCount(), 3);
}

void TestBroadcasting::reservedNamesAreRefused()
{
    Office office;
    office.addContacts();
    office.ws.exec(
        u"insert into project_detail(project_name, msg_send, status) values ('BIRTHDAY', 'Happy', 'SEND')"_s);
    const QList<QStringList> before = office.projectTables();
    for (const QString &name : {u"INDIVIDUAL"_s, u"birthday"_s, u"Anniversary"_s}) {
        office.dialogs.clear();
        office.save(name, {u"STAFF"_s});
        QCOMPARE(office.dialogs.warnings(), QStringList{QString::fromLatin1(ProjectStore::ReservedNameWarning)});
        QCOMPARE(office.dialogs.shown().size(), 1); // no question asked
    }
    QCOMPARE(office.projectTables(), before);
}

void TestBroadcasting::projectLoadsBackByClickOrKey()
{
    Office office;
    office.ws.exec(u"insert into project(project_name, msg_template_malay, msg_template_eng, festive) values "
                   "('RAYA', 'Salam\r\nkawan', 'Hello', 'ISLAM'), ('NEW YEAR', 'Tahun baru', 'Happy new year', '')"_s);
    office.ws.exec(u"insert into project_group(project_name, group_name) values ('RAYA', 'VIP'), ('RAYA', 'GONE'), "
                   "('RAYA', 'staff'), ('NEW YEAR', 'STAFF')"_s);
    office.ws.exec(u"insert into project_detail(project_name, name, msg_send) values ('RAYA', 'Ali', 'Salam'), "
                   "('NEW YEAR', 'Siti', 'Happy'), ('NEW YEAR', 'Abu', 'Happy')"_s);
    AnnouncementTab *tab = office.tab;
    QTest::mouseClick(tab->BitBtn9, Qt::LeftButton); // the project list as Clear leaves it
    office.window.dm().q_prj.refresh();

    clickRow(tab->DBGrid4, 0);
    QCOMPARE(tab->Edit12->text(), u"RAYA"_s);
    QCOMPARE(tab->RichEdit2->toPlainText(), u"Salam\nkawan"_s);
    QCOMPARE(tab->Edit10->text(), u"12 characters"_s);
    QCOMPARE(tab->RichEdit3->toPlainText(), u"Hello"_s);
    QCOMPARE(tab->ComboBox6->currentText(), u"ISLAM"_s);
    // Groups are matched exactly; a group no longer offered checks nothing.
    QCOMPARE(office.checkedGroups(), QStringList{u"VIP"_s});
    QCOMPARE(tab->DBGrid3->model()->rowCount(), 1);

    tab->DBGrid4->setFocus();
    QTest::keyClick(tab->DBGrid4, Qt::Key_Down);
    QCOMPARE(tab->Edit12->text(), u"NEW YEAR"_s);
    QCOMPARE(tab->ComboBox6->currentText(), QString());
    QCOMPARE(office.checkedGroups(), QStringList{u"STAFF"_s});
    QCOMPARE(tab->DBGrid3->model()->rowCount(), 2);
    QVERIFY(office.dialogs.shown().isEmpty());
}

void TestBroadcasting::listsDeleteByCtrlDeleteAndHintTheSelectedMessage()
{
    Office office;
    office.ws.exec(u"insert into project(project_name) values ('RAYA'), ('NEW YEAR')"_s);
    office.ws.exec(u"insert into project_detail(project_name, name, msg_send) values ('RAYA', 'Ali', 'One'), "
                   "('RAYA', 'Siti', 'Two'), ('RAYA', 'Abu', '%1')"_s.arg(QString(70, u'3')));
    AnnouncementTab *tab = office.tab;
    office.window.dm().q_prj.refresh();
    clickRow(tab->DBGrid4, 0);
    DatasetGrid *recipients = tab->DBGrid3;

    // The hint is the selected row's whole message wherever the pointer is.
    clickRow(recipients, 2);
    QCOMPARE(recipients->model()->index(2, 5).data().toString(), QString(50, u'3'));
    QCOMPARE(hintOver(recipients, 0, 1), QString(70, u'3') + u"\n\n1 SMS \u00B7 GSM"_s);

    clickRow(recipients, 1);
    office.dialogs.answer(Dialogs::Answer::Cancel);
    QTest::keyClick(recipients, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(office.dialogs.texts(u"confirm"_s), QStringList{u"Delete record?"_s});
    QCOMPARE(office.ws.value(u"select count(*) from project_detail"_s), u"3"_s);
    office.dialogs.answer(Dialogs::Answer::Ok);
    QTest::keyClick(recipients, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(office.ws.rows(u"select name from project_detail"_s), (QList<QStringList>{{u"Ali"_s}, {u"Abu"_s}}));
    QTest::keyClick(recipients, Qt::Key_Delete); // without Ctrl nothing happens
    QCOMPARE(office.dialogs.shown().size(), 2);

    // Deleting a project removes its project row only.
    clickRow(tab->DBGrid4, 0);
    office.dialogs.answer(Dialogs::Answer::Ok);
    QTest::keyClick(tab->DBGrid4, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(office.ws.rows(u"select project_name from project"_s), QList<QStringList>{{u"NEW YEAR"_s}});
    QCOMPARE(office.ws.value(u"select count(*) from project_detail"_s), u"2"_s);
}

void TestBroadcasting::scheduleRecordsThePickedMinuteOnSavedProjectsOnly_data()
{
    QTest::addColumn<QLocale>("locale");
    // Day first with a 24-hour clock, month first with AM and PM: the stored moment is the same.
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
}

void TestBroadcasting::scheduleRecordsThePickedMinuteOnSavedProjectsOnly()
{
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);
    Office office;
    QLocale::setDefault(QLocale::c());
    office.ws.exec(u"insert into project(project_name, date_send) values ('RAYA', '2026-12-01 09:00:00')"_s);
    AnnouncementTab *tab = office.tab;
    office.window.dm().q_prj_dtl.repoint(ProjectStore::recipientsSql(u"RAYA"_s));
    tab->Edit12->setText(u"raya"_s);
    tab->DateTimePicker5->setDate(QDate(2026, 12, 25));
    tab->DateTimePicker6->setTime(QTime(22, 45, 30));
    QTest::mouseClick(tab->BitBtn6, Qt::LeftButton);
    QVERIFY(office.dialogs.shown().isEmpty());
    QCOMPARE(office.ws.rows(u"select project_name, project_broadcast__date, schedule, date_send from project"_s),
             (QList<QStringList>{{u"RAYA"_s, u"2026-12-25 22:45:00"_s, u"YES"_s, u"2026-12-01 09:00:00"_s}}));
    QVERIFY(tab->Edit12->text().isEmpty());
    QVERIFY(!office.window.dm().q_prj_dtl.isOpen());
    QCOMPARE(office.window.dm().q_prj_schedule.recordCount(), 1); // listed at once

    tab->Edit12->setText(u"NOT SAVED"_s);
    QTest::mouseClick(tab->BitBtn6, Qt::LeftButton);
    QCOMPARE(office.dialogs.warnings(), QStringList{QString::fromLatin1(ProjectStore::UnsavedScheduleWarning)});
    QCOMPARE(office.ws.value(u"select count(*) from project"_s), u"1"_s);
    QCOMPARE(tab->Edit12->text(), u"NOT SAVED"_s);
}

void TestBroadcasting::automaticGreetingInTheTrayHoldsItsBoxUntilTheWindowShows()
{
    Office office;
    office.ws.exec(u"insert into profile(name, mobile_number, birthday) values ('Ali', '6011', '09/12/1980')"_s);
    // By hand, with the port closed: the box comes as the run ends.
    QTest::mouseClick(office.tab->BitBtn11, Qt::LeftButton);
    QVERIFY(office.runs.wait());
    QCOMPARE(office.dialogs.errors().size(), 1);
    const QString portError = office.dialogs.errors().first();
    office.dialogs.clear();

    PreferenceTab *prefs = office.window.preferenceTab;
    prefs->CheckBox1->setChecked(true);
    prefs->DateTimePicker3->setTime(QTime(10, 30));
    office.window.hide();
    office.window.Timer1Timer();
    QVERIFY(office.runs.wait());
    QVERIFY(office.dialogs.shown().isEmpty());
    // The tray says why the greeting stopped.
    QCOMPARE(office.window.CiaTray1->lastBalloon(), portError);
    office.window.show();
    QCOMPARE(office.dialogs.errors(), QStringList{portError});
}

void TestBroadcasting::countersFollowTheirEditors_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QString>("costLabel");
    QTest::newRow("Malay") << u"RichEdit2"_s << u"Edit10"_s << u"smsCostMalay"_s;
    QTest::newRow("English") << u"RichEdit3"_s << u"Edit13"_s << u"smsCostEnglish"_s;
}

void TestBroadcasting::countersFollowTheirEditors()
{
    QFETCH(QString, editor);
    QFETCH(QString, counter);
    QFETCH(QString, costLabel);
    Office office;
    auto *text = office.window.findChild<QPlainTextEdit *>(editor);
    auto *count = office.window.findChild<QLineEdit *>(counter);
    const auto *cost = office.window.findChild<QLabel *>(costLabel);
    QCOMPARE(count->text(), u"0 characters"_s);
    QCOMPARE(cost->text(), u"1 SMS \u00B7 GSM"_s);
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

    QCOMPARE(cost->text(), u"1 SMS \u00B7 GSM"_s);

    // A line break travels as carriage return and line feed; an emoji is one character,
    // and sends the template in Unicode.
    text->setPlainText(u"ab\ncd \U0001F600"_s);
    QCOMPARE(count->text(), u"8 characters"_s);
    QCOMPARE(cost->text(), u"1 SMS \u00B7 Unicode"_s);
    text->setPlainText(u"Terima kasih \u2013 \u201Cjumpa lagi\u201D"_s.repeated(6));
    QCOMPARE(cost->text(), u"2 SMS \u00B7 GSM"_s);

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
    office.plugIn(modem);
    office.loadProject(u"('RAYA', '6011', 'Ali', 'Salam Ali'), ('RAYA', '6022', 'Siti', 'Salam Siti'), "
                       "('RAYA', '6033', 'Abu', 'Salam Abu')"_s);
    // The composer as a load leaves it.
    AnnouncementTab *tab = office.tab;
    tab->RichEdit2->setPlainText(u"Salam <name>"_s);
    tab->CheckListBox1->item(1)->setCheckState(Qt::Checked);
    tab->suiSpinEdit1->setValue(2);
    tab->suiSpinEdit2->setValue(1);
    // The network refuses Siti's message; its answer is taken during its last wait (the
    // 7th, after the progress window's hold), however long it takes.
    modem.answerWith(ModemSimulator::Input::Pdu, "+CMS ERROR: 500", 2);
    QStringList pauses;
    int waits = 0;
    office.clock.setWaitListener([&](int milliseconds, bool) {
        if (milliseconds == 60000)
            pauses << office.window.frm_wait().findChild<QLabel *>(u"Label1"_s)->text();
        if (++waits == 7)
            QVERIFY(QTest::qWaitFor([&] {
                return office.ws.value(u"select status from project_detail where name = 'Siti'"_s) == u"FAIL"_s;
            }));
    });

    QTest::mouseClick(tab->BitBtn10, Qt::LeftButton);
    QVERIFY(office.runs.wait());

    QVERIFY(office.dialogs.shown().isEmpty());
    QVERIFY(modem.waitForPdus(3));
    QCOMPARE(modem.texts(), (QStringList{u"Salam Ali "_s, u"Salam Siti "_s, u"Salam Abu "_s}));
    QCOMPARE(pauses, QStringList{u"Broadcast Pause for 1 minutes...."_s});
    QCOMPARE(office.ws.rows(u"select name, status from project_detail"_s),
             (QList<QStringList>{{u"Ali"_s, u"SEND"_s}, {u"Siti"_s, u"FAIL"_s}, {u"Abu"_s, u"SEND"_s}}));
    QCOMPARE(office.ws.value(u"select date_send from project"_s), u"2026-12-09 10:30:00"_s);
    // The progress window just goes: the tray tells how the run went.
    QCOMPARE(office.window.CiaTray1->lastBalloon(),
             u"Broadcast finished: 3 messages sent (3 SMS), 1 refused by the modem (they are in the failed-message queue)."_s);
    QVERIFY(tab->Edit12->text().isEmpty());
    QVERIFY(tab->RichEdit2->toPlainText().isEmpty());
    QCOMPARE(tab->CheckListBox1->item(1)->checkState(), Qt::Unchecked);
    QVERIFY(!office.window.dm().q_prj_dtl.isOpen());
    QTRY_VERIFY(!office.window.frm_wait().isVisible());

    // Cleared, the composer has no list to send.
    office.clock.setWaitListener({});
    QTest::mouseClick(tab->BitBtn10, Qt::LeftButton);
    QCOMPARE(office.dialogs.errors(), QStringList{u"Cannot perform this operation on a closed dataset."_s});
    QCOMPARE(office.ws.value(u"select count(*) from transaction_log"_s), u"4"_s);
}

void TestBroadcasting::aStoppedBroadcastSaysHowFarItGot()
{
    Office office;
    TestModem modem;
    office.plugIn(modem);
    office.loadProject(u"('RAYA', '6011', 'Ali', 'Salam Ali'), ('RAYA', '6022', 'Siti', 'Salam Siti'), "
                       "('RAYA', '6033', 'Abu', 'Salam Abu')"_s);
    // The operator clicks Stop while the first message waits for its last wait.
    office.clock.setWaitListener([&](int milliseconds, bool) {
        if (milliseconds == 5000)
            QTest::mouseClick(office.window.frm_wait().stopButton, Qt::LeftButton);
    });
    QTest::mouseClick(office.tab->BitBtn10, Qt::LeftButton);
    QVERIFY(office.runs.wait());
    QCOMPARE(office.window.CiaTray1->lastBalloon(), u"Broadcast stopped after 1 of 3 messages."_s);
    // The window keeps the figures it stopped at, then goes at its next tick, as after a
    // finished run.
    ProgressWindow &wait = office.window.frm_wait();
    QCOMPARE(wait.Label7->text(), u"1"_s);
    QCOMPARE(wait.stopButton->text(), u"Stop"_s);
    QTRY_VERIFY(!wait.isVisible());
    QCOMPARE(wait.Label7->text(), u"1"_s);
    QVERIFY(modem.waitForPdus(1));
    QCOMPARE(modem.destinations(), QStringList{u"6011"_s});
    QVERIFY(office.dialogs.shown().isEmpty());
    // Nothing of the end: the project is not stamped, the composer keeps its list.
    QCOMPARE(office.ws.value(u"select date_send is null from project"_s), u"1"_s);
    QVERIFY(office.window.dm().q_prj_dtl.isOpen());
}

void TestBroadcasting::busyWarningLeftOpenHoldsUpNoBroadcast()
{
    Office office;
    TestModem modem;
    office.plugIn(modem);
    office.ws.exec(u"insert into profile(name, mobile_number, birthday) values ('Ali', '6099', '09/12/1980')"_s);
    QStringList recipients;
    for (int i = 1; i <= 5; ++i)
        recipients << u"('RAYA', '601%1', 'Client %1', 'Salam %1')"_s.arg(i);
    office.loadProject(recipients.join(u", "_s));

    const QString greetingList = office.window.dm().q_prof_birthday.sql();
    QTest::mouseClick(office.tab->BitBtn10, Qt::LeftButton);
    // A click on the birthday greeting meets the busy warning; nobody answers it until
    // the broadcast has gone out whole.
    office.dialogs.keepBoxesOpenUntil([&] { return !office.window.runState().isSending(); });
    QTest::mouseClick(office.tab->BitBtn11, Qt::LeftButton);
    QCOMPARE(office.dialogs.warnings(), QStringList{QString::fromLatin1(RunState::BusyText)});
    QCOMPARE(office.runs.reports.size(), 1);
    QCOMPARE(office.runs.reports.first().end, RunReport::End::Completed);
    QVERIFY(modem.waitForPdus(5));
    QCOMPARE(modem.destinations(), (QStringList{u"6011"_s, u"6012"_s, u"6013"_s, u"6014"_s, u"6015"_s}));
    QCOMPARE(office.ws.value(u"select date_send from project"_s), u"2026-12-09 10:30:00"_s);
    // The greeting list was not touched by the refused click.
    QCOMPARE(office.window.dm().q_prof_birthday.sql(), greetingList);
}

void TestBroadcasting::contactsNamedInChineseAndTamilGetTheirMessageWhole()
{
    Office office;
    TestModem modem;
    office.plugIn(modem);
    office.ws.exec(
        u"insert into text_replacement(geeting, nickname, name) values ('<greeting>', '<nick>', '<name>')"_s);
    office.ws.exec(u"insert into profile(name, nickname, mobile_number, group_name, languages, greeting) values "
                   "('\u9648\u5927\u6587', '\u5927\u6587', '6011', 'STAFF', 'MALAY', 'Encik'), "
                   "('\u0BAE\u0BC1\u0BB0\u0BC1\u0B95\u0BA9\u0BCD', '\u0BAE\u0BC1\u0BB0\u0BC1', '6022', 'STAFF', "
                   "'ENGLISH', 'Mr'), "
                   "('Ali', 'Li', '6033', 'STAFF', 'MALAY', 'Tuan')"_s);
    AnnouncementTab *tab = office.tab;
    const QString sale = u" Jualan murah \u201Cakhir tahun\u201D bermula esok \u2013 diskaun sehingga 50%, "
                         "datang awal untuk hadiah percuma! \U0001F381"_s;
    tab->RichEdit2->setPlainText(u"Salam <greeting> <name>,"_s + sale);
    tab->RichEdit3->setPlainText(u"Dear <greeting> <nick>,"_s + sale);
    office.dialogs.answer(Dialogs::Answer::Yes);
    office.save(u"SALE"_s, {u"STAFF"_s});
    QCOMPARE(office.ws.value(u"select count(*) from project_detail"_s), u"3"_s);
    office.dialogs.clear();
    // The template may look like one SMS; the list tells what each personal text costs.
    clickRow(tab->DBGrid3, 1);
    QCOMPARE(hintOver(tab->DBGrid3, 0, 1),
             u"Dear Mr \u0BAE\u0BC1\u0BB0\u0BC1,"_s + sale + u"\n\n2 SMS \u00B7 Unicode"_s);

    QTest::mouseClick(tab->BitBtn10, Qt::LeftButton);
    QVERIFY(office.runs.wait());
    QVERIFY(office.dialogs.shown().isEmpty());
    // Every message, as the phone puts its parts together: the personal text and the
    // blank the split adds, curly quotes, dash, Chinese, Tamil and the gift intact.
    QTRY_COMPARE(modem.messages().size(), 3);
    QCOMPARE(modem.shownTexts(),
             (QStringList{u"Salam Encik \u9648\u5927\u6587,"_s + sale + u' ',
                          u"Dear Mr \u0BAE\u0BC1\u0BB0\u0BC1,"_s + sale + u' ', u"Salam Tuan Ali,"_s + sale + u' '}));
    for (const ModemSimulator::ShownMessage &message : modem.messages()) {
        QCOMPARE(message.alphabet, Alphabet::Ucs2); // the gift is no GSM character
        QCOMPARE(message.parts, 2);
    }
    QCOMPARE(office.ws.rows(u"select distinct status from project_detail"_s), QList<QStringList>{{u"SEND"_s}});
    // Each SMS has its log row, holding its part.
    QCOMPARE(office.ws.value(u"select count(*) from transaction_log"_s), u"6"_s);
}

void TestBroadcasting::aRunsRowsCannotBeChangedUnderIt()
{
    Office office;
    office.addContacts();
    TestModem modem;
    office.plugIn(modem);
    AnnouncementTab *tab = office.tab;
    tab->RichEdit2->setPlainText(u"Salam <name>"_s);
    tab->RichEdit3->setPlainText(u"Hello <name>"_s);
    office.dialogs.answer(Dialogs::Answer::Yes);
    office.save(u"RAYA"_s, {u"STAFF"_s});
    office.dialogs.clear();
    const QList<QStringList> groups = office.ws.rows(u"select * from project_group"_s);
    QCOMPARE(office.ws.value(u"select count(*) from project_detail"_s), u"3"_s);

    // While the first message waits for its last wait, the operator saves the project
    // again, deletes a recipient and the project, and another program deletes the third
    // recipient.
    bool acted = false;
    office.clock.setWaitListener([&](int milliseconds, bool) {
        if (milliseconds != 5000 || acted)
            return;
        acted = true;
        office.dialogs.answer(Dialogs::Answer::Yes);
        QTest::mouseClick(tab->BitBtn8, Qt::LeftButton);
        clickRow(tab->DBGrid3, 1);
        office.dialogs.answer(Dialogs::Answer::Ok);
        QTest::keyClick(tab->DBGrid3, Qt::Key_Delete, Qt::ControlModifier);
        clickRow(tab->DBGrid4, 0);
        office.dialogs.answer(Dialogs::Answer::Ok);
        QTest::keyClick(tab->DBGrid4, Qt::Key_Delete, Qt::ControlModifier);
        office.ws.exec(u"delete from project_detail where name = 'Chan'"_s);
    });
    QTest::mouseClick(tab->BitBtn10, Qt::LeftButton);
    QVERIFY(office.runs.wait());
    QVERIFY(acted);
    QCOMPARE(office.dialogs.warnings(), QStringList(3, QString::fromLatin1(RunState::BusyText)));
    // The two left went out; the deleted one did not; the project is stamped.
    QCOMPARE(modem.destinations(), (QStringList{u"6011"_s, u"6022"_s}));
    QCOMPARE(office.ws.rows(u"select name, status from project_detail"_s),
             (QList<QStringList>{{u"Ali"_s, u"SEND"_s}, {u"Siti"_s, u"SEND"_s}}));
    QCOMPARE(office.ws.rows(u"select project_name, date_send is not null from project"_s),
             (QList<QStringList>{{u"RAYA"_s, u"1"_s}}));
    QCOMPARE(office.ws.rows(u"select * from project_group"_s), groups);
}

QTEST_MAIN(TestBroadcasting)
#include "tst_broadcasting.moc"
