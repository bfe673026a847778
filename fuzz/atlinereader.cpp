// Any bytes, as a modem's answers in chunks cut anywhere: the lines are the same whatever
// the cuts, none holds a line end or is empty, and no line waits longer than LongestLine.
#include "modem/AtLineReader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the cuts.
    const int cut = data[0] % 17 + 1;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));

    AtLineReader whole;
    const QList<QByteArray> expected = whole.feed(bytes);
    AtLineReader pieces;
    QList<QByteArray> lines;
    for (qsizetype at = 0; at < bytes.size(); at += cut) {
        lines << pieces.feed(bytes.mid(at, cut));
        if (pieces.unfinished().size() > AtLineReader::LongestLine)
            std::abort();
    }
    if (lines != expected || pieces.unfinished() != whole.unfinished())
        std::abort();
    for (const QByteArray &line : lines)
        if (line.isEmpty() || line.contains('\r') || line.contains('\n'))
            std::abort();
    (void)pieces.takePrompt();
    return 0;
}
