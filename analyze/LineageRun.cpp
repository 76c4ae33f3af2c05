#include "analyze/LineageRun.h"

#include "analysis/Descent.h"
#include "analysis/Phylogeny.h"
#include "analysis/Turnover.h"
#include "analyze/AnalysisOutputs.h"
#include "analyze/AnalyzeOptions.h"
#include "analyze/ReportedReads.h"
#include "charts/ImageFile.h"
#include "charts/LineagePlots.h"
#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"
#include "output/QuotedText.h"

namespace
{

// The generation traced back: --of, or the archive's last.
int tracedGeneration(const AnalyzeOptions& options, const LineageModel& model, QString& problem)
{
    const int of = options.of == 0 ? model.lastGeneration() : options.of;
    if (!model.holds(of))
        problem = QStringLiteral("generation %1 is outside the archive's %2:%3")
                      .arg(of)
                      .arg(model.firstGeneration())
                      .arg(model.lastGeneration());
    return of;
}

// The command's outputs, composed; none, with `problem` set, when the
// options ask for what the archive does not hold.
OutputFiles composedOutputs(const AnalyzeOptions& options, const RunArchive& archive,
                            const LineageModel& model, QString& problem)
{
    using Command = AnalyzeOptions::Command;
    const QString seed = QStringLiteral("seed %1").arg(archive.header.seed);
    if (options.command == Command::Turnover) {
        const std::vector<TurnoverRow> rows = turnoverOf(model);
        OutputFiles files = {{options.csvPath, turnoverCsv(rows)}};
        if (!options.pngPath.isEmpty())
            files.append({options.pngPath,
                          encodedPicture(drawTurnoverPlot(rows, QStringLiteral("Coevolife "
                                                                               "turnover, %1")
                                                                    .arg(seed)),
                                         options.pngPath)});
        return files;
    }
    const int of = tracedGeneration(options, model, problem);
    if (!problem.isEmpty())
        return {};
    if (options.command == Command::Lineage)
        return {{options.csvPath,
                 phylogenyCsv(model, options.everyBirth ? everyMember(model) : ancestryOf(model, of))}};
    const int member = options.member < 0
                           ? model.at(of).champions[static_cast<std::size_t>(options.population - 1)]
                           : options.member;
    if (member >= model.populationSize()) {
        problem = QStringLiteral("--member %1 is no member: the populations hold %2")
                      .arg(member)
                      .arg(model.populationSize());
        return {};
    }
    const std::vector<DescentStep> line = lineOfDescent(model, of, options.population, member);
    OutputFiles files = {{options.csvPath, descentCsv(line)}};
    if (!options.pngPath.isEmpty())
        files.append(
            {options.pngPath,
             encodedPicture(drawDescentPlot(line, options.population,
                                            QStringLiteral("Coevolife line of descent, %1: "
                                                           "population %2's member %3 of "
                                                           "generation %4")
                                                .arg(seed)
                                                .arg(options.population)
                                                .arg(member)
                                                .arg(of)),
                            options.pngPath)});
    return files;
}

} // namespace

int runLineageAnalysis(const AnalyzeOptions& options)
{
    const std::optional<RunArchive> archive = readReportedArchive(options.archivePath);
    if (!archive)
        return ExitCode::badInput;
    QString problem;
    const LineageModel model = lineageModelOf(*archive, problem);
    OutputFiles files;
    if (problem.isEmpty())
        files = composedOutputs(options, *archive, model, problem);
    if (!problem.isEmpty()) {
        reportError(QStringLiteral("%1: %2").arg(quotedText(options.archivePath), problem));
        return ExitCode::badInput;
    }
    return writeAnalysisOutputs(files);
}
