#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "base/Clock.h"
#include "base/Errors.h"
#include "broadcast/AnnouncementTab.h"
#include "contacts/ProfileTab.h"
#include "prefs/PreferenceTab.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void frameTabsAndHeader();
    void headerLinksTurnRedUnderThePointerAndOpen();
    void showingLoadsEverySetting();
    void showingOnEmptySettingsTablesEmptiesTheBoxes();
    void schedulePickerTakesTheClocksDateAndTimeAtEachShowing();
    void missingDatabaseShowsErrorAndWindowAllTheSame();
    void timer2ShowsWindowOnceAfterStart();
    void splashWindow();
    void fullStopRule_data();
    void fullStopRule();
    void guardShowsErrorAndReportsFailure();

private:
    Clock m_clock;
};

void TestMainWindow::init()
{
    m_clock.setScale(0.001);
    m_clock.setFixedNow(QDateTime(QDate(2026, 12, 8), QTime(10, 15)));
}

void TestMainWindow::frameTabsAndHeader()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    QCOMPARE(window.objectName(), QStringLiteral("f_main"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Brivora ver 1.3 ~ Personalize Bulk SMS Broadcaster"));
    QCOMPARE(window.size(), QSize(947, 570));
    QCOMPARE(window.minimumSize(), window.maximumSize());

    QStringList captions;
    QStringList sheets;
    for (int i = 0; i < window.PageControl1->count(); ++i) {
        captions << window.PageControl1->tabText(i);
        sheets << window.PageControl1->widget(i)->objectName();
    }
    QCOMPARE(captions,
             (QStringList{u"Profile"_s, u"SMS Anouncement && Broadcast"_s, u"Broadcast Schedule List"_s,
                          u"Broadcast Queue List (Fail Send)"_s, u"Reports"_s, u"Transaction Log"_s, u"Inbox"_s,
                          u"Preference"_s}));
    QCOMPARE(sheets,
             (QStringList{u"TabSheet1"_s, u"TabSheet3"_s, u"TabSheet5"_s, u"suiTabSheet1"_s, u"TabSheet2"_s,
                          u"suiTabSheet2"_s, u"TabSheetInbox"_s, u"TabSheet4"_s}));
    QCOMPARE(window.PageControl1->currentWidget(), window.profileTab);

    // Only the selected sheet takes input.
    window.PageControl1->setCurrentWidget(window.preferenceTab);
    QVERIFY(window.preferenceTab->isEnabled());
    QVERIFY(!window.profileTab->isEnabled());

    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("Label29"))->text(), QStringLiteral("Phone Status :"));
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("suiURLLabel1"))
                ->text()
                .contains(QStringLiteral("Brivora Online support")));
    QVERIFY(
        window.findChild<QLabel *>(QStringLiteral("suiURLLabel2"))->text().contains(QStringLiteral("Built-in Help")));
    QVERIFY(dialogs.shown().isEmpty());
}

void TestMainWindow::headerLinksTurnRedUnderThePointerAndOpen()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    QList<QUrl> opened;
    window.setUrlOpener([&opened](const QUrl &url) {
        opened << url;
        return true;
    });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *support = window.findChild<QLabel *>(u"suiURLLabel1"_s);
    auto *help = window.findChild<QLabel *>(u"suiURLLabel2"_s);
    // The underline shows the text's colour unblended.
    const auto inked = [](QWidget *link, QRgb ink) {
        const QImage image = link->grab().toImage();
        for (int i = 0; i < image.width() * image.height(); ++i)
            if (image.pixel(i % image.width(), i / image.width()) == ink)
                return true;
        return false;
    };
    const QRgb blue = qRgb(0, 0, 255), red = qRgb(255, 0, 0);
    QTest::mouseMove(support, support->rect().center());
    QTRY_VERIFY(inked(support, red) && !inked(support, blue));
    QVERIFY(inked(help, blue) && !inked(help, red));
    QTest::mouseMove(help, help->rect().center());
    QTRY_VERIFY(inked(help, red) && inked(support, blue) && !inked(support, red));

    QTest::mouseClick(support, Qt::LeftButton);
    QTest::mouseClick(help, Qt::LeftButton); // no help file: the guide built into the program, nothing is said
    const auto *guide = window.findChild<HelpWindow *>();
    QVERIFY(guide && guide->isVisible());
    QFile helpFile(ws.path() + u"/brivora-1.chm"_s);
    QVERIFY(helpFile.open(QIODevice::WriteOnly));
    QTest::mouseClick(help, Qt::LeftButton);
    QCOMPARE(opened.size(), 2);
    QCOMPARE(opened.first(), QUrl(u"https://www.brivora.com/support"_s));
    QCOMPARE(QFileInfo(opened.last().toLocalFile()).canonicalFilePath(), QFileInfo(helpFile).canonicalFilePath());
    QVERIFY(dialogs.shown().isEmpty());
}

