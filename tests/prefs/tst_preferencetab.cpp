#include "widgets/DatasetGrid.h"
#include "widgets/DatasetNavigator.h"
#include "widgets/DropDownBox.h"
#include "base/Clock.h"
#include "data/DataModule.h"
#include "prefs/ModemListDialog.h"
#include "prefs/PreferenceTab.h"
#include "support/FolderTreeStart.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTableWidget>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

// The tab on a fresh database, shown as an active window so that focus moves for real.
struct Fixture {
    Fixture()
    {
        dm.q_group.open();
        dm.q_greeting.open();
        tab.resize(941, 495);
        tab.show();
        tab.activateWindow();
    }

    bool ready() { return QTest::qWaitForWindowActive(&tab); }

    // Focus into the control, then on to a box that is no setting: the control is left.
    void leave(QWidget *control)
    {
        control->setFocus();
        QApplication::processEvents();
        tab.Edit9->setFocus();
        QApplication::processEvents();
    }

    QString stored(const QString &table, const QString &field) const
    {
        return ws.value(QStringLiteral("select %1 from %2 order by rowid").arg(field, table));
    }

    TestWorkspace ws;
    ScriptedDialogs dialogs;
    DataModule dm;
    Settings settings{dm};
    Clock clock;
    PreferenceTab tab{dm, settings, dialogs, clock};
};

QStringList column(const TestWorkspace &ws, const QString &statement)
{
    QStringList values;
    const QList<QStringList> rows = ws.rows(statement);
    for (const QStringList &row : rows)
        values << row.join(QLatin1Char('|'));
    return values;
}

// Where a line edit draws its text, worked out as it does when it paints: the style's
// contents rectangle less the text margins and the edit's own 2 pixels a side.
QRect textArea(const QLineEdit *box)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.rect = box->contentsRect();
    option.lineWidth = box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
    option.state |= QStyle::State_Sunken;
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    return contents.marginsRemoved(box->textMargins()).adjusted(2, 0, -2, 0);
}

} // namespace

class TestPreferenceTab : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everySettingIsStoredOnLeavingItsControl();
    void onlyTheFirstRowOfASettingsTableIsWritten();
    void focusedSettingIsStoredWhenTheWindowAsks();
    void typedTimeIsTakenAndStoredWhenTabLeavesTheBox();
    void refusedValueIsReportedAndKeptInTheBox();
    void emptyBoxesAreRefusedAndTakeTheFocusBack();
    void groupsAreUpperCaseAndMayRepeat();
    void greetingsTakeTheLanguageListsText();
    void languageListOffersTheTwoStoredLanguages();
    void numberAndLanguageBoxesShowTheirTextWhole();
    void deleteButtonsAskFirst();
    void backupFoldersStartAtHomeUnderTheRoot();
    void backupIntoTheFolderSelectedInTheTree();
    void failedBackupSaysWhyAndReportsNoSuccess();
    void theModemListIsStoredAsItIsEdited();
};

