// brivora-newdb <file>: makes a fresh Brivora database, ready for a first start.
#include "base/Errors.h"
#include "data/Database.h"
#include "data/Dataset.h"

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
        // The two languages the templates are written in, until the user names others.
        Database database(args.at(1));
        Dataset languages(database, QStringLiteral("languages"), QStringLiteral("select * from languages;"));
        languages.open();
        languages.append();
        languages.setValue(QStringLiteral("lang1"), QStringLiteral("ENGLISH"));
        languages.setValue(QStringLiteral("lang2"), QStringLiteral("MALAY"));
        languages.post();
    } catch (const BrivoraError &error) {
        err << "brivora-newdb: " << error.text() << '\n';
        return 1;
    }
    return 0;
}
