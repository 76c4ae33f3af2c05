#include "records/ArchiveWriter.h"

#include "evolution/GenerationReport.h"
#include "output/QuotedText.h"
#include "records/RecordedVersion.h"

#include <QFile>

#include <algorithm>

QString ArchiveWriter::open(const QString& path, std::uint32_t seed, const ExperimentConfig& config)
{
    const QString error = file.open(path);
    if (!error.isEmpty())
        return error;
    header = archiveHeaderOf(seed, QString::fromLatin1(recordedProgramVersion()), config);
    return file.write(encodeArchiveHeader(header));
}

QString ArchiveWriter::reopen(const QString& path, qint64 size)
{
    // The header is read first, from where reopening will find the file, so
    // that an unreadable one leaves the file as it was.
    const QString partialPath = PartialFile::partialPathOf(path);
    QFile kept(QFile::exists(partialPath) ? partialPath : path);
    QString problem;
    qsizetype headerSize = 0;
    const auto read =
        kept.open(QIODevice::ReadOnly)
            ? decodeArchiveHeader(kept.read(std::min<qint64>(size, archiveHeaderLimit)), headerSize,
                                  problem)
            : std::nullopt;
    if (!read)
        return QStringLiteral("cannot continue %1: %2")
            .arg(quotedText(path), problem.isEmpty() ? kept.errorString() : problem);
    header = *read;
    return file.reopen(path, size);
}

ArchivedGeneration archivedGeneration(const GenerationReport& report)
{
    ArchivedGeneration generation;
    generation.generation = report.generation;
    for (int population = 0; population < 2; ++population) {
        PackedPopulation& packed =
            population == 0 ? generation.population1 : generation.population2;
        for (const GenerationReport::Cells& cells : report.populations[population])
            // Packing depends on the number of cells only, not on the width.
            packed.push_back(
                packCells(cells.data(), PatternShape{static_cast<int>(cells.size()), 1}));
    }
    const int cells = report.populations[0].empty() ? 0 : static_cast<int>(report.populations[0][0].size());
    generation.lineage = ArchivedLineage(ArchivedLineage::packed(report.scores, report.births,
                                                                 PatternShape{cells, 1}),
                                         0, static_cast<int>(report.scores[0].size()),
                                         PatternShape{cells, 1}, !report.births[0].empty());
    generation.champion1 = report.champions[0];
    generation.champion2 = report.champions[1];
    generation.championScore1 = report.championScore(1);
    generation.championScore2 = report.championScore(2);
    return generation;
}