void TestPreferenceTab::everySettingIsStoredOnLeavingItsControl()
{
    Fixture f;
    QVERIFY(f.ready());
    PreferenceTab &tab = f.tab;

    struct Case {
        QWidget *control;
        QString table;
        QString field;
        QString expected;
    };
    tab.CheckBox1->setChecked(true);
    tab.CheckBox2->setChecked(false);
    tab.CheckBoxAnswers->setChecked(true);
    tab.DateTimePicker3->setDateTime(QDateTime(QDate(2000, 1, 1), QTime(8, 30)));
    tab.DateTimePicker4->setDateTime(QDateTime(QDate(2001, 2, 3), QTime(21, 5)));
    tab.Memo1->setPlainText(QStringLiteral("Happy birthday\n<NAME>"));
    tab.Memo3->setPlainText(QStringLiteral("Selamat hari jadi\n\nDari kami"));
    tab.Memo2->setPlainText(QStringLiteral("Happy anniversary"));
    tab.Memo4->setPlainText(QStringLiteral("Ulang tahun\nperkahwinan"));
    tab.Edit6->setText(QStringLiteral("<N>"));
    tab.Edit7->setText(QStringLiteral("<K>"));
    tab.Edit8->setText(QStringLiteral("<G>"));
    tab.suiEdit2->setText(QStringLiteral("<1>"));
    tab.suiEdit3->setText(QStringLiteral(" <2> "));
    tab.suiEdit1->setText(QStringLiteral("+60 12-345 6789"));
    QTest::keyClicks(tab.suiEdit6, QStringLiteral("english"));
    QTest::keyClicks(tab.suiEdit7, QStringLiteral("Bahasa"));

    const QList<Case> cases{
        {tab.CheckBox1, u"birthday"_s, u"auto_broadcast"_s, u"YES"_s},
        {tab.CheckBox2, u"anniversary"_s, u"auto_broadcast"_s, u"NO"_s},
        {tab.DateTimePicker3, u"birthday"_s, u"auto_broadcast_time"_s, u"2000-01-01 08:30:00"_s},
        {tab.DateTimePicker4, u"anniversary"_s, u"auto_broadcast_time"_s, u"2001-02-03 21:05:00"_s},
        {tab.Memo1, u"birthday"_s, u"msg_eng"_s, u"Happy birthday\n<NAME>"_s},
        {tab.Memo3, u"birthday"_s, u"msg_malay"_s, u"Selamat hari jadi\n\nDari kami"_s},
        {tab.Memo2, u"anniversary"_s, u"msg_eng"_s, u"Happy anniversary"_s},
        {tab.Memo4, u"anniversary"_s, u"msg_malay"_s, u"Ulang tahun\nperkahwinan"_s},
        {tab.Edit6, u"text_replacement"_s, u"name"_s, u"<N>"_s},
        {tab.Edit7, u"text_replacement"_s, u"nickname"_s, u"<K>"_s},
        {tab.Edit8, u"text_replacement"_s, u"geeting"_s, u"<G>"_s},
        {tab.suiEdit2, u"text_replacement"_s, u"var1"_s, u"<1>"_s},
        {tab.suiEdit3, u"text_replacement"_s, u"var2"_s, u" <2> "_s},
        {tab.suiEdit1, u"smsc"_s, u"center_number"_s, u"+60 12-345 6789"_s},
        {tab.suiEdit6, u"languages"_s, u"lang1"_s, u"ENGLISH"_s},
        {tab.suiEdit7, u"languages"_s, u"lang2"_s, u"BAHASA"_s},
        {tab.CheckBoxAnswers, u"options where name = 'answers'"_s, u"value"_s, u"YES"_s},
    };
    for (const Case &c : cases) {
        f.leave(c.control);
        QVERIFY2(f.stored(c.table, c.field) == c.expected, qPrintable(c.control->objectName()));
    }
    // The first save into each empty table made its one row; the others changed it.
    for (const char *table : {"birthday", "anniversary", "text_replacement", "smsc", "languages"})
        QCOMPARE(f.ws.value(QStringLiteral("select count(*) from %1").arg(QLatin1String(table))), QStringLiteral("1"));
    QCOMPARE(f.stored(QStringLiteral("birthday"), QStringLiteral("msg_eng")), QStringLiteral("Happy birthday\n<NAME>"));

    // Leaving stores again, changed or not; an emptied box stores an empty text.
    tab.Edit7->clear();
    f.leave(tab.Edit7);
    QCOMPARE(f.stored(QStringLiteral("text_replacement"), QStringLiteral("nickname")), QString());
    f.ws.exec(QStringLiteral("update smsc set center_number = 'elsewhere'"));
    f.leave(tab.suiEdit1);
    QCOMPARE(f.stored(QStringLiteral("smsc"), QStringLiteral("center_number")), QStringLiteral("+60 12-345 6789"));
    QVERIFY(f.dialogs.shown().isEmpty());
}

void TestPreferenceTab::onlyTheFirstRowOfASettingsTableIsWritten()
{
    Fixture f;
    f.ws.exec(
        QStringLiteral("insert into birthday(auto_broadcast, msg_eng) values ('YES', 'first'), ('YES', 'second')"));
    f.ws.exec(QStringLiteral("insert into languages(lang1, lang2) values ('A', 'B'), ('C', 'D')"));
    f.ws.exec(QStringLiteral("insert into smsc values ('111'), ('222')"));
    QVERIFY(f.ready());

    f.tab.CheckBox1->setChecked(false);
    f.leave(f.tab.CheckBox1);
    QTest::keyClicks(f.tab.suiEdit7, QStringLiteral("iban"));
    f.leave(f.tab.suiEdit7);
    f.tab.suiEdit1->setText(QStringLiteral("333"));
    f.leave(f.tab.suiEdit1);

    QCOMPARE(column(f.ws, QStringLiteral("select auto_broadcast, msg_eng from birthday order by id")),
             (QStringList{u"NO|first"_s, u"YES|second"_s}));
    QCOMPARE(column(f.ws, QStringLiteral("select lang1, lang2 from languages order by ID")),
             (QStringList{u"A|IBAN"_s, u"C|D"_s}));
    QCOMPARE(column(f.ws, QStringLiteral("select center_number from smsc order by rowid")),
             (QStringList{u"333"_s, u"222"_s}));
}

