#include "modem/SimulatorDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

QString SimulatorDevice::portFilePath()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(QFile::decodeName(runtime)).isDir())
        return QDir(QFile::decodeName(runtime)).filePath(QStringLiteral("brivora-modemsim.port"));
    return QStringLiteral("/tmp/brivora-modemsim-%1.port").arg(::getuid());
}

QString SimulatorDevice::published()
{
    QFile file(portFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString device = QFile::decodeName(file.readLine().trimmed());
    return !device.isEmpty() && QFileInfo::exists(device) ? device : QString();
}
