#include "modem/AtLineReader.h"

QList<QByteArray> AtLineReader::feed(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        m_unfinished.append(bytes.constData() + start, i - start);
        start = i + 1;
        if (m_unfinished.size() > LongestLine)
            m_unfinished = m_unfinished.right(LongestLine);
        const QByteArray line = m_unfinished.trimmed();
        m_unfinished.clear();
        // A prompt that came late has the next answer right behind it on its line.
        if (line.startsWith('>') && line.size() > 1) {
            lines << QByteArray(1, '>');
            if (const QByteArray rest = line.mid(1).trimmed(); !rest.isEmpty())
                lines << rest;
        } else if (!line.isEmpty()) {
            lines << line;
        }
    }
    m_unfinished.append(bytes.constData() + start, bytes.size() - start);
    if (m_unfinished.size() > LongestLine)
        m_unfinished = m_unfinished.right(LongestLine);
    return lines;
}

bool AtLineReader::takePrompt()
{
    if (!m_unfinished.trimmed().startsWith('>'))
        return false;
    m_unfinished.clear();
    return true;
}