void TestPreferenceTab::focusedSettingIsStoredWhenTheWindowAsks()
{
    Fixture f;
    QVERIFY(f.ready());
    f.tab.Memo4->setFocus();
    QTest::keyClicks(f.tab.Memo4, QStringLiteral("typed, never left"));
    f.tab.storeFocusedSetting();
    QCOMPARE(f.stored(QStringLiteral("anniversary"), QStringLiteral("msg_malay")), QStringLiteral("typed, never left"));

    // The time picker's focus sits on its text field, a part of the control.
    f.tab.DateTimePicker4->setFocus();
    f.tab.DateTimePicker4->setTime(QTime(7, 45));
    f.tab.storeFocusedSetting();
    QCOMPARE(f.stored(QStringLiteral("anniversary"), QStringLiteral("auto_broadcast_time")).right(8),
             QStringLiteral("07:45:00"));

    // A box that is no setting stores nothing.
    f.tab.Edit5->setFocus();
    QTest::keyClicks(f.tab.Edit5, QStringLiteral("vip"));
    f.tab.storeFocusedSetting();
    QCOMPARE(f.ws.value(QStringLiteral("select count(*) from grouping")), QStringLiteral("0"));
    QCOMPARE(f.ws.value(QStringLiteral("select count(*) from anniversary")), QStringLiteral("1"));
    QVERIFY(f.dialogs.shown().isEmpty());
}

void TestPreferenceTab::typedTimeIsTakenAndStoredWhenTabLeavesTheBox()
{
    Fixture f;
    QVERIFY(f.ready());
    for (QDateTimeEdit *picker : {f.tab.DateTimePicker3, f.tab.DateTimePicker4}) {
        picker->setTime(QTime(12, 0));
        // A click on the hour, as a user picks the part to change, then its digits; the
        // minutes follow.
        auto *text = picker->findChild<QLineEdit *>();
        const QPoint hour(text->fontMetrics().horizontalAdvance(u"1"_s) + 3, 5);
        QTest::mouseClick(text, Qt::LeftButton, {}, hour);
        QCOMPARE(QApplication::focusWidget(), picker);
        QTest::keyClicks(picker, u"0345"_s);
        QCOMPARE(picker->time(), QTime(15, 45));
        // A letter sets the half of the day from any part.
        QTest::mouseClick(text, Qt::LeftButton, {}, hour);
        QTest::keyClicks(picker, u"a"_s);
        QCOMPARE(picker->time(), QTime(3, 45));
        // Typed whole, "AM" shows as typed, its second letter taken as part of it.
        QTest::mouseClick(text, Qt::LeftButton, {}, hour);
        QTest::keyClicks(picker, u"0830PM"_s);
        QCOMPARE(text->text(), u"08:30 PM"_s);
        QCOMPARE(picker->time(), QTime(20, 30));
        QTest::mouseClick(text, Qt::LeftButton, {}, hour);
        QTest::keyClicks(picker, u"0345am"_s);
        QCOMPARE(text->text(), u"03:45 AM"_s);
        QCOMPARE(picker->time(), QTime(3, 45));
        // Tab leaves the box, from whichever part, and leaving stores the time.
        QTest::mouseClick(text, Qt::LeftButton, {}, hour);
        QTest::keyClick(picker, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != picker);
    }
    QCOMPARE(f.stored(u"birthday"_s, u"auto_broadcast_time"_s).right(8), u"03:45:00"_s);
    QCOMPARE(f.stored(u"anniversary"_s, u"auto_broadcast_time"_s).right(8), u"03:45:00"_s);
    QVERIFY(f.dialogs.shown().isEmpty());
}

