// brivora-copy <from> <to>: every row of a Brivora database into another, a file to a
// server or back, keeping ids: all or nothing.
#include "base/CommandLine.h"
#include "base/Errors.h"
#include "base/WorkProgress.h"
#include "data/Database.h"
#include "data/DatabaseCopy.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    CommandLine commandLine({
        .program = QStringLiteral("brivora-copy"),
        .synopsis = QStringLiteral("<from> <to>"),
        .description = QStringLiteral(
            "Copies every row of a Brivora database into another, each with its own id: a database file\n"
            "(Dovrel.mdb) to a PostgreSQL server, or a server's rows into a file. The target must be just\n"
            "made with brivora-newdb (its two languages give way to the source's). All or nothing: it\n"
            "prints each table's rows as they are copied, shows how far it is on the terminal, and exits\n"
            "with 1 and the reason when anything fails, with 130 when Ctrl-C cancels it."),
        .example = QStringLiteral("brivora-copy ~/Brivora/Dovrel.mdb postgresql://brivora@office-pc/brivora"),
    });
    commandLine.addArgument(QStringLiteral("from"),
                            QStringLiteral("The database to read: a file, or a server's postgresql:// address."));
    commandLine.addArgument(QStringLiteral("to"), QStringLiteral("The database to fill, made by brivora-newdb."));
    if (const auto done = commandLine.process(app.arguments()))
        return *done;
    const QStringList args = commandLine.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        Database from(args.at(0));
        from.connection(); // a missing source is said before the target is touched
        Database to(args.at(1));
        TerminalProgress progress(QStringLiteral("rows"), true);
        progress.stage(QStringLiteral("Copying"));
        DatabaseCopy::copy(
            from, to,
            [&](const DatabaseCopy::TableCount &copied) {
                progress.note(QStringLiteral("%1: %2 rows").arg(copied.table).arg(copied.rows));
            },
            &progress);
        out << "copied " << from.description() << " to " << to.description() << '\n';
    } catch (const BrivoraError &error) {
        err << "brivora-copy: " << withFullStop(error.text()) << ' ' << "Nothing was copied." << '\n';
        return 1;
    } catch (const ActionStopped &) {
        err << "brivora-copy: Cancelled. Nothing was copied." << '\n';
        return 130;
    }
    return 0;
}
