#pragma once
// Small helpers shared by the test programs.

#include "board/StepThread.h"

#include <QEvent>
#include <QObject>
#include <QString>
#include <QTest>
#include <QVector>

// QCOMPARE compares floating point fuzzily; these values must match exactly.
#define COMPARE_EXACTLY(actual, expected)                                                          \
    do {                                                                                           \
        const double actualValue = (actual);                                                       \
        const double expectedValue = (expected);                                                   \
        QVERIFY2(actualValue == expectedValue, qPrintable(QStringLiteral("%1 != %2")               \
                                                              .arg(actualValue, 0, 'g', 17)        \
                                                              .arg(expectedValue, 0, 'g', 17)));   \
    } while (false)

// The board's cells row by row.
inline QVector<int> cellsOf(const StepThread& board)
{
    QVector<int> cells;
    for (int y = 0; y < board.boardHeight(); ++y)
        for (int x = 0; x < board.boardWidth(); ++x)
            cells << board.cellAt(x, y);
    return cells;
}

// Counts the paint events of the widget it filters.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
