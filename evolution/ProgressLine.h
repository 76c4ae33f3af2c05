#pragma once

#include <QString>

struct GenerationReport;

// "generation<n> average : <sum1/matches>, <sum2/matches>,, <best1>,
// <best2>", the numbers as QString::number(…, 'g', 6) prints doubles. The
// averages divide by the generation's matches between current members (the
// window's 400), not by the members.
QString progressLine(int generation, float scoreSum1, float scoreSum2, float bestScore1,
                     float bestScore2, int matches = 400);
// The progress line of a generation played.
QString progressLine(const GenerationReport& report);

inline const QString stoppedLine = QStringLiteral("stopped");
