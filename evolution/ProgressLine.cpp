#include "evolution/ProgressLine.h"

QString progressLine(int generation, float scoreSum1, float scoreSum2, float bestScore1,
                     float bestScore2, int matches)
{
    const double divisor = matches;
    return QStringLiteral("generation") + QString::number(generation, 10) +
           QStringLiteral(" average : ") +
           QString::number(static_cast<double>(scoreSum1) / divisor, 'g', 6) +
           QStringLiteral(", ") +
           QString::number(static_cast<double>(scoreSum2) / divisor, 'g', 6) +
           QStringLiteral(",, ") + QString::number(static_cast<double>(bestScore1), 'g', 6) +
           QStringLiteral(", ") + QString::number(static_cast<double>(bestScore2), 'g', 6);
}