void TestMainWindow::showingLoadsEverySetting()
{
    TestWorkspace ws;
    ws.exec(QStringLiteral("insert into profile(name) values ('A'), ('B'), ('C')"));
    ws.exec(QStringLiteral("insert into grouping(group_name) values ('STAFF'), ('VIP')"));
    ws.exec(QStringLiteral("insert into text_replacement(name, nickname, geeting, var1, var2) values ('<N>', '<K>', "
                           "'<G>', '<1>', '<2>')"));
    ws.exec(QStringLiteral("insert into birthday(auto_broadcast, auto_broadcast_time, msg_eng, msg_malay) "
                           "values ('YES', '1899-12-30 08:30:00', 'Happy birthday', 'Selamat')"));
    ws.exec(QStringLiteral("insert into anniversary(auto_broadcast, auto_broadcast_time, msg_eng, msg_malay) "
                           "values ('yes', '2001-01-01 21:05:00', 'Happy anniversary', 'Ulang tahun')"));
    ws.exec(QStringLiteral("insert into smsc values ('+60123456789')"));
    ws.exec(QStringLiteral("insert into languages(lang1, lang2) values ('ENGLISH', 'MALAY')"));
    ws.exec(QStringLiteral("insert into project(project_name, project_broadcast__date) values ('P1', '2026-12-24 "
                           "09:00:00'), ('P2', null)"));
    ws.exec(QStringLiteral("insert into project_detail(project_name, status) values ('P1', 'FAIL'), ('P1', 'SEND')"));

    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    window.PageControl1->setCurrentIndex(3);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(dialogs.shown().isEmpty());

    QCOMPARE(window.PageControl1->currentWidget(), window.profileTab);
    QCOMPARE(window.profileTab->Label32->text(), QStringLiteral("3"));
    QCOMPARE(window.profileTab->DateTimePicker1->date(), QDate(1974, 10, 1));
    QCOMPARE(window.profileTab->DateTimePicker2->date(), QDate(2000, 11, 1));
    PreferenceTab &prefs = *window.preferenceTab;
    QCOMPARE(prefs.Edit6->text(), QStringLiteral("<N>"));
    QCOMPARE(prefs.Edit7->text(), QStringLiteral("<K>"));
    QCOMPARE(prefs.Edit8->text(), QStringLiteral("<G>"));
    QCOMPARE(prefs.suiEdit2->text(), QStringLiteral("<1>"));
    QCOMPARE(prefs.suiEdit3->text(), QStringLiteral("<2>"));
    QVERIFY(prefs.CheckBox1->isChecked());
    QVERIFY(!prefs.CheckBox2->isChecked()); // only exactly "YES" ticks the box
    QCOMPARE(prefs.DateTimePicker3->time(), QTime(8, 30));
    QCOMPARE(prefs.DateTimePicker4->time(), QTime(21, 5));
    QCOMPARE(prefs.Memo1->toPlainText(), QStringLiteral("Happy birthday"));
    QCOMPARE(prefs.Memo3->toPlainText(), QStringLiteral("Selamat"));
    QCOMPARE(prefs.Memo2->toPlainText(), QStringLiteral("Happy anniversary"));
    QCOMPARE(prefs.Memo4->toPlainText(), QStringLiteral("Ulang tahun"));
    QCOMPARE(prefs.suiEdit1->text(), QStringLiteral("+60123456789"));
    QCOMPARE(window.settings().centreNumber(), QStringLiteral("+60123456789"));
    QCOMPARE(prefs.suiEdit6->text(), QStringLiteral("ENGLISH"));
    QCOMPARE(prefs.suiEdit7->text(), QStringLiteral("MALAY"));
    for (QLabel *first : {prefs.Label8, prefs.Label9, window.announcementTab->Label23})
        QCOMPARE(first->text(), QStringLiteral("Message (ENGLISH)"));
    for (QLabel *second : {prefs.Label12, prefs.Label13, window.announcementTab->Label22})
        QCOMPARE(second->text(), QStringLiteral("Message (MALAY)"));

    QListWidget *groups = window.announcementTab->CheckListBox1;
    QCOMPARE(groups->count(), 2);
    QCOMPARE(window.dm().q_group.currentRow(), 0); // the group grid still has a row to delete
    QCOMPARE(groups->item(0)->text(), QStringLiteral("STAFF"));
    QCOMPARE(groups->item(1)->checkState(), Qt::Unchecked);
    QCOMPARE(window.dm().q_prj_schedule.sql(),
             QStringLiteral("select * from project where project_broadcast__date is not null"));
    QCOMPARE(window.dm().q_prj_schedule.recordCount(), 1);
    QCOMPARE(window.dm().q_pd_que.recordCount(), 1);
    QVERIFY(window.dm().q_prj.isOpen());
    QVERIFY(window.dm().q_greeting.isOpen());
}

