#include "analyze/AnalysisRun.h"

#include "analysis/ChampionGrid.h"
#include "analysis/DuelExport.h"
#include "analysis/MasterTournament.h"
#include "analyze/AnalysisOutputs.h"
#include "analyze/AnalyzeOptions.h"
#include "analyze/ReportedReads.h"
#include "analyze/WatchedPlay.h"
#include "board/Match.h"
#include "charts/CiaoPlot.h"
#include "charts/ImageFile.h"
#include "charts/MasterPlot.h"
#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"
#include "output/QuotedText.h"
#include "records/ArchiveReader.h"

#include <QDir>
#include <QFile>

namespace
{

int runDuel(const AnalyzeOptions& options, const RunArchive& archive)
{
    const ArchivedGeneration* firstRecord =
        reportedArchivedGeneration(archive, options.first, options.archivePath);
    const ArchivedGeneration* secondRecord =
        firstRecord ? reportedArchivedGeneration(archive, options.second, options.archivePath)
                    : nullptr;
    if (!secondRecord)
        return ExitCode::badInput;
    const MatchLayout& layout = archive.config().match;
    // The one match played as the grid's are, on a pool of one thread,
    // watched for Ctrl-C: on a large board it may take minutes.
    ChampionGrid duel({firstRecord->championOf(1)}, {secondRecord->championOf(2)}, layout);
    if (const int exitCode = playOnNewPool(duel, 1))
        return exitCode;
    if (const int exitCode = pendingInterruption())
        return exitCode;
    const QString error = exportDuel(
        options.exportFolder, unpackPattern(firstRecord->championOf(1), layout.pattern),
        unpackPattern(secondRecord->championOf(2), layout.pattern), layout,
        {QStringLiteral("Coevolife: population 1's champion of generation %1 against population "
                        "2's champion of generation %2")
             .arg(options.first)
             .arg(options.second)},
        archive.header.seed, duel.at(0, 0));
    if (!error.isEmpty()) {
        reportError(error);
        return ExitCode::unwritableOutput;
    }
    return 0;
}

} // namespace

int runAnalysis(const AnalyzeOptions& options)
{
    const std::optional<RunArchive> read = readReportedArchive(options.archivePath);
    if (!read)
        return ExitCode::badInput;
    const RunArchive& archive = *read;
    if (options.command == AnalyzeOptions::Command::Duel)
        return runDuel(options, archive);

    const SelectedChampions champions = championsOf(archive, options.range);
    if (!champions.error.isEmpty()) {
        reportError(QStringLiteral("%1: %2").arg(quotedText(options.archivePath), champions.error));
        return ExitCode::badInput;
    }
    const std::vector<int>& generations = champions.generations;
    ChampionGrid grid(champions.champions1, champions.champions2, archive.config().match);
    if (!grid.playable()) {
        reportError(QStringLiteral("%1: generations %2 to %3 hold %4; choose fewer with "
                                   "--generations or --every")
                        .arg(quotedText(QFile::encodeName(options.archivePath), 1000))
                        .arg(generations.front())
                        .arg(generations.back())
                        .arg(unplayableGridProblem(grid)));
        return ExitCode::badInput;
    }
    if (const int exitCode = playOnNewPool(grid, options.threads))
        return exitCode;

    // Everything is composed before the first file is written.
    OutputFiles files;
    const QString run = QStringLiteral("seed %1, generations %2 to %3")
                            .arg(archive.header.seed)
                            .arg(generations.front())
                            .arg(generations.back());
    switch (options.command) {
    case AnalyzeOptions::Command::Grid:
        files.append({options.csvPath, gridCsv(grid, generations, generations)});
        break;
    case AnalyzeOptions::Command::Ciao:
        files.append(
            {options.pngPath,
             encodedPicture(drawCiaoPlot(grid, generations,
                                         QStringLiteral("Coevolife CIAO, %1").arg(run),
                                         options.fullColourRange ? CiaoColourRange::full
                                                                 : CiaoColourRange::clipped),
                            options.pngPath)});
        if (!options.csvPath.isEmpty())
            files.append({options.csvPath, gridCsv(grid, generations, generations)});
        break;
    case AnalyzeOptions::Command::Master: {
        const MasterScores scores = masterScores(grid, generations);
        files.append(
            {options.pngPath,
             encodedPicture(
                 drawMasterPlot(scores, QStringLiteral("Coevolife master tournament, %1").arg(run)),
                 options.pngPath)});
        if (!options.csvPath.isEmpty())
            files.append({options.csvPath, masterCsv(scores)});
        break;
    }
    case AnalyzeOptions::Command::Duel:
    case AnalyzeOptions::Command::Summary:
    case AnalyzeOptions::Command::Compare:
    case AnalyzeOptions::Command::Crossplay:
    case AnalyzeOptions::Command::Lineage:
    case AnalyzeOptions::Command::Descent:
    case AnalyzeOptions::Command::Turnover:
        break;
    }
    return writeAnalysisOutputs(files);
}
