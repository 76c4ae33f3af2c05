#include "batch/BatchOptions.h"
#include "batch/BatchOutputs.h"
#include "batch/BatchRunner.h"
#include "batch/CheckpointKeeper.h"
#include "batch/ExperimentRecorder.h"
#include "batch/LineWriter.h"
#include "batch/ResumedOptions.h"
#include "board/MatchPool.h"
#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"
#include "charts/ImageFile.h"
#include "cli/TerminationSignalWatcher.h"
#include "evolution/GenerationReport.h"
#include "evolution/PoolMatchRunner.h"
#include "random/RandomSources.h"
#include "records/CheckpointFormat.h"
#include "records/ConfigFile.h"
#include "records/OutputLock.h"
#include "records/PartialFile.h"
#include "records/QuotedText.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{

// Whether the run draws a plot: asked for by --plot, or by the checkpoint a
// run resumes from (read here without an application; errors come later).
bool drawsPlot(int argc, char** argv)
{
    for (int k = 1; k < argc; ++k) {
        const QByteArray argument(argv[k]);
        if (argument == "--plot" || argument.startsWith("--plot="))
            return true;
        QString resumePath;
        if (argument == "--resume" && k + 1 < argc)
            resumePath = QFile::decodeName(argv[k + 1]);
        else if (argument.startsWith("--resume="))
            resumePath = QFile::decodeName(argument.mid(9));
        if (!resumePath.isEmpty() && !readCheckpoint(resumePath).checkpoint.plotPath.isEmpty())
            return true;
    }
    return false;
}

// The settings a new checkpoint starts from: what the run was started with.
Checkpoint checkpointSettings(const BatchOptions& options, std::uint32_t seed)
{
    Checkpoint settings;
    settings.seed = seed;
    settings.generationsAsked = options.generations.value_or(100);
    static_cast<RunOutputs&>(settings) = absoluteCleanPaths(options.outputs);
    settings.config = options.config;
    return settings;
}

// The log and the archive a resume continues must hold what the checkpoint
// counts; checked before anything is touched.
QString checkResumable(const BatchOptions& options, const Checkpoint& checkpoint)
{
    if (!options.outputs.csvPath.isEmpty()) {
        const QString problem =
            PartialFile::checkReopenable(options.outputs.csvPath, checkpoint.csvBytes);
        if (!problem.isEmpty())
            return QStringLiteral("%1: %2").arg(quotedText(options.resumePath), problem);
    }
    if (!options.outputs.archivePath.isEmpty()) {
        const QString problem =
            PartialFile::checkReopenable(options.outputs.archivePath, checkpoint.archiveBytes);
        if (!problem.isEmpty())
            return QStringLiteral("%1: %2").arg(quotedText(options.resumePath), problem);
    }
    return {};
}

// One writer per run: the checkpoint, the archive and the CSV log stay
// locked for as long as this process runs.
QString lockOutputs(const BatchOptions& options, std::vector<std::unique_ptr<OutputLock>>& locks)
{
    for (const QString& path :
         {options.checkpointPath, options.outputs.archivePath, options.outputs.csvPath}) {
        if (path.isEmpty())
            continue;
        QString error;
        std::unique_ptr<OutputLock> lock = OutputLock::acquire(path, error);
        if (!lock)
            return error;
        locks.push_back(std::move(lock));
    }
    return {};
}

