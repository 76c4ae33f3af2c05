#pragma once

#include <QString>

// "generation<n> average : <sum1/400>, <sum2/400>,, <best1>, <best2>", the
// numbers as QString::number(…, 'g', 6) prints doubles.
QString progressLine(int generation, float scoreSum1, float scoreSum2, float bestScore1,
                     float bestScore2);

inline const QString stoppedLine = QStringLiteral("stopped");
