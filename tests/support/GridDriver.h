#pragma once

#include "widgets/DatasetGrid.h"

#include <QStringList>
#include <QTest>

// A grid driven as the operator drives it.

inline void clickRow(DatasetGrid *grid, int row)
{
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

// What a column shows, row by row.
inline QStringList columnTexts(const DatasetGrid *grid, int column)
{
    QStringList texts;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        texts << grid->model()->index(row, column).data().toString();
    return texts;
}

// The hint once the pointer has moved over that cell.
inline QString hintOver(DatasetGrid *grid, int row, int column)
{
    // Two moves, so that the pointer moves even when a click left it on that very spot.
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseMove(grid->viewport(), cell.topLeft() + QPoint(1, 1));
    QTest::mouseMove(grid->viewport(), cell.center());
    return grid->viewport()->toolTip();
}