void TestPreferenceTab::refusedValueIsReportedAndKeptInTheBox()
{
    Fixture f;
    QVERIFY(f.ready());
    const QString tooLong(51, QLatin1Char('9'));
    f.tab.suiEdit1->setText(tooLong);
    f.leave(f.tab.suiEdit1);
    QCOMPARE(f.dialogs.errors(), QStringList{QStringLiteral("The field center_number takes at most 50 characters.")});
    QCOMPARE(f.ws.value(QStringLiteral("select count(*) from smsc")), QStringLiteral("0"));
    QCOMPARE(f.tab.suiEdit1->text(), tooLong);

    // Put right, it is stored the next time the box is left.
    f.tab.suiEdit1->setText(tooLong.left(50));
    f.leave(f.tab.suiEdit1);
    QCOMPARE(f.stored(QStringLiteral("smsc"), QStringLiteral("center_number")), tooLong.left(50));
}

void TestPreferenceTab::emptyBoxesAreRefusedAndTakeTheFocusBack()
{
    Fixture f;
    QVERIFY(f.ready());
    f.tab.suiEdit1->setFocus();
    QTest::mouseClick(f.tab.BitBtn3, Qt::LeftButton);
    QCOMPARE(f.dialogs.warnings(), QStringList{QStringLiteral("Mandatory field was empty")});
    QCOMPARE(QApplication::focusWidget(), f.tab.Edit5);

    f.dialogs.clear();
    f.tab.ComboBox4->setEditText(QStringLiteral("ENGLISH"));
    QTest::mouseClick(f.tab.BitBtn5, Qt::LeftButton);
    QCOMPARE(f.dialogs.warnings(), QStringList{QStringLiteral("Mandatory fields was empty")});
    QCOMPARE(QApplication::focusWidget(), f.tab.Edit9);
    QCOMPARE(f.tab.ComboBox4->currentText(), QStringLiteral("ENGLISH"));

    QCOMPARE(f.ws.value(QStringLiteral("select count(*) from grouping")), QStringLiteral("0"));
    QCOMPARE(f.ws.value(QStringLiteral("select count(*) from greeting")), QStringLiteral("0"));
}

void TestPreferenceTab::groupsAreUpperCaseAndMayRepeat()
{
    Fixture f;
    QVERIFY(f.ready());
    for (const QString &typed : {QStringLiteral("staff"), QStringLiteral("Staff"), QStringLiteral("  ")}) {
        QTest::keyClicks(f.tab.Edit5, typed);
        QCOMPARE(f.tab.Edit5->text(), typed.toUpper());
        QTest::mouseClick(f.tab.BitBtn3, Qt::LeftButton);
        QCOMPARE(f.tab.Edit5->text(), QString());
        QCOMPARE(QApplication::focusWidget(), f.tab.Edit5);
    }
    QCOMPARE(column(f.ws, QStringLiteral("select group_name from grouping order by id")),
             (QStringList{u"STAFF"_s, u"STAFF"_s, u"  "_s}));
    QCOMPARE(f.tab.DBGrid5->model()->rowCount(), 3);
    QCOMPARE(f.tab.DBGrid5->model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("GROUP"));
    QCOMPARE(f.tab.DBGrid5->model()->columnCount(), 1);
    QVERIFY(f.dialogs.shown().isEmpty());
}

void TestPreferenceTab::greetingsTakeTheLanguageListsText()
{
    Fixture f;
    QVERIFY(f.ready());
    QCOMPARE(f.tab.ComboBox4->currentText(), QStringLiteral("MALAY"));
    QTest::keyClicks(f.tab.Edit9, QStringLiteral("Encik"));
    QTest::mouseClick(f.tab.BitBtn5, Qt::LeftButton);
    f.tab.ComboBox4->setEditText(QStringLiteral("Iban"));
    QTest::keyClicks(f.tab.Edit9, QStringLiteral("Dear \"friend\""));
    QTest::mouseClick(f.tab.BitBtn5, Qt::LeftButton);

    QCOMPARE(column(f.ws, QStringLiteral("select language, greeting from greeting order by id")),
             (QStringList{u"MALAY|Encik"_s, u"Iban|Dear \"friend\""_s}));
    QCOMPARE(f.tab.Edit9->text(), QString());
    QCOMPARE(f.tab.ComboBox4->currentText(), QStringLiteral("Iban"));
    QAbstractItemModel *grid = f.tab.DBGrid2->model();
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("LANGUAGE"));
    QCOMPARE(grid->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("GREETING"));
    QCOMPARE(grid->index(1, 1).data().toString(), QStringLiteral("Dear \"friend\""));
}

