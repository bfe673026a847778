// brivora-newdb <file>: makes a fresh, empty Brivora database.
#include "app/Errors.h"
#include "data/Database.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: brivora-newdb <file>\n";
        return 2;
    }
    try {
        Database::create(args.at(1));
    } catch (const BrivoraError &error) {
        err << "brivora-newdb: " << error.text() << '\n';
        return 1;
    }
    return 0;
}
