#include "data/Backup.h"

#include "base/Errors.h"
#include "data/Database.h"
#include "data/DatabaseCopy.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

QString Backup::targetPath(const QString &folder, const QString &dateFormat, const QDate &date)
{
    // Whatever separates the fields ("/", ".", ". ", blanks, direction marks) becomes one "_".
    static const QRegularExpression separators(QStringLiteral(R"([^\p{L}\p{N}]+)"));
    QString dateText = date.toString(dateFormat).replace(separators, QStringLiteral("_"));
    while (dateText.startsWith(QLatin1Char('_')))
        dateText.remove(0, 1);
    while (dateText.endsWith(QLatin1Char('_')))
        dateText.chop(1);

    const QString slash = folder.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
    return folder + slash + dateText + QString::fromLatin1(Database::FileName);
}

QString Backup::backUp(Database &database, const QString &folder, const QString &dateFormat, const QDate &date,
                       WorkProgress *progress)
{
    if (folder.isEmpty())
        throw BrivoraError(QStringLiteral("Choose the folder to back up into in the folder tree"));
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists())
        throw BrivoraError(QStringLiteral("The folder '%1' does not exist").arg(QDir::toNativeSeparators(folder)));
    if (!folderInfo.isDir())
        throw BrivoraError(QStringLiteral("'%1' is not a folder").arg(QDir::toNativeSeparators(folder)));
    const QString target = targetPath(folder, dateFormat, date);

    // The copy is written under a temporary name beside the target, so a same-day copy
    // stays whole until the new one is complete (SQLite also wants a new or empty file).
    QTemporaryFile partial(target + QStringLiteral(".XXXXXX"));
    if (!partial.open())
        throw BrivoraError(QStringLiteral("Cannot write into the folder '%1': %2")
                               .arg(QDir::toNativeSeparators(folder), partial.errorString()));
    partial.close();

    try {
        if (database.engine() == Database::Engine::Postgres) {
            Database::create(partial.fileName());
            Database copy(partial.fileName());
            DatabaseCopy::copy(database, copy, {}, progress);
        } else {
            // A plain copy of the file could miss committed changes still in the write-ahead
            // log; VACUUM INTO on the program's own connection writes exactly what is committed.
            QSqlQuery vacuum(database.connection());
            if (!vacuum.prepare(QStringLiteral("VACUUM INTO ?")))
                database.fail(vacuum.lastError());
            vacuum.addBindValue(partial.fileName());
            if (!vacuum.exec())
                throw BrivoraError(vacuum.lastError().databaseText());
            vacuum.finish();
            // The temporary file is private to its owner; the copy is as readable as the database.
            QFile::setPermissions(partial.fileName(), QFile::permissions(database.filePath()));
        }
    } catch (const BrivoraError &error) {
        // A server that went away is said as such, as by every other action.
        if (!database.isOpen())
            throw;
        throw BrivoraError(QStringLiteral("The backup could not be written to '%1': %2")
                               .arg(QDir::toNativeSeparators(target), error.text()));
    }

    std::error_code error;
    std::filesystem::rename(QFile::encodeName(partial.fileName()).toStdString(),
                            QFile::encodeName(target).toStdString(), error);
    if (error)
        throw BrivoraError(QStringLiteral("The backup could not be saved as '%1': %2")
                               .arg(QDir::toNativeSeparators(target), QString::fromLocal8Bit(error.message())));
    partial.setAutoRemove(false);
    return target;
}
