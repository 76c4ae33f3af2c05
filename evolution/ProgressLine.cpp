#include "evolution/ProgressLine.h"

#include "evolution/GenerationReport.h"

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

QString progressLine(const GenerationReport& report)
{
    return progressLine(report.generation, report.scoreSums[0], report.scoreSums[1],
                        report.bestScores[0], report.bestScores[1], report.matchesPlayed);
}
