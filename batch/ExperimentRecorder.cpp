#include "batch/ExperimentRecorder.h"

#include "charts/FitnessPlot.h"
#include "charts/ImageFile.h"
#include "evolution/GenerationReport.h"
#include "records/PatternExport.h"
#include "records/RleWriter.h"

namespace
{

QStringList bestComments(int population, const BestPatterns& best, std::uint32_t seed)
{
    return {QStringLiteral("Coevolife: best pattern of population %1").arg(population),
            QStringLiteral("seed %1").arg(seed),
            QStringLiteral("generation %1").arg(best.generation),
            QStringLiteral("best score %1").arg(scoreText(best.scores[population - 1]))};
}

Pattern patternOf(const EvolutionState::Cells& cells)
{
    Pattern pattern = makePattern(static_cast<int>(cells.size()));
    std::copy(cells.begin(), cells.end(), pattern.get());
    return pattern;
}

} // namespace

BestPatterns bestPatternsOf(const GenerationReport& report)
{
    return {report.generation, report.bestScores, report.bestPatterns};
}

BestPatterns bestPatternsOf(const EvolutionState& state)
{
    return {state.generationCount,
            {state.bestScore1, state.bestScore2},
            {state.bestPattern1, state.bestPattern2}};
}

ExperimentRecorder::ExperimentRecorder(const RunOutputs& outputs, std::uint32_t seed,
                                       const ExperimentConfig& config)
    : outputs(outputs), seed(seed), config(config)
{
}

QString ExperimentRecorder::begin()
{
    QString error;
    if (!outputs.csvPath.isEmpty())
        error = csv.open(outputs.csvPath);
    if (error.isEmpty() && !outputs.archivePath.isEmpty())
        error = archive.open(outputs.archivePath, seed, config);
    if (!error.isEmpty()) {
        csv.discard();
        archive.discard();
    }
    return error;
}

QString ExperimentRecorder::resume(qint64 csvBytes, qint64 archiveBytes,
                                   const QVector<GenerationRecord>& records,
                                   const EvolutionState& state)
{
    history = records;
    best = bestPatternsOf(state);
    QString error;
    if (!outputs.csvPath.isEmpty())
        error = csv.reopen(outputs.csvPath, csvBytes);
    if (error.isEmpty() && !outputs.archivePath.isEmpty())
        error = archive.reopen(outputs.archivePath, archiveBytes);
    return error;
}

QString ExperimentRecorder::recordGeneration(const GenerationReport& report)
{
    history.append(generationRecord(report));
    best = bestPatternsOf(report);
    if (csv.isOpen()) {
        const QString error = csv.append(history.back());
        if (!error.isEmpty())
            return error;
    }
    if (archive.isOpen())
        return archive.append(archivedGeneration(report));
    return {};
}

QString ExperimentRecorder::finish()
{
    if (csv.isOpen()) {
        const QString error = csv.finish();
        if (!error.isEmpty())
            return error;
    }
    if (archive.isOpen()) {
        const QString error = archive.finish();
        if (!error.isEmpty())
            return error;
    }
    if (!outputs.plotPath.isEmpty()) {
        const QString title = QStringLiteral("Coevolife fitness, seed %1").arg(seed);
        // In the format the path's suffix names, checked before the run.
        const QString error = writePictureFile(outputs.plotPath, drawFitnessPlot(history, title));
        if (!error.isEmpty())
            return error;
    }
    if (!outputs.exportFolder.isEmpty())
        return exportPatterns(outputs.exportFolder, best, seed, config.match);
    return {};
}

QStringList exportedFileNames()
{
    return {QStringLiteral("best1.rle"), QStringLiteral("best2.rle"), QStringLiteral("duel.rle"),
            QStringLiteral("Coevolife.rule")};
}

QString exportPatterns(const QString& folder, const BestPatterns& best, std::uint32_t seed,
                       const MatchLayout& layout)
{
    const Pattern best1 = patternOf(best.patterns[0]);
    const Pattern best2 = patternOf(best.patterns[1]);
    const QStringList duelComments = {
        QStringLiteral("Coevolife: the match between the two best patterns"),
        QStringLiteral("seed %1, generation %2").arg(seed).arg(best.generation),
        QStringLiteral("best scores %1 and %2")
            .arg(scoreText(best.scores[0]), scoreText(best.scores[1]))};
    return writeExports(folder, {{QStringLiteral("best1.rle"),
                                  patternRle(best1, bestComments(1, best, seed), layout.pattern)},
                                 {QStringLiteral("best2.rle"),
                                  patternRle(best2, bestComments(2, best, seed), layout.pattern)},
                                 duelExport(best1, best2, duelComments, layout)});
}
