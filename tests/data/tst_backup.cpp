#include "base/Errors.h"
#include "data/Backup.h"
#include "data/Database.h"
#include "support/TestWorkspace.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate BackupDay(2026, 12, 8);
const QString DayMonthYear = QStringLiteral("dd/MM/yyyy");

// A connection of its own, as another program on the same file would hold it.
class OtherProgram {
public:
    explicit OtherProgram(const QString &path, const QString &name)
        : m_name(name)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
    }
    ~OtherProgram()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }

    void exec(const QString &statement)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        if (!query.exec(statement))
            qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
    }
    int count(const QString &table)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        if (!query.exec(QStringLiteral("select count(*) from ") + table) || !query.next())
            qFatal("cannot count %s: %s", qPrintable(table), qPrintable(query.lastError().text()));
        return query.value(0).toInt();
    }

private:
    QString m_name;
};

int profilesIn(const QString &file)
{
    OtherProgram reader(file, QStringLiteral("backup-reader"));
    return reader.count(QStringLiteral("profile"));
}

QString failureOf(Database &database, const QString &folder)
{
    try {
        Backup::backUp(database, folder, DayMonthYear, BackupDay);
    } catch (const BrivoraError &error) {
        return error.text();
    }
    return QStringLiteral("<no failure>");
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void targetPath_data();
    void targetPath();
    void copyHoldsExactlyWhatIsCommitted();
    void sameDayCopyIsReplaced();
    void copyNextToTheLiveFileInTheWorkingFolder();
    void failuresSayWhyAndLeaveNothingBehind();
};

void TestBackup::targetPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder") << "/home/ops/Save" << DayMonthYear << "/home/ops/Save/08_12_2026Dovrel.mdb";
    QTest::newRow("folder with slash") << "/home/ops/Save/" << DayMonthYear << "/home/ops/Save/08_12_2026Dovrel.mdb";
    QTest::newRow("root") << "/" << DayMonthYear << "/08_12_2026Dovrel.mdb";
    QTest::newRow("dots") << "/b"
                          << "dd.MM.yy"
                          << "/b/08_12_26Dovrel.mdb";
    QTest::newRow("dot and blank, trailing") << "/b"
                                             << "yyyy. MM. dd."
                                             << "/b/2026_12_08Dovrel.mdb";
    QTest::newRow("blanks and month name") << "/b"
                                           << "d MMM yyyy"
                                           << "/b/8_Dec_2026Dovrel.mdb";
    QTest::newRow("direction marks") << "/b" << QString::fromUtf8("d\u200f/M\u200f/yyyy") << "/b/8_12_2026Dovrel.mdb";
}

void TestBackup::targetPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(Backup::targetPath(folder, format, BackupDay), expected);
}

void TestBackup::copyHoldsExactlyWhatIsCommitted()
{
    SKIP_ON_SERVER("a copy of the file itself");
    TestWorkspace ws;
    Database database;
    database.connection();
    QTemporaryDir target;
    // A quote in the folder's name must reach the file system as it is.
    const QString folder = target.filePath(QStringLiteral("O'Brien's copies"));
    QVERIFY(QDir().mkpath(folder));

    // Committed rows that stay in the write-ahead log: the writer never checkpoints and
    // keeps the file open, so the main file alone does not hold them.
    OtherProgram writer(ws.databasePath(), QStringLiteral("writer"));
    writer.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    for (int i = 0; i < 5; ++i)
        writer.exec(QStringLiteral("insert into profile(name) values ('committed %1')").arg(i));
    QVERIFY(QFileInfo(ws.databasePath() + QStringLiteral("-wal")).size() > 0);
    const QString plainCopy = target.filePath(QStringLiteral("plain.mdb"));
    QVERIFY(QFile::copy(ws.databasePath(), plainCopy));
    QCOMPARE(profilesIn(plainCopy), 0);

    // Rows written but not committed by another program must not be in the copy.
    OtherProgram busy(ws.databasePath(), QStringLiteral("busy"));
    busy.exec(QStringLiteral("begin immediate"));
    busy.exec(QStringLiteral("insert into profile(name) values ('uncommitted')"));

    const QString copy = Backup::backUp(database, folder, DayMonthYear, BackupDay);
    QCOMPARE(copy, folder + QStringLiteral("/08_12_2026Dovrel.mdb"));
    busy.exec(QStringLiteral("rollback"));

    OtherProgram reader(copy, QStringLiteral("copy-reader"));
    QCOMPARE(reader.count(QStringLiteral("profile")), 5);
    QCOMPARE(reader.count(QStringLiteral("profile where name like 'committed%'")), 5);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("08_12_2026Dovrel.mdb")});
}

