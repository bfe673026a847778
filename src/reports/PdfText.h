#pragma once

#include "reports/ReportPage.h"

#include <QString>
#include <QVector>

namespace Reports {

// Qt's PDF writer tells a reader which character each glyph shows only for characters of
// the basic plane: an emoji, drawn from its font, reads back as nothing, so a PDF's text
// (a search, a copy, a screen reader) lacks it. This adds what was left out to the
// ToUnicode map of each font concerned in the PDF at path, which holds the listed pages
// of report just as printPages drew them. A file not as Qt writes it is left as it is;
// one that cannot be read or written again throws BrivoraError.
void mapCharactersBeyondTheBasicPlane(const QString &path, const PagedReport &report, const QVector<int> &pages);

} // namespace Reports
