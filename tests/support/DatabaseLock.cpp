#include "support/DatabaseLock.h"

#include <QTest>

DatabaseLock::DatabaseLock(const QString &databasePath)
{
    m_shell.setProcessChannelMode(QProcess::MergedChannels);
    m_shell.start(QStringLiteral("sqlite3"), {databasePath});
    if (!m_shell.waitForStarted())
        qFatal("the sqlite3 shell does not start");
    run("begin exclusive;\n", "held");
    m_held = true;
}

DatabaseLock::~DatabaseLock()
{
    if (m_held)
        release();
    m_shell.closeWriteChannel();
    m_shell.waitForFinished();
}

void DatabaseLock::release()
{
    run("rollback;\n", "released");
    m_held = false;
}

void DatabaseLock::run(const QByteArray &statements, const QByteArray &marker)
{
    m_shell.write(statements + "select '" + marker + "';\n");
    QByteArray output;
    while (!output.contains(marker)) {
        if (!m_shell.waitForReadyRead(30000))
            qFatal("the sqlite3 shell did not answer: %s", output.constData());
        output += m_shell.readAll();
    }
    if (output.contains("Error"))
        qFatal("the sqlite3 shell refused: %s", output.constData());
}
