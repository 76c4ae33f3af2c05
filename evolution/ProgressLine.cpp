#include "evolution/ProgressLine.h"

QString progressLine(int generation, float scoreSum1, float scoreSum2, float bestScore1,
                     float bestScore2)
{
    // The averages divide by the 400 matches, not by the 100 members.
    return QStringLiteral("generation") + QString::number(generation, 10) +
           QStringLiteral(" average : ") +
           QString::number(static_cast<double>(scoreSum1) / 400.0, 'g', 6) +
           QStringLiteral(", ") + QString::number(static_cast<double>(scoreSum2) / 400.0, 'g', 6) +
           QStringLiteral(",, ") + QString::number(static_cast<double>(bestScore1), 'g', 6) +
           QStringLiteral(", ") + QString::number(static_cast<double>(bestScore2), 'g', 6);
}
