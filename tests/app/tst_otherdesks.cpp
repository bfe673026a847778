// Desks on one server see each other's work: an import on one shows on the other's grid
// by itself, an edit in progress is kept, and a desk is not told of its own changes.
#include "app/MainWindow.h"
#include "base/Clock.h"
#include "contacts/ProfileTab.h"
#include "data/DataModule.h"
#include "data/OtherDesks.h"
#include "support/ScriptedDialogs.h"
#include "support/TestWorkspace.h"
#include "widgets/DatasetGrid.h"
#include "widgets/DatasetNavigator.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QToolButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList column(const QAbstractItemModel *model, int column)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

// A desk of the office: its window shown on the workspace's data.
struct Desk {
    explicit Desk(Clock &clock)
        : window(dialogs, clock)
    {
        window.show();
    }
    DatasetGrid *contacts() const { return window.profileTab->DBGrid1; }

    ScriptedDialogs dialogs;
    MainWindow window;
};

} // namespace

class TestOtherDesks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void changesAreToldToOtherDesksOnlyOnceCommitted();
    void anImportOnOneDeskShowsOnTheOthersGridByItself();
    void aRowBeingEditedKeepsItsEditAndTheRestFollows();
    void aRowJustInsertedStaysUntilItIsSettled();

private:
    Clock m_clock;
};

void TestOtherDesks::init()
{
    if (!TestWorkspace::onServer())
        QSKIP("a file tells no one of its changes: its desks see them at their next showing");
    m_clock.setScale(0.001);
    m_clock.setFixedNow(QDateTime(QDate(2026, 12, 9), QTime(10, 30)));
}

void TestOtherDesks::changesAreToldToOtherDesksOnlyOnceCommitted()
{
    TestWorkspace ws;
    Database first;
    Database second;
    QStringList toldFirst;
    QStringList toldSecond;
    first.setChangeListener([&](const QString &table) { toldFirst << table; });
    second.setChangeListener([&](const QString &table) { toldSecond << table; });
    first.connection();
    second.connection();
    const auto insert = [](Database &database, const QString &sql) {
        database.transaction([&] { database.execute(database.prepared(sql)); });
    };

    insert(first, u"INSERT INTO profile (name) VALUES ('Siti')"_s);
    // Told in the order of the commits: the first desk hears the second's change after
    // its own, had it been told of its own.
    insert(second, u"INSERT INTO \"grouping\" (group_name) VALUES ('G1')"_s);
    QTRY_COMPARE(toldFirst, QStringList{u"grouping"_s});
    QTRY_COMPARE(toldSecond, QStringList{u"profile"_s});

    // What a transaction that rolls back wrote is told to nobody.
    QVERIFY_THROWS_EXCEPTION(BrivoraError, second.transaction([&] {
        second.execute(second.prepared(u"INSERT INTO project (project_name) VALUES ('Raya')"_s));
        throw BrivoraError(u"given up"_s);
    }));
    insert(second, u"DELETE FROM opt_out"_s);
    QTRY_COMPARE(toldFirst, (QStringList{u"grouping"_s, u"opt_out"_s}));

    // Another schema of the same database (another office's data) is not heard.
    {
        TestWorkspace elsewhere;
        elsewhere.exec(u"INSERT INTO profile (name) VALUES ('Elsewhere')"_s);
    }
    insert(second, u"DELETE FROM inbox"_s);
    QTRY_COMPARE(toldFirst, (QStringList{u"grouping"_s, u"opt_out"_s, u"inbox"_s}));
}

void TestOtherDesks::anImportOnOneDeskShowsOnTheOthersGridByItself()
{
    TestWorkspace ws;
    ws.exec(u"INSERT INTO profile (name, mobile_number) VALUES ('Aminah', '60121111111')"_s);
    Desk desk(m_clock);
    MainWindow &window = desk.window;
    DatasetGrid *grid = desk.contacts();
    QTRY_COMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(window.profileTab->Label32->text(), u"1"_s);

    // The other desk is brivora-import, a program of its own.
    QProcess import;
    import.start(qEnvironmentVariable("BRIVORA_TOOLS") + u"/brivora-import"_s,
                 {ws.location(), QStringLiteral(BRIVORA_FIXTURES) + u"/profiles.xlsx"_s, u"--add"_s});
    QVERIFY(import.waitForFinished(120000));
    QCOMPARE(import.exitCode(), 0);
    const int imported = ws.value(u"select count(*) from profile"_s).toInt();
    QVERIFY(imported > 1);

    QTRY_COMPARE_WITH_TIMEOUT(grid->model()->rowCount(), imported, 10000);
    QCOMPARE(window.profileTab->Label32->text(), QString::number(imported));
    QVERIFY(desk.dialogs.shown().isEmpty());
}

