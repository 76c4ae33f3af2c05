#include "batch/BatchSession.h"

#include "batch/BatchOutputs.h"
#include "batch/BatchRunner.h"
#include "batch/CheckpointKeeper.h"
#include "batch/ExperimentRecorder.h"
#include "batch/LineWriter.h"
#include "batch/ResumedOptions.h"
#include "board/MatchPool.h"
#include "charts/ImageFile.h"
#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"
#include "cli/StandardOutput.h"
#include "cli/TerminationSignalWatcher.h"
#include "evolution/GenerationReport.h"
#include "evolution/PoolMatchRunner.h"
#include "output/PartialFile.h"
#include "output/QuotedText.h"
#include "random/RandomSources.h"
#include "records/ConfigFile.h"
#include "records/ResumedGeneration.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>

namespace
{

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

// `text` on standard output: 0, or the exit code of a failed write, said in
// one line.
int printed(const QString& text)
{
    const QString error = writeStandardOutput(text.toUtf8());
    if (error.isEmpty())
        return 0;
    reportError(error);
    return ExitCode::unwritableOutput;
}

// Locks the checkpoint, the archive and the CSV log into `locks`.
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

// The generation a --resume goes on from, which the log is cut back to.
int printCheckpointInfo(const QString& path)
{
    CheckpointRead read = readCheckpoint(path);
    if (read.error.isEmpty())
        read.error = pickResumedGeneration(read, path);
    if (!read.error.isEmpty()) {
        reportError(read.error);
        return ExitCode::badInput;
    }
    return printed(
        QStringLiteral("generation %1\n").arg(read.checkpoint.evolution.generationCount));
}

} // namespace

BatchSession::BatchSession(const QStringList& arguments) : arguments(arguments) {}

BatchSession::~BatchSession() = default;

int BatchSession::run()
{
    const BatchOptionsParse parsed = withExperiment(arguments, parseBatchOptions(arguments));
    if (const auto exitCode = exitCodeBeforeRun(parsed))
        return *exitCode;
    if (!parsed.options.checkpointInfoPath.isEmpty())
        return printCheckpointInfo(parsed.options.checkpointInfoPath);

    options = parsed.options;
    config = options.config;
    if (options.printConfig)
        return printed(experimentConfigToml(config));
    if (const auto exitCode = prepare())
        return *exitCode;

    const std::uint32_t seed = options.seed ? *options.seed : clockSeed();
    if (!options.seed)
        std::fprintf(stderr, "seed %u\n", static_cast<unsigned>(seed));
    return play(seed);
}

void BatchSession::takeCheckpointRead(const QString& path, CheckpointRead taken)
{
    readPath = path;
    read = std::move(taken);
}

std::optional<int> BatchSession::prepare()
{
    if (!options.resumePath.isEmpty()) {
        if (readPath != options.resumePath)
            read = readCheckpoint(options.resumePath);
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
    if (setupProblem.isEmpty())
        setupProblem = lockOutputs(options, locks);
    // Once no other run can change the files: the generation they hold.
    if (setupProblem.isEmpty() && resumed) {
        setupProblem = pickResumedGeneration(read, options.resumePath);
        resumed = read.checkpoint;
    }
    if (!setupProblem.isEmpty()) {
        reportError(setupProblem);
        return ExitCode::badInput;
    }

    return std::nullopt;
}

int BatchSession::play(std::uint32_t seed)
{
    TerminationSignalWatcher signalWatcher;
    // Raised by a second Ctrl-C or SIGTERM: a generation that would take
    // hours is not waited for.
    std::atomic<bool> givingUp{false};
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
        poolRunner = std::make_unique<PoolMatchRunner>(*pool, [&givingUp](MatchPool& matchPool) {
            while (!matchPool.waitFor(std::chrono::milliseconds(50)))
                if (givingUp.load()) {
                    matchPool.cancel();
                    throw GenerationGivenUp();
                }
        });
        runner.useMatchRunner(poolRunner.get());
    }
    // 128 + the signal's number, as a shell reports a process the signal ended.
    // The first lets the generation in progress end; another gives it up.
    QObject::connect(&signalWatcher, &TerminationSignalWatcher::signalReceived, &runner,
                     [&runner, &givingUp, received = 0](int signalNumber) mutable {
                         if (++received > 1)
                             givingUp.store(true);
                         runner.interrupt(128 + signalNumber);
                     });

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
    // keep every whole generation for a resume. A progress line that cannot
    // be printed is such a failure: its generation is not recorded, so the
    // checkpoint never holds a generation whose line the log lacks.
    QString outputError;
    LineWriter output;
    QObject::connect(&runner, &BatchRunner::lineReady, QCoreApplication::instance(),
                     [&](const QString& line) {
                         if (!outputError.isEmpty())
                             return;
                         outputError = output.writeLine(line);
                         if (!outputError.isEmpty())
                             runner.interrupt(ExitCode::unwritableOutput);
                     });
    QObject::connect(&runner, &BatchRunner::generationPlayed, QCoreApplication::instance(),
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
    QObject::connect(
        &runner, &BatchRunner::finished, QCoreApplication::instance(), [&](int exitCode) {
            const QString error = outputError.isEmpty() ? recorder.finish() : outputError;
            if (!error.isEmpty()) {
                reportError(error);
                exitCode = ExitCode::unwritableOutput;
            }
            QCoreApplication::exit(exitCode);
        });
    runner.start();
    return QCoreApplication::exec();
}
