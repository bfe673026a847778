// Prints the program's speed on a PostgreSQL server, each figure beside the psql shell's
// doing the same work on the same server: reopening 100 000 profiles, Save && Populate
// Recipient over 100 000 contacts, recording one SMS with a million rows in the detail and
// log tables, and brivora-copy moving a million log rows to the server and back. It starts
// a private server of its own (scripts/test-server) and stops it at the end.
#include "app/MainWindow.h"
#include "base/Clock.h"
#include "BenchSupport.h"
#include "broadcast/ProjectStore.h"
#include "broadcast/Records.h"
#include "data/Database.h"
#include "data/DatabaseCopy.h"
#include "data/DataModule.h"
#include "data/Settings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

class YesDialogs : public SilentDialogs {
public:
    Answer confirm(const QString &, Buttons) override { return Answer::Yes; }
};

// Ends the run, the private server stopped on the way out.
[[noreturn]] void fail(const QString &what)
{
    throw std::runtime_error(what.toStdString());
}

QString run(const QString &program, const QStringList &arguments, const QString &input = {})
{
    QProcess process;
    process.start(program, arguments);
    if (!input.isEmpty())
        process.write(input.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        fail(program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) + QStringLiteral(": ")
             + QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The private server's socket folder, and its databases by name.
struct Server {
    QString folder;
    QString address(const QString &database) const
    {
        return QStringLiteral("postgresql://brivora@/%1?host=%2").arg(database, folder);
    }
    QStringList psql(const QString &database) const
    {
        return {QStringLiteral("-X"), QStringLiteral("-q"),
                QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                QStringLiteral("-h"), folder,
                QStringLiteral("-U"), QStringLiteral("brivora"),
                QStringLiteral("-d"), database};
    }
    // A new database with Brivora's tables.
    QString fresh(const QString &database) const
    {
        run(QStringLiteral("psql"),
            psql(QStringLiteral("brivora"))
                << QStringLiteral("-c") << QStringLiteral("create database %1").arg(database));
        Database::create(address(database));
        return address(database);
    }
    // The best of three runs of the psql shell, in seconds; its output goes nowhere.
    double psqlSeconds(const QString &database, const QString &script) const
    {
        return bestOf(3, [&] {
            QProcess shell;
            shell.setStandardOutputFile(QProcess::nullDevice());
            shell.start(QStringLiteral("psql"), psql(database) << QStringLiteral("-c") << script);
            if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
                fail(QStringLiteral("psql: ") + QString::fromUtf8(shell.readAllStandardError()));
        });
    }
};

// Makes the working folder's data the server's, as an office does; returns the file.
QString nameServer(const QString &workingFolder, const QString &address)
{
    QFile named(QDir(workingFolder).absoluteFilePath(QString::fromLatin1(Database::ServerFileName)));
    if (!named.open(QIODevice::WriteOnly | QIODevice::Truncate) || named.write(address.toUtf8() + '\n') < 0)
        fail(named.fileName());
    return named.fileName();
}

// 100 000 profiles in 20 groups, written by the program's own bulk insert.
void fillProfiles(Database &database, int count)
{
    database.transaction([&] {
        Database::RowInsert rows(database, QStringLiteral("profile"),
                                 {QStringLiteral("name"), QStringLiteral("nickname"), QStringLiteral("mobile_number"),
                                  QStringLiteral("email"), QStringLiteral("group_name"), QStringLiteral("festive"),
                                  QStringLiteral("birthday"), QStringLiteral("maritial_status"),
                                  QStringLiteral("income"), QStringLiteral("greeting"), QStringLiteral("languages"),
                                  QStringLiteral("notes")});
        for (int i = 0; i < count; ++i)
            rows.add({QStringLiteral("Contact number %1").arg(i), QStringLiteral("Nick%1").arg(i),
                      QStringLiteral("6012%1").arg(i, 7, 10, QLatin1Char('0')),
                      QStringLiteral("contact%1@example.com").arg(i), QStringLiteral("GROUP %1").arg(i % 20),
                      QStringLiteral("ISLAM"),
                      QStringLiteral("%1/%2/1980")
                          .arg(i % 28 + 1, 2, 10, QLatin1Char('0'))
                          .arg(i % 12 + 1, 2, 10, QLatin1Char('0')),
                      QStringLiteral("SINGLE"), QString::number(1000 + i % 5000), QStringLiteral("Encik"),
                      i % 2 ? QStringLiteral("MALAY") : QStringLiteral("ENGLISH"),
                      QStringLiteral("No. %1, Jalan Satu\nKuala Lumpur").arg(i)});
        rows.finish();
    });
}

void reopenProfiles(const Server &server)
{
    const QString address = server.fresh(QStringLiteral("reopen"));
    Database database(address);
    fillProfiles(database, 100000);
    Dataset profiles(database, QStringLiteral("q_profile"), QStringLiteral("select * from profile"));
    const double best = bestOf(3, [&] { profiles.refresh(); });
    const double shell =
        server.psqlSeconds(QStringLiteral("reopen"), QStringLiteral("copy (select * from profile) to stdout"));
    std::printf("reopening 100 000 profiles: %.3f s; psql's copy to stdout %.3f s; %.2f times (target < 3)\n", best,
                shell, best / shell);
}

void saveAndPopulate(const Server &server, const QString &workingFolder)
{
    const QString address = server.fresh(QStringLiteral("populate"));
    const QString named = nameServer(workingFolder, address);
    DataModule dm;
    fillProfiles(dm.con, 100000);
    YesDialogs dialogs;
    Clock clock;
    Settings settings(dm);
    ProjectStore projects(dm, settings, dialogs, clock);
    AnnouncementProject project{QStringLiteral("RAYA"),
                                QString(),
                                {},
                                QStringLiteral("Salam <greeting> <name>, jumpa kami di kedai."),
                                QStringLiteral("Dear <greeting> <name>, see you at our shop.")};
    for (int group = 0; group < 20; ++group)
        project.groups << QStringLiteral("GROUP %1").arg(group);
    const double created = bestOf(1, [&] { projects.saveAndPopulate(project); });
    const double overwritten = bestOf(1, [&] { projects.saveAndPopulate(project); });
    const double shell = server.psqlSeconds(
        QStringLiteral("populate"),
        QStringLiteral("begin; delete from project_detail; insert into project_detail(project_name, mobile_number, "
                       "name, nickname, group_name, msg_send, festive) select 'RAYA', mobile_number, name, nickname, "
                       "group_name, 'Salam ' || greeting || ' ' || name || ', jumpa kami di kedai.', '' from profile; "
                       "commit;"));
    std::printf("Save && Populate Recipient over 100 000 contacts: %.2f s new, %.2f s overwritten (target < 3 s); "
                "psql's insert ... select %.2f s\n",
                created, overwritten, shell);
    QFile::remove(named);
}

void recordOneSms(const Server &server, const QString &workingFolder)
{
    constexpr int Rows = 1000000;
    const QString address = server.fresh(QStringLiteral("records"));
    std::printf("Filling project_detail and transaction_log with %d rows each...\n", Rows);
    const QString fill = QStringLiteral(
        "insert into %1 (project_name, date_send, mobile_number, name, nickname, group_name, msg_send, status) "
        "select 'RAYA ' || (i % 50), '2026-01-01 10:00:00', '6012' || i, 'Contact ' || i, 'Nick', "
        "'GROUP ' || (i % 20), 'Selamat Hari Raya, Encik Contact ' || i || '. Semoga dirahmati selalu.', 'SEND' "
        "from generate_series(1, %2) i; ");
    run(QStringLiteral("psql"),
        server.psql(QStringLiteral("records")) << QStringLiteral("-c")
                                               << fill.arg(QStringLiteral("project_detail")).arg(Rows)
                + fill.arg(QStringLiteral("transaction_log")).arg(Rows) + QStringLiteral("analyze;"));

    const QString named = nameServer(workingFolder, address);
    SilentDialogs dialogs;
    Clock clock;
    MainWindow window(dialogs, clock);
    window.FormShow();
    Records &records = window.records();
    auto recordOne = [&](int number) { return recordIndividualSms(records, window.engine().firstLane(), number); };
    const double first = recordOne(0);
    std::vector<double> later;
    for (int i = 1; i <= 200; ++i)
        later.push_back(recordOne(i));
    std::sort(later.begin(), later.end());
    QString pairs;
    for (int i = 0; i < 200; ++i)
        pairs += QStringLiteral("insert into project_detail (project_name, mobile_number, name, msg_send, status) "
                                "values ('INDIVIDUAL', '60123456789', 'Ali', 'Your order %1', 'SEND'); "
                                "insert into transaction_log (project_name, mobile_number, name, msg_send, status) "
                                "values ('INDIVIDUAL', '60123456789', 'Ali', 'Your order %1', 'SEND'); ")
                     .arg(i);
    const double shell = server.psqlSeconds(QStringLiteral("records"), pairs) * 1000 / 200;
    std::printf("recording one SMS (detail row + log row) with %d rows in each table: first %.2f ms, next 200 "
                "median %.2f ms, slowest %.2f ms (target < 5 ms); psql's two inserts %.2f ms\n",
                Rows, first, later[later.size() / 2], later.back(), shell);
    QFile::remove(named);
}

void copyThereAndBack(const Server &server, const QString &folder, const QString &tools)
{
    constexpr int Rows = 1000000;
    const QString file = QDir(folder).absoluteFilePath(QStringLiteral("log.mdb"));
    const QString back = QDir(folder).absoluteFilePath(QStringLiteral("back.mdb"));
    run(tools + QStringLiteral("/brivora-newdb"), {file});
    shellSeconds(file,
                 QStringLiteral("BEGIN; INSERT INTO transaction_log (project_name, date_send, mobile_number, "
                                "name, nickname, group_name, msg_send, status) WITH RECURSIVE n(i) AS (SELECT 1 "
                                "UNION ALL SELECT i + 1 FROM n WHERE i < %1) SELECT 'RAYA ' || (i % 50), "
                                "'2026-01-01 10:00:00', '6012' || i, 'Contact ' || i, 'Nick', 'GROUP ' || (i % "
                                "20), 'Selamat Hari Raya, Encik Contact ' || i || '. Semoga dirahmati selalu.', "
                                "CASE WHEN i % 7 = 0 THEN 'FAIL' ELSE 'SEND' END FROM n; COMMIT;\n")
                     .arg(Rows));
    run(QStringLiteral("psql"),
        server.psql(QStringLiteral("brivora")) << QStringLiteral("-c") << QStringLiteral("create database moved"));
    const QString address = server.address(QStringLiteral("moved"));
    run(tools + QStringLiteral("/brivora-newdb"), {address});
    const double there = bestOf(1, [&] { run(tools + QStringLiteral("/brivora-copy"), {file, address}); });
    run(tools + QStringLiteral("/brivora-newdb"), {back});
    const double backAgain = bestOf(1, [&] { run(tools + QStringLiteral("/brivora-copy"), {address, back}); });

    Database original(file);
    Database onServer(address);
    Database copied(back);
    auto counted = [](Database &database) {
        QStringList counts;
        for (const DatabaseCopy::TableCount &table : DatabaseCopy::count(database))
            counts << QStringLiteral("%1 %2").arg(table.table).arg(table.rows);
        return counts;
    };
    const QStringList counts = counted(original);
    const bool same = counts == counted(onServer) && counts == counted(copied);
    const QString integrity = run(QStringLiteral("sqlite3"), {back, QStringLiteral("pragma integrity_check")});
    const QString identical =
        run(QStringLiteral("sqlite3"),
            {back,
             QStringLiteral("attach '%1' as original; select count(*) from (select * from transaction_log except "
                            "select * from original.transaction_log)")
                 .arg(file)});
    std::printf("brivora-copy of %d log rows: file to server %.1f s, server to file %.1f s; row counts %s, "
                "pragma integrity_check: %s, rows differing from the original: %s\n",
                Rows, there, backAgain, same ? "agree" : "DIFFER", qPrintable(integrity), qPrintable(identical));
    if (!same || integrity != QStringLiteral("ok") || identical != QStringLiteral("0"))
        fail(QStringLiteral("the copies differ"));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Clock::readTimeZoneOnce(); // as the program does
    QApplication app(argc, argv);
    const QString tools = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../tools"));
    const QString startServer = QStringLiteral(BRIVORA_SOURCE_DIR "/scripts/test-server");

    QTemporaryDir folder(QStringLiteral("/tmp/brivora-bench-XXXXXX"));
    QFile::setPermissions(folder.path(),
                          QFile::permissions(folder.path()) | QFile::ExeGroup | QFile::ExeOther | QFile::ReadGroup
                              | QFile::ReadOther);
    Server server;
    server.folder = folder.filePath(QStringLiteral("server"));
    std::printf("Starting a private PostgreSQL server...\n");
    std::fflush(stdout);
    run(startServer, {QStringLiteral("start"), server.folder});
    const auto stop = qScopeGuard([&] { QProcess::execute(startServer, {QStringLiteral("stop"), server.folder}); });
    QDir::setCurrent(folder.path());

    try {
        reopenProfiles(server);
        saveAndPopulate(server, folder.path());
        recordOneSms(server, folder.path());
        copyThereAndBack(server, folder.path(), tools);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "brivora-bench-server: %s\n", error.what());
        return 1;
    }
    return 0;
}
