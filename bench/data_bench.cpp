// Prints the data layer's speed on a database of 100 000 profiles, each figure beside the
// same work done by the sqlite3 shell on the same file in the same run, and reopening also
// beside SQLite's own stepping through the rows.
#include "app/MainWindow.h"
#include "base/Clock.h"
#include "BenchSupport.h"
#include "data/DataModule.h"
#include "data/JetSql.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

#include <sqlite3.h>

namespace {

void fillProfiles(DataModule &dm, int count)
{
    QSqlQuery insert(dm.con.connection());
    insert.prepare(QStringLiteral("INSERT INTO profile (name, nickname, mobile_number, email, group_name, festive, "
                                  "birthday, maritial_status, income, greeting, languages, notes) "
                                  "VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"));
    dm.con.transaction([&] {
        for (int i = 0; i < count; ++i) {
            insert.bindValue(0, QStringLiteral("Contact number %1").arg(i));
            insert.bindValue(1, QStringLiteral("Nick%1").arg(i));
            insert.bindValue(2, QStringLiteral("6012%1").arg(i, 7, 10, QLatin1Char('0')));
            insert.bindValue(3, QStringLiteral("contact%1@example.com").arg(i));
            insert.bindValue(4, QStringLiteral("GROUP %1").arg(i % 20));
            insert.bindValue(5, QStringLiteral("ISLAM"));
            insert.bindValue(6,
                             QStringLiteral("%1/%2/1980")
                                 .arg(i % 28 + 1, 2, 10, QLatin1Char('0'))
                                 .arg(i % 12 + 1, 2, 10, QLatin1Char('0')));
            insert.bindValue(7, QStringLiteral("SINGLE"));
            insert.bindValue(8, QString::number(1000 + i % 5000));
            insert.bindValue(9, QStringLiteral("Encik"));
            insert.bindValue(10, i % 2 ? QStringLiteral("MALAY") : QStringLiteral("ENGLISH"));
            insert.bindValue(11, QStringLiteral("No. %1, Jalan Satu\nKuala Lumpur").arg(i));
            insert.exec();
        }
    });
}

// SQLite's own time for the query object's statement, on a connection of its own opened as
// the Qt driver opens one (without SQLite's mutex): every row stepped through and every cell
// taken with SQLite's column calls, its type and then its number or its text, keeping nothing.
double bareStepSeconds(const QString &file, const QString &statement)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(file), sqlite3_errmsg(db));
        std::exit(1);
    }
    const QByteArray sql = statement.toUtf8();
    QElapsedTimer timer;
    timer.start();
    sqlite3_stmt *rows = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &rows, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot prepare %s: %s\n", sql.constData(), sqlite3_errmsg(db));
        std::exit(1);
    }
    const int columns = sqlite3_column_count(rows);
    qint64 taken = 0; // so that no call is left out
    while (sqlite3_step(rows) == SQLITE_ROW) {
        for (int column = 0; column < columns; ++column) {
            switch (sqlite3_column_type(rows, column)) {
                case SQLITE_NULL:
                    break;
                case SQLITE_INTEGER:
                    taken += sqlite3_column_int64(rows, column);
                    break;
                case SQLITE_FLOAT:
                    taken += qint64(sqlite3_column_double(rows, column));
                    break;
                default:
                    taken += sqlite3_column_text(rows, column)[0] + sqlite3_column_bytes(rows, column);
            }
        }
    }
    sqlite3_finalize(rows);
    const double seconds = timer.nsecsElapsed() / 1e9;
    sqlite3_close(db);
    if (taken == 0)
        std::fprintf(stderr, "no rows read\n");
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Clock::readTimeZoneOnce(); // as the program does
    QApplication app(argc, argv);
    constexpr int Profiles = 100000;
    constexpr int Details = 100000;

    QTemporaryDir folder;
    const QString file = freshWorkingDatabase(folder.path());

    SilentDialogs dialogs;
    Clock clock;
    std::printf("Brivora data layer, %d profiles\n", Profiles);
    {
        DataModule dm;
        fillProfiles(dm, Profiles);

        int count = 0;
        const double reopen = bestOf(5, [&] {
            dm.q_profile.refresh();
            count = dm.q_profile.recordCount();
        });
        const double shellSelect = bestOf(5, [&] { shellSeconds(file, QStringLiteral("select * from profile;\n")); });
        const QString statement = JetSql::translate(dm.q_profile.sql(), dm.con).sql;
        double bareStep = 1e9;
        for (int run = 0; run < 5; ++run)
            bareStep = std::min(bareStep, bareStepSeconds(file, statement));
        std::printf("reopen q_profile (%d rows): %.1f ms; sqlite3 shell select: %.1f ms; ratio %.2f (target <= 3); "
                    "bare sqlite3_step loop taking every cell: %.1f ms; ratio %.2f (target <= 1.5)\n",
                    count, reopen * 1000, shellSelect * 1000, reopen / shellSelect, bareStep * 1000, reopen / bareStep);

        Dataset details(dm.con, QStringLiteral("details"), QStringLiteral("select * from project_detail ;"));
        details.open();
        QElapsedTimer timer;
        timer.start();
        dm.con.transaction([&] {
            for (int i = 0; i < Details; ++i) {
                details.append();
                details.setValue(QStringLiteral("project_name"), QStringLiteral("RAYA"));
                details.setValue(QStringLiteral("mobile_number"), QStringLiteral("60123456789"));
                details.setValue(QStringLiteral("name"), QStringLiteral("Contact"));
                details.setValue(QStringLiteral("msg_send"), QStringLiteral("Selamat Hari Raya, Encik Contact"));
                details.post();
            }
        });
        const double appendSeconds = timer.nsecsElapsed() / 1e9;
        QString script = QStringLiteral("BEGIN;\n");
        for (int i = 0; i < Details; ++i)
            script += QStringLiteral("INSERT INTO project_detail (project_name, mobile_number, name, msg_send) VALUES "
                                     "('RAYA','60123456789','Contact','Selamat Hari Raya, Encik Contact');\n");
        script += QStringLiteral("COMMIT;\n");
        const double shellAppend = shellSeconds(file, script);
        std::printf("append %d project_detail rows in one transaction: %.0f rows/s; sqlite3 shell: %.0f rows/s "
                    "(target >= 100000 rows/s)\n",
                    Details, Details / appendSeconds, Details / shellAppend);
    }
    {
        MainWindow window(dialogs, clock);
        const double formShow = bestOf(3, [&] { window.FormShow(); });
        const double shellSelect = shellSeconds(file, QStringLiteral("select * from profile;\n"));
        std::printf(
            "FormShow with %d profiles: %.1f ms (target < 1000 ms); sqlite3 shell select of the profiles: %.1f ms\n",
            Profiles, formShow * 1000, shellSelect * 1000);
    }
    return 0;
}