void TestPreferenceTab::languageListOffersTheTwoStoredLanguages()
{
    Fixture f;
    QVERIFY(f.ready());
    QComboBox *list = f.tab.ComboBox4;
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QStringLiteral("ENGLISH"));
    QCOMPARE(list->itemText(1), QStringLiteral("MALAY"));

    // No languages row yet: two empty items, and the text stays.
    list->showPopup();
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QString());
    QCOMPARE(list->itemText(1), QString());
    QCOMPARE(list->currentText(), QStringLiteral("MALAY"));
    list->hidePopup();

    // Each drop-down reads the table again.
    f.ws.exec(QStringLiteral("insert into languages(lang1, lang2) values ('ENGLISH', 'IBAN')"));
    list->showPopup();
    QCOMPARE(list->itemText(0), QStringLiteral("ENGLISH"));
    QCOMPARE(list->itemText(1), QStringLiteral("IBAN"));
    QCOMPARE(list->currentText(), QStringLiteral("MALAY"));
    list->hidePopup();
    QVERIFY(f.dialogs.shown().isEmpty());
}

void TestPreferenceTab::numberAndLanguageBoxesShowTheirTextWhole()
{
    Fixture f;
    QVERIFY(f.ready());
    const QList<std::pair<QLineEdit *, QString>> cases{
        {f.tab.suiEdit6, u"INDONESIAN"_s},
        {f.tab.suiEdit7, u"PORTUGUESE"_s},
        {f.tab.suiEdit1, u"+60123456789"_s}, // the message centre number beside them
    };
    for (const auto &[box, text] : cases)
        QVERIFY2(textArea(box).width() >= box->fontMetrics().horizontalAdvance(text), qPrintable(box->objectName()));
}

void TestPreferenceTab::deleteButtonsAskFirst()
{
    Fixture f;
    f.ws.exec(QStringLiteral("insert into grouping(group_name) values ('STAFF'), ('VIP')"));
    f.ws.exec(QStringLiteral("insert into greeting(language, greeting) values ('MALAY', 'Encik')"));
    f.dm.q_group.refresh();
    f.dm.q_greeting.refresh();
    QVERIFY(f.ready());

    const QList<QToolButton *> buttons = f.tab.DBNavigator2->findChildren<QToolButton *>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(f.tab.DBNavigator3->findChildren<QToolButton *>().size(), 1);
    QToolButton *removeGroup = buttons.first();

    f.tab.DBGrid5->selectRow(1);
    QTest::mouseClick(removeGroup, Qt::LeftButton); // unanswered: Cancel
    QCOMPARE(f.ws.value(QStringLiteral("select count(*) from grouping")), QStringLiteral("2"));
    f.dialogs.answer(Dialogs::Answer::Ok);
    QTest::mouseClick(removeGroup, Qt::LeftButton);
    QCOMPARE(column(f.ws, QStringLiteral("select group_name from grouping")), QStringList{QStringLiteral("STAFF")});

    f.dialogs.answer(Dialogs::Answer::Ok);
    QTest::mouseClick(f.tab.DBNavigator3->findChild<QToolButton *>(), Qt::LeftButton);
    QCOMPARE(f.ws.value(QStringLiteral("select count(*) from greeting")), QStringLiteral("0"));
    QCOMPARE(f.dialogs.texts(QStringLiteral("confirm")),
             (QStringList{u"Delete record?"_s, u"Delete record?"_s, u"Delete record?"_s}));
}

void TestPreferenceTab::backupFoldersStartAtHomeUnderTheRoot()
{
    TestHome home;
    Fixture f;
    QVERIFY(f.ready());
    QTRY_COMPARE_WITH_TIMEOUT(folderTreeStartProblem(f.tab.ShellTreeView1), QString(), 30000);
    QCOMPARE(f.tab.selectedFolder(), home.path());
}

