#include "contacts/CsvExport.h"

#include "base/Errors.h"
#include "base/WorkProgress.h"
#include "data/Dataset.h"

#include <QFile>
#include <QFileInfo>

namespace CsvExport {

namespace {

void appendField(QString &line, const QString &text)
{
    line += QLatin1Char('"');
    line += text;
    line += QLatin1String("\"|");
}

} // namespace

QString withDefaultExtension(const QString &fileName)
{
    if (!QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + QLatin1Char('.') + QLatin1String(DefaultExtension);
}

void SaveAsCSV(const QString &fileName, Dataset &dataset, WorkProgress *progress)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw BrivoraError(QStringLiteral("Cannot create %1: %2").arg(fileName, file.errorString()));
    // Written a block at a time; closing (by the destructor too) keeps what was written.
    QByteArray block;
    auto flush = [&] {
        if (file.write(block) != block.size())
            throw BrivoraError(QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString()));
        block.clear();
    };
    QString line;
    for (const QString &field : dataset.fieldNames())
        appendField(line, field);
    line += QLatin1String("\r\n");
    block += line.toUtf8();
    const int columns = static_cast<int>(dataset.fieldNames().size());
    for (; !dataset.eof(); dataset.next()) {
        if (progress)
            progress->advance(dataset.currentRow(), dataset.recordCount());
        line.clear();
        for (int column = 0; column < columns; ++column)
            appendField(line, dataset.valueAt(dataset.currentRow(), column).toString());
        line += QLatin1String("\r\n");
        block += line.toUtf8();
        if (block.size() > (1 << 20))
            flush();
    }
    flush();
    if (progress)
        progress->advance(dataset.recordCount(), dataset.recordCount());
}

int exportProfiles(Database &database, const QString &fileName, WorkProgress *progress)
{
    Dataset clientDataSet1(database, QStringLiteral("ClientDataSet1"), QStringLiteral("select * from profile"));
    clientDataSet1.open();
    SaveAsCSV(fileName, clientDataSet1, progress);
    return clientDataSet1.recordCount();
}

} // namespace CsvExport
