#include "analysis/Crossplay.h"

#include "analysis/ChampionGrid.h"
#include "analysis/ConditionComparison.h"
#include "analysis/RunFolders.h"
#include "output/QuotedText.h"
#include "records/CsvText.h"

#include <QDir>


CrossplayRead readCrossplayRuns(const std::vector<ConditionFolder>& folders, int at)
{
    CrossplayRead read;
    QString layoutRun;
    for (std::size_t c = 0; c < folders.size(); ++c)
        for (const QString& run : folders[c].runs) {
            const QString path = QDir(run).filePath(QStringLiteral("run.arc"));
            const ArchiveRead archiveRead = readArchive(path);
            if (!archiveRead.error.isEmpty()) {
                read.error = archiveRead.error;
                return read;
            }
            if (!archiveRead.warning.isEmpty())
                read.warnings << archiveRead.warning;
            const RunArchive& archive = archiveRead.archive;
            if (layoutRun.isEmpty()) {
                read.layout = archive.config().match;
                layoutRun = run;
            } else if (archive.config().match != read.layout) {
                read.error = QStringLiteral("%1 and %2 do not play on one board: board, pattern "
                                            "size, placements and steps must be the same")
                                 .arg(layoutRun, run);
                return read;
            }
            const int generation = at > 0 ? at : archive.newestGeneration();
            const ArchivedGeneration* chosen =
                archivedGeneration(archive, generation, path, read.error);
            if (!chosen)
                return read;
            read.runs.push_back({static_cast<int>(c), archive.header.seed, chosen->championOf(1),
                                 chosen->championOf(2)});
            read.generations.push_back(chosen->generation);
        }
    if (read.runs.size() < 2)
        read.error = QStringLiteral("crossplay needs two runs at least");
    return read;
}

ChampionGrid crossplayGrid(const std::vector<CrossplayRun>& runs, const MatchLayout& layout)
{
    std::vector<PackedPattern> champions1;
    std::vector<PackedPattern> champions2;
    for (const CrossplayRun& run : runs) {
        champions1.push_back(run.champion1);
        champions2.push_back(run.champion2);
    }
    return ChampionGrid(champions1, champions2, layout);
}

CrossplayMeans crossplayMeans(const ChampionGrid& grid)
{
    const int runs = grid.size1();
    CrossplayMeans means;
    for (int r = 0; r < runs; ++r) {
        double sum1 = 0.0;
        double sum2 = 0.0;
        for (int s = 0; s < runs; ++s) {
            if (s == r)
                continue;
            sum1 += static_cast<double>(grid.at(r, s).score1);
            sum2 += static_cast<double>(grid.at(s, r).score2);
        }
        means.mean1.push_back(sum1 / (runs - 1));
        means.mean2.push_back(sum2 / (runs - 1));
    }
    return means;
}

QByteArray crossplayCsv(const std::vector<QString>& names, const std::vector<CrossplayRun>& runs,
                        const CrossplayMeans& means)
{
    QByteArray csv("condition,seed,mean1,mean2\n");
    for (std::size_t r = 0; r < runs.size(); ++r)
        csv.append(csvField(names[static_cast<std::size_t>(runs[r].condition)]))
            .append(',')
            .append(QByteArray::number(runs[r].seed))
            .append(',')
            .append(csvNumber(means.mean1[r]))
            .append(',')
            .append(csvNumber(means.mean2[r]))
            .append('\n');
    return csv;
}