void TestPreferenceTab::backupIntoTheFolderSelectedInTheTree()
{
    Fixture f;
    f.clock.setFixedNow(QDateTime(QDate(2026, 12, 8), QTime(17, 0)));
    f.ws.exec(QStringLiteral("insert into profile(name) values ('Aminah')"));
    QTemporaryDir target;
    QVERIFY(f.ready());

    // A right click on a folder selects it.
    auto *folders = qobject_cast<QFileSystemModel *>(f.tab.ShellTreeView1->model());
    QVERIFY(folders);
    const QModelIndex folder = folders->index(target.path());
    f.tab.ShellTreeView1->scrollTo(folder);
    QTRY_VERIFY(f.tab.ShellTreeView1->visualRect(folder).isValid());
    QTest::mouseClick(f.tab.ShellTreeView1->viewport(), Qt::RightButton, {},
                      f.tab.ShellTreeView1->visualRect(folder).center());
    QCOMPARE(f.tab.selectedFolder(), target.path());

    QTest::mouseClick(f.tab.BitBtn7, Qt::LeftButton);
    QCOMPARE(f.dialogs.errors(), QStringList());
    QCOMPARE(f.dialogs.shown().size(), 1);
    QCOMPARE(f.dialogs.shown().first().kind, QStringLiteral("information"));
    QCOMPARE(f.dialogs.shown().first().title, QStringLiteral("Backup successful"));
    QCOMPARE(f.dialogs.shown().first().text, QStringLiteral("Your data has been sucessfully backed up."));
    // The day/month/year format of the test's locale, "/" turned into "_".
    QCOMPARE(QDir(target.path()).entryList(QDir::Files), QStringList{QStringLiteral("08_12_2026Dovrel.mdb")});
}

void TestPreferenceTab::failedBackupSaysWhyAndReportsNoSuccess()
{
    Fixture f;
    QVERIFY(f.ready());
    f.tab.ShellTreeView1->setCurrentIndex(QModelIndex());
    QTest::mouseClick(f.tab.BitBtn7, Qt::LeftButton);
    QCOMPARE(f.dialogs.errors(), QStringList{QStringLiteral("Choose the folder to back up into in the folder tree.")});

    f.dialogs.clear();
    auto *folders = qobject_cast<QFileSystemModel *>(f.tab.ShellTreeView1->model());
    f.tab.ShellTreeView1->setCurrentIndex(folders->index(QStringLiteral("/proc")));
    QTest::mouseClick(f.tab.BitBtn7, Qt::LeftButton);
    QCOMPARE(f.dialogs.shown().size(), 1);
    QVERIFY(f.dialogs.errors().value(0).startsWith(QStringLiteral("Cannot write into the folder '/proc': ")));
}

void TestPreferenceTab::theModemListIsStoredAsItIsEdited()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    DataModule dm;
    Settings settings(dm);
    QList<SerialSettings> answers;
    SerialSettings usb;
    usb.portName = u"/dev/serial/by-id/usb-HUAWEI_E3531-if00-port0"_s;
    usb.baudRate = 115200;
    SerialSettings second;
    second.portName = u"ttyUSB4"_s;
    answers << usb << second;
    const PortSetupPrompt prompt = [&](const SerialSettings &) -> std::optional<SerialSettings> {
        if (answers.isEmpty())
            return std::nullopt;
        return answers.takeFirst();
    };
    ModemListDialog list(settings, dialogs, prompt, [](const QString &port) -> QString { return port + u": closed"_s; });
    list.add();
    list.add();
    const QString stored = u"select port, line_settings, enabled, centre_number from modem order by id"_s;
    QCOMPARE(ws.rows(stored),
             (QList<QStringList>{{usb.portName, u"115200,8,1,None,None"_s, u"YES"_s, QString()},
                                 {u"ttyUSB4"_s, u"9600,8,1,None,None"_s, u"YES"_s, QString()}}));
    QCOMPARE(list.modemList->item(1, 4)->text(), u"ttyUSB4: closed"_s);
    // The second off, with a message centre of its own; then cancelled changes change nothing.
    list.modemList->item(1, 2)->setCheckState(Qt::Unchecked);
    list.modemList->item(1, 3)->setText(u" +60120000099 "_s);
    list.modemList->selectRow(1);
    list.change();
    QCOMPARE(ws.rows(stored).at(1), (QStringList{u"ttyUSB4"_s, u"9600,8,1,None,None"_s, u"NO"_s, u"+60120000099"_s}));
    // Removed after the question, the first modem is left; read back as stored.
    dialogs.answer(Dialogs::Answer::Ok);
    list.remove();
    QCOMPARE(dialogs.texts(u"confirm"_s), QStringList{u"Delete record?"_s});
    Settings again(dm);
    again.load();
    QCOMPARE(again.modems(), (QList<ModemSetup>{{usb.portName, u"115200,8,1,None,None"_s, true, QString()}}));
    QCOMPARE(serialSettingsOf(again.modems().first().port, again.modems().first().lineSettings).baudRate, 115200);
}

int main(int argc, char *argv[])
{
    // Backups are named in the system's short date format: day/month/year here.
    qputenv("LC_ALL", "en_GB.UTF-8");
    QApplication app(argc, argv);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    TestPreferenceTab test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_preferencetab.moc"
