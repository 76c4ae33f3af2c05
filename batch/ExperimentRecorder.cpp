#include "batch/ExperimentRecorder.h"

#include "charts/FitnessPlot.h"
#include "evolution/LifegameThread.h"
#include "records/AtomicFile.h"
#include "records/RleWriter.h"
#include "records/RuleTableWriter.h"

#include <QDir>

namespace
{

QString scoreText(float score)
{
    return QString::asprintf("%.9g", static_cast<double>(score));
}

QStringList bestComments(int population, const LifegameThread& worker, std::uint32_t seed)
{
    return {QStringLiteral("Coevolife: best pattern of population %1").arg(population),
            QStringLiteral("seed %1").arg(seed),
            QStringLiteral("generation %1").arg(worker.generations()),
            QStringLiteral("best score %1").arg(scoreText(worker.bestScoreOf(population)))};
}

} // namespace

ExperimentRecorder::ExperimentRecorder(const RunOutputs& outputs, std::uint32_t seed)
    : outputs(outputs), seed(seed)
{
}

QString ExperimentRecorder::begin()
{
    QString error;
    if (!outputs.csvPath.isEmpty())
        error = csv.open(outputs.csvPath);
    if (error.isEmpty() && !outputs.archivePath.isEmpty())
        error = archive.open(outputs.archivePath, seed);
    if (!error.isEmpty())
        abandon();
    return error;
}

QString ExperimentRecorder::resume(qint64 csvBytes, qint64 archiveBytes,
                                   const QVector<GenerationRecord>& records)
{
    history = records;
    QString error;
    if (!outputs.csvPath.isEmpty())
        error = csv.reopen(outputs.csvPath, csvBytes);
    if (error.isEmpty() && !outputs.archivePath.isEmpty())
        error = archive.reopen(outputs.archivePath, archiveBytes);
    return error;
}

QString ExperimentRecorder::recordGeneration(const LifegameThread& worker)
{
    history.append(latestGeneration(worker));
    if (csv.isOpen()) {
        const QString error = csv.append(history.back());
        if (!error.isEmpty())
            return error;
    }
    if (archive.isOpen())
        return archive.append(playedGeneration(worker));
    return {};
}

QString ExperimentRecorder::finish(const LifegameThread& worker)
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
        const QString error = saveFitnessPlot(outputs.plotPath, history, title);
        if (!error.isEmpty())
            return error;
    }
    if (!outputs.exportFolder.isEmpty())
        return exportPatterns(outputs.exportFolder, worker, seed);
    return {};
}

QStringList exportedFileNames()
{
    return {QStringLiteral("best1.rle"), QStringLiteral("best2.rle"), QStringLiteral("duel.rle"),
            QStringLiteral("Coevolife.rule")};
}

QString exportPatterns(const QString& folder, const LifegameThread& worker, std::uint32_t seed)
{
    const Pattern best1 = worker.bestPatternOf(1);
    const Pattern best2 = worker.bestPatternOf(2);
    const QStringList duelComments = {
        QStringLiteral("Coevolife: the match between the two best patterns"),
        QStringLiteral("seed %1, generation %2").arg(seed).arg(worker.generations()),
        QStringLiteral("best scores %1 and %2")
            .arg(scoreText(worker.bestScoreOf(1)), scoreText(worker.bestScoreOf(2))),
        QStringLiteral("needs Coevolife.rule; 100 steps play the match")};
    // Everything is composed before the first file is written.
    const QStringList names = exportedFileNames();
    const QList<QPair<QString, QString>> files = {
        {names[0], patternRle(best1, bestComments(1, worker, seed))},
        {names[1], patternRle(best2, bestComments(2, worker, seed))},
        {names[2], duelRle(best1, best2, duelComments)},
        {names[3], coevolifeRuleTable()}};

    const QString error = makeFolder(folder);
    if (!error.isEmpty())
        return error;
    const QDir dir(folder);
    for (const auto& file : files) {
        const QString written = writeFileAtomically(dir.filePath(file.first), file.second.toUtf8());
        if (!written.isEmpty())
            return written;
    }
    return {};
}