void TestBackup::sameDayCopyIsReplaced()
{
    TestWorkspace ws;
    Database database;
    QTemporaryDir folder;
    ws.exec(QStringLiteral("insert into profile(name) values ('first')"));
    const QString first = Backup::backUp(database, folder.path(), DayMonthYear, BackupDay);
    ws.exec(QStringLiteral("insert into profile(name) values ('second')"));
    const QString second = Backup::backUp(database, folder.path(), DayMonthYear, BackupDay);

    QCOMPARE(second, first);
    QCOMPARE(profilesIn(second), 2);
    const QString nextDay = Backup::backUp(database, folder.path(), DayMonthYear, BackupDay.addDays(1));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("08_12_2026Dovrel.mdb"), QStringLiteral("09_12_2026Dovrel.mdb")}));
    QVERIFY(nextDay.endsWith(QStringLiteral("/09_12_2026Dovrel.mdb")));
}

void TestBackup::copyNextToTheLiveFileInTheWorkingFolder()
{
    SKIP_ON_SERVER("a copy of the file itself");
    TestWorkspace ws;
    Database database;
    ws.exec(QStringLiteral("insert into profile(name) values ('kept')"));
    const QString copy = Backup::backUp(database, QDir::currentPath(), DayMonthYear, BackupDay);

    QCOMPARE(QFileInfo(copy).absolutePath(), QFileInfo(ws.databasePath()).absolutePath());
    QCOMPARE(profilesIn(copy), 1);
    QCOMPARE(QFile::permissions(copy), QFile::permissions(ws.databasePath()));
    // The live file stays in use.
    ws.exec(QStringLiteral("insert into profile(name) values ('after')"));
    QCOMPARE(ws.value(QStringLiteral("select count(*) from profile")), QStringLiteral("2"));
}

void TestBackup::failuresSayWhyAndLeaveNothingBehind()
{
    TestWorkspace ws;
    Database database;
    QTemporaryDir folder;

    QCOMPARE(failureOf(database, QString()), QStringLiteral("Choose the folder to back up into in the folder tree"));

    const QString file = folder.filePath(QStringLiteral("notes.txt"));
    QFile(file).open(QIODevice::WriteOnly);
    QCOMPARE(failureOf(database, file), QStringLiteral("'%1' is not a folder").arg(file));
    QCOMPARE(failureOf(database, folder.filePath(QStringLiteral("gone"))),
             QStringLiteral("The folder '%1' does not exist").arg(folder.filePath(QStringLiteral("gone"))));

    // Nobody, not even the superuser, creates files in /proc.
    QVERIFY(failureOf(database, QStringLiteral("/proc"))
                .startsWith(QStringLiteral("Cannot write into the folder '/proc': ")));

    // The dated name is taken by a folder: the copy is written, then cannot take its name.
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("08_12_2026Dovrel.mdb")));
    const QString occupied = failureOf(database, folder.path());
    QVERIFY2(occupied.startsWith(
                 QStringLiteral("The backup could not be saved as '%1/08_12_2026Dovrel.mdb': ").arg(folder.path())),
             qPrintable(occupied));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("notes.txt")});
}

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
