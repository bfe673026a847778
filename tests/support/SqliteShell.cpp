#include "support/SqliteShell.h"

SqliteShell::SqliteShell(const QString &path)
{
    m_process.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), QStringLiteral("-bail"), path});
    if (!m_process.waitForStarted(-1))
        qFatal("cannot start the sqlite3 shell: %s", qPrintable(m_process.errorString()));
    run(QStringLiteral(".timeout 60000"));
}

SqliteShell::~SqliteShell()
{
    m_process.closeWriteChannel();
    m_process.waitForFinished(-1);
}

void SqliteShell::run(const QString &statements)
{
    send(statements + QStringLiteral("\n.print done"));
    QByteArray output;
    while (!output.endsWith("done\n")) {
        if (!m_process.waitForReadyRead(-1))
            qFatal("the sqlite3 shell stopped: %s", m_process.readAllStandardError().constData());
        output += m_process.readAllStandardOutput();
    }
}

void SqliteShell::send(const QString &statements)
{
    m_process.write(statements.toUtf8() + '\n');
    m_process.waitForBytesWritten(-1);
}
