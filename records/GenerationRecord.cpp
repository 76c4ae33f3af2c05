#include "records/GenerationRecord.h"

#include "evolution/LifegameThread.h"

GenerationRecord latestGeneration(const LifegameThread& worker)
{
    const double matches = LifegameThread::matchesPerGeneration;
    GenerationRecord record;
    record.generation = worker.generations();
    record.average1 = static_cast<double>(worker.scoreSumOf(1)) / matches;
    record.average2 = static_cast<double>(worker.scoreSumOf(2)) / matches;
    record.best1 = static_cast<double>(worker.bestScoreOf(1));
    record.best2 = static_cast<double>(worker.bestScoreOf(2));
    return record;
}
