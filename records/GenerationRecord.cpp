#include "records/GenerationRecord.h"

#include "evolution/GenerationReport.h"

GenerationRecord generationRecord(const GenerationReport& report)
{
    const double matches = report.matchesPlayed;
    GenerationRecord record;
    record.generation = report.generation;
    record.average1 = static_cast<double>(report.scoreSums[0]) / matches;
    record.average2 = static_cast<double>(report.scoreSums[1]) / matches;
    record.best1 = static_cast<double>(report.bestScores[0]);
    record.best2 = static_cast<double>(report.bestScores[1]);
    return record;
}