void TestMainWindow::showingOnEmptySettingsTablesEmptiesTheBoxes()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    PreferenceTab &prefs = *window.preferenceTab;
    prefs.Edit6->setText(QStringLiteral("typed"));
    prefs.suiEdit1->setText(QStringLiteral("typed"));
    prefs.CheckBox1->setChecked(true);
    prefs.Memo2->setPlainText(QStringLiteral("typed"));
    window.announcementTab->CheckListBox1->addItem(QStringLiteral("old"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QVERIFY(dialogs.shown().isEmpty());
    QCOMPARE(window.profileTab->Label32->text(), QStringLiteral("0"));
    QVERIFY(prefs.Edit6->text().isEmpty());
    QVERIFY(prefs.suiEdit1->text().isEmpty());
    QVERIFY(!prefs.CheckBox1->isChecked());
    QVERIFY(!prefs.CheckBox2->isChecked());
    QVERIFY(prefs.Memo2->toPlainText().isEmpty());
    QCOMPARE(prefs.DateTimePicker3->time(), QTime(0, 0));
    QCOMPARE(window.announcementTab->CheckListBox1->count(), 0);
    QCOMPARE(prefs.Label8->text(), QStringLiteral("Message ()"));
}

void TestMainWindow::schedulePickerTakesTheClocksDateAndTimeAtEachShowing()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    QDateTimeEdit &picker = *window.announcementTab->DateTimePicker5;
    // A date picker: the time of day has a picker of its own.
    QVERIFY(picker.displayedSections().testFlag(QDateTimeEdit::DaySection));
    QVERIFY(!picker.displayedSections().testFlag(QDateTimeEdit::HourSection));
    window.show();
    QCOMPARE(picker.dateTime(), QDateTime(QDate(2026, 12, 8), QTime(10, 15)));
    window.hide();
    m_clock.setFixedNow(QDateTime(QDate(2026, 12, 9), QTime(23, 59, 30)));
    window.show();
    QCOMPARE(picker.dateTime(), QDateTime(QDate(2026, 12, 9), QTime(23, 59, 30)));
}

void TestMainWindow::missingDatabaseShowsErrorAndWindowAllTheSame()
{
    TestWorkspace ws(false);
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    window.preferenceTab->suiEdit1->setText(QStringLiteral("kept"));
    window.PageControl1->setCurrentWidget(window.preferenceTab);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(dialogs.errors().size(), 1);
    QVERIFY(dialogs.errors().first().startsWith(QStringLiteral("Could not find file '")));
    QVERIFY(dialogs.errors().first().endsWith(QStringLiteral("Dovrel.mdb'"))); // ends in "'": no full stop
    QCOMPARE(dialogs.shown().first().title, QStringLiteral("Brivora"));
    QVERIFY(window.isVisible());
    QCOMPARE(window.PageControl1->currentWidget(), window.profileTab); // the step before the failure ran
    QCOMPARE(window.preferenceTab->suiEdit1->text(), QStringLiteral("kept")); // later steps skipped
}

void TestMainWindow::timer2ShowsWindowOnceAfterStart()
{
    TestWorkspace ws;
    ScriptedDialogs dialogs;
    MainWindow window(dialogs, m_clock);
    QVERIFY(!window.isVisible());
    QVERIFY(window.Timer2.isActive());
    QTRY_VERIFY(window.isVisible());
    QVERIFY(!window.Timer2.isActive());
    // Centred on the screen, give or take the frame.
    QVERIFY((window.geometry().center() - window.screen()->availableGeometry().center()).manhattanLength() <= 8);
    window.hide();
    QTest::qWait(20);
    QVERIFY(!window.isVisible());
}

void TestMainWindow::splashWindow()
{
    SplashWindow splash;
    QCOMPARE(splash.windowTitle(), QStringLiteral("Brivora"));
    QCOMPARE(splash.size(), QSize(460, 320));
    const auto *picture = splash.findChild<QLabel *>(QStringLiteral("Image1"));
    QVERIFY(!picture->pixmap().isNull()); // the JPEG is in the program and decodes
    QCOMPARE(picture->size(), QSize(257, 264));
    QCOMPARE(splash.findChild<QProgressBar *>()->value(), 78);
}

void TestMainWindow::fullStopRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Unable to open com port"
                            << "Unable to open com port.";
    QTest::newRow("digit") << "error code 5"
                           << "error code 5.";
    QTest::newRow("closing parenthesis") << "failed (win error code: 2)"
                                         << "failed (win error code: 2)";
    QTest::newRow("exclamation mark") << "Input string greater than 160 characters!"
                                      << "Input string greater than 160 characters!";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("quote") << "'x' is not a valid date"
                           << "'x' is not a valid date.";
    QTest::newRow("apostrophe end") << "file 'a'"
                                    << "file 'a'";
    QTest::newRow("slash") << "a/"
                           << "a/.";
    QTest::newRow("empty") << ""
                           << "";
}

void TestMainWindow::fullStopRule()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(withFullStop(text), shown);
}

void TestMainWindow::guardShowsErrorAndReportsFailure()
{
    ScriptedDialogs dialogs;
    bool after = false;
    QVERIFY(!guarded(dialogs, [&] {
        throw BrivoraError(QStringLiteral("Unable to open com port (win error code: 2)"));
        after = true;
    }));
    QVERIFY(!after);
    QCOMPARE(dialogs.errors(), QStringList{QStringLiteral("Unable to open com port (win error code: 2)")});
    QVERIFY(guarded(dialogs, [] {}));
    QCOMPARE(dialogs.shown().size(), 1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