void TestOtherDesks::aRowBeingEditedKeepsItsEditAndTheRestFollows()
{
    TestWorkspace ws;
    ws.exec(u"INSERT INTO profile (name, mobile_number) VALUES ('Aminah', '60121111111'), "
            "('Badrul', '60122222222'), ('Chong', '60123333333')"_s);
    Desk desk(m_clock);
    auto *otherDesks = desk.window.findChild<OtherDesks *>();
    QVERIFY(otherDesks);
    DataModule &dm = desk.window.dm();
    DatasetGrid *grid = desk.contacts();
    QTRY_COMPARE(grid->model()->rowCount(), 3);
    const int nameColumn = 0; // the grid's first column is the name

    // The operator is typing into the second row's name.
    const QModelIndex cell = grid->model()->index(1, nameColumn);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto *editor = grid->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->setText(u"Badrul bin Ali"_s);

    // Another desk renames the third row and adds a project in one transaction: the
    // project is shown, the list of contacts waits for the editor.
    QSignalSpy shown(otherDesks, &OtherDesks::tablesChanged);
    ws.exec(u"UPDATE profile SET name = 'Chong Wei' WHERE name = 'Chong'; "
            "INSERT INTO project (project_name) VALUES ('Raya')"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty(), 10000);
    QVERIFY(shown.first().first().value<QSet<QString>>().contains(u"project"_s));
    QVERIFY(!shown.first().first().value<QSet<QString>>().contains(u"profile"_s));
    QCOMPARE(grid->findChild<QLineEdit *>(), editor);
    QCOMPARE(editor->text(), u"Badrul bin Ali"_s);
    QCOMPARE(grid->model()->index(2, nameColumn).data().toString(), u"Chong"_s);

    // The edit is stored; then the other desk's change shows, on the same current row.
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(ws.value(u"select count(*) from profile where name = 'Badrul bin Ali'"_s), u"1"_s);
    QTRY_COMPARE_WITH_TIMEOUT(grid->model()->index(2, nameColumn).data().toString(), u"Chong Wei"_s, 10000);
    QCOMPARE(column(grid->model(), nameColumn),
             (QStringList{u"Aminah"_s, u"Badrul bin Ali"_s, u"Chong Wei"_s}));
    QCOMPARE(dm.q_profile.currentRow(), 1);
    QVERIFY(desk.dialogs.shown().isEmpty());
}

void TestOtherDesks::aRowJustInsertedStaysUntilItIsSettled()
{
    TestWorkspace ws;
    ws.exec(u"INSERT INTO profile (name, mobile_number) VALUES ('Aminah', '60121111111'), "
            "('Badrul', '60122222222')"_s);
    Desk desk(m_clock);
    MainWindow &window = desk.window;
    auto *otherDesks = window.findChild<OtherDesks *>();
    DataModule &dm = window.dm();
    DatasetGrid *grid = desk.contacts();
    QTRY_COMPARE(grid->model()->rowCount(), 2);

    // A blank row inserted by the navigator, its first cell left again without a word.
    window.profileTab->suiDBNavigator2->findChild<QToolButton *>(u"Insert"_s)->click();
    QCOMPARE(dm.q_profile.recordCount(), 3);
    auto *editor = grid->findChild<QLineEdit *>();
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Escape);
    QTRY_VERIFY(!grid->findChild<QLineEdit *>() || !grid->findChild<QLineEdit *>()->isVisible());
    QCOMPARE(dm.q_profile.currentRow(), 2);

    // Another desk adds a contact and a project: the project shows, the contacts wait.
    QSignalSpy shown(otherDesks, &OtherDesks::tablesChanged);
    ws.exec(u"INSERT INTO profile (name, mobile_number) VALUES ('Chong', '60123333333'); "
            "INSERT INTO project (project_name) VALUES ('Raya')"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty(), 10000);
    QVERIFY(!shown.first().first().value<QSet<QString>>().contains(u"profile"_s));
    QCOMPARE(dm.q_profile.recordCount(), 3);
    QCOMPARE(dm.q_profile.currentRow(), 2);

    // Cancelled, the blank row goes, and the other desk's contact comes.
    window.profileTab->suiDBNavigator2->findChild<QToolButton *>(u"Cancel"_s)->click();
    QTRY_COMPARE_WITH_TIMEOUT(column(grid->model(), 0), (QStringList{u"Aminah"_s, u"Badrul"_s, u"Chong"_s}), 10000);
    QCOMPARE(ws.value(u"select count(*) from profile"_s), u"3"_s);
    QVERIFY(desk.dialogs.shown().isEmpty());
}

QTEST_MAIN(TestOtherDesks)
#include "tst_otherdesks.moc"
