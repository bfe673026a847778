#include "BenchSupport.h"

#include "broadcast/Records.h"
#include "broadcast/ModemLane.h"
#include "data/Database.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <cstdlib>

void SilentDialogs::fail(const QString &text)
{
    std::fprintf(stderr, "unexpected box: %s\n", qPrintable(text));
    std::exit(1);
}

QString freshWorkingDatabase(const QString &folder)
{
    QDir::setCurrent(folder);
    const QString file = QDir::current().absoluteFilePath(QString::fromLatin1(Database::FileName));
    Database::create(file);
    return file;
}

double shellSeconds(const QString &database, const QString &script)
{
    QProcess shell;
    QElapsedTimer timer;
    timer.start();
    shell.setStandardOutputFile(QProcess::nullDevice());
    shell.start(QStringLiteral("sqlite3"), {database});
    shell.write(script.toUtf8());
    shell.closeWriteChannel();
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3 failed: %s\n", shell.readAllStandardError().constData());
        std::exit(1);
    }
    return timer.nsecsElapsed() / 1e9;
}

namespace {

long statusKilobytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace

long residentKilobytes()
{
    return statusKilobytes("VmRSS:");
}

long peakResidentKilobytes()
{
    return statusKilobytes("VmHWM:");
}

LoopWatch::LoopWatch()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        m_longest = std::max(m_longest, static_cast<double>(m_sinceTick.nsecsElapsed()) / 1e6 - 1.0);
        m_sinceTick.restart();
    });
}

void LoopWatch::start()
{
    m_sinceTick.start();
    m_timer.start(1);
}

double recordIndividualSms(Records &records, ModemLane &lane, int number)
{
    MessageRecord record;
    record.projectName = QStringLiteral("INDIVIDUAL");
    record.mobileNumber = QStringLiteral("60123456789");
    record.name = QStringLiteral("Ali bin Abu");
    record.nickname = QStringLiteral("Ali");
    record.groupName = QStringLiteral("STAFF");
    record.message = QStringLiteral("Your order %1 is ready for collection at our Jalan Ampang shop.").arg(number);
    record.status = QStringLiteral("SEND");
    record.sent = QDateTime::currentDateTime();
    return bestOf(1,
                  [&] {
                      records.appendDetail(record, [&](qint64 id) { lane.setCurrentDetailId(id); });
                      records.appendLog(record);
                      records.flush();
                  })
        * 1000;
}