int printCheckpointInfo(const QString& path)
{
    const CheckpointRead read = readCheckpoint(path);
    if (!read.error.isEmpty()) {
        reportError(read.error);
        return ExitCode::badInput;
    }
    std::printf("generation %d\n", read.checkpoint.evolution.generationCount);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // First of all, so that every thread started later inherits the mask.
    blockTerminationSignals();
    CommandLineApplication commandLine(argc, argv, drawsPlot(argc, argv));
    QCoreApplication& app = commandLine.application();

    const BatchOptionsParse parsed = parseBatchOptions(QCoreApplication::arguments());
    if (const auto exitCode = exitCodeBeforeRun(parsed))
        return *exitCode;
    if (!parsed.options.checkpointInfoPath.isEmpty())
        return printCheckpointInfo(parsed.options.checkpointInfoPath);

    BatchOptions options = parsed.options;
    ExperimentConfig config = options.config;
    if (options.printConfig) {
        std::fputs(experimentConfigToml(config).toUtf8().constData(), stdout);
        return 0;
    }
    std::optional<Checkpoint> resumed;
    if (!options.resumePath.isEmpty()) {
        const CheckpointRead read = readCheckpoint(options.resumePath);
        if (!read.error.isEmpty()) {
            reportError(read.error);
            return ExitCode::badInput;
        }
        // First: a configuration given by mistake would hide behind any
        // other disagreement.
        if (options.configGiven() && config != read.checkpoint.config) {
            reportError(QStringLiteral("%1: the run was started with another configuration; "
                                       "leave out --config and --set to go on with its own")
                            .arg(quotedText(options.resumePath)));
            return ExitCode::badInput;
        }
        const ResumedOptions merged = resumedOptions(options, read.checkpoint);
        if (!merged.error.isEmpty()) {
            reportError(merged.error);
            return ExitCode::badInput;
        }
        options = merged.options;
        resumed = read.checkpoint;
        config = resumed->config;
    }
    // A long run must not fail at its end over a path it could check now.
    QString setupProblem = checkOutputPaths(plannedOutputs(options));
    if (setupProblem.isEmpty() && !options.outputs.plotPath.isEmpty())
        setupProblem =
            imageFormatProblem(optionOf(&RunOutputs::plotPath), options.outputs.plotPath);
    std::vector<std::unique_ptr<OutputLock>> locks;
    if (setupProblem.isEmpty())
        setupProblem = lockOutputs(options, locks);
    if (setupProblem.isEmpty() && resumed)
        setupProblem = checkResumable(options, *resumed);
    if (!setupProblem.isEmpty()) {
        reportError(setupProblem);
        return ExitCode::badInput;
    }

    const std::uint32_t seed = options.seed ? *options.seed : clockSeed();
    if (!options.seed)
        std::fprintf(stderr, "seed %u\n", static_cast<unsigned>(seed));

    TerminationSignalWatcher signalWatcher;
    BatchRunner runner(seed, options.generations.value_or(100), config);
    if (resumed && !runner.continueFrom(resumed->evolution, resumed->randomSources)) {
        reportError(
            QStringLiteral("%1: unreadable random sources").arg(quotedText(options.resumePath)));
        return ExitCode::badInput;
    }
    // The pool's threads are started once, for the whole batch.
    std::unique_ptr<MatchPool> pool;
    std::unique_ptr<PoolMatchRunner> poolRunner;
    if (!options.boardThreads) {
        std::string failure;
        pool = MatchPool::start(options.threads, failure);
        if (!pool) {
            reportError(QString::fromStdString(failure));
            return ExitCode::systemRefused;
        }
        poolRunner = std::make_unique<PoolMatchRunner>(*pool);
        runner.useMatchRunner(poolRunner.get());
    }
    LineWriter output(stdout);
    QObject::connect(&runner, &BatchRunner::lineReady, &output, &LineWriter::writeLine);
    // 128 + the signal's number, as a shell reports a process the signal ended.
    QObject::connect(&signalWatcher, &TerminationSignalWatcher::signalReceived, &runner,
                     [&runner](int signalNumber) { runner.interrupt(128 + signalNumber); });

    ExperimentRecorder recorder(options.outputs, seed, config);
    std::optional<CheckpointKeeper> checkpointKeeper;
    if (!options.checkpointPath.isEmpty()) {
        checkpointKeeper.emplace(options.checkpointPath,
                                 resumed ? *resumed : checkpointSettings(options, seed));
        runner.reportFullState(true);
    }
    const QString beginError = resumed ? recorder.resume(resumed->csvBytes, resumed->archiveBytes,
                                                         resumed->history, resumed->evolution)
                                       : recorder.begin();
    if (!beginError.isEmpty()) {
        reportError(beginError);
        return ExitCode::unwritableOutput;
    }
    // The first output that fails ends the batch after the generation in
    // progress; nothing more is recorded, and the partial log and archive
    // keep every whole generation for a resume.
    QString outputError;
    QObject::connect(&runner, &BatchRunner::generationPlayed, &app,
                     [&](const GenerationReport& report) {
                         if (!outputError.isEmpty())
                             return;
                         outputError = recorder.recordGeneration(report);
                         if (outputError.isEmpty() && checkpointKeeper)
                             outputError = checkpointKeeper->write(report, recorder);
                         if (!outputError.isEmpty())
                             runner.interrupt(ExitCode::unwritableOutput);
                     });
    // An interrupted batch still leaves its outputs, complete up to the last
    // generation it printed.
    QObject::connect(&runner, &BatchRunner::finished, &app, [&](int exitCode) {
        const QString error = outputError.isEmpty() ? recorder.finish() : outputError;
        if (!error.isEmpty()) {
            reportError(error);
            exitCode = ExitCode::unwritableOutput;
        }
        QCoreApplication::exit(exitCode);
    });
    runner.start();
    return app.exec();
}
