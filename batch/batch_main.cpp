#include "batch/BatchOptions.h"
#include "batch/BatchRunner.h"
#include "batch/LineWriter.h"
#include "batch/TerminationSignalWatcher.h"
#include "evolution/LifegameThread.h"
#include "evolution/ProgressLine.h"
#include "experiments/ExperimentRecorder.h"
#include "random/RandomSources.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace
{

// The fitness plot draws text, and fonts need the GUI application. Only then
// is one made, on the offscreen platform, so no display is ever needed.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv)
{
    for (int k = 1; k < argc; ++k) {
        const QByteArray argument(argv[k]);
        if (argument == "--plot" || argument.startsWith("--plot=")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return std::make_unique<QGuiApplication>(argc, argv);
        }
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

void reportError(const QString& error)
{
    std::fprintf(stderr, "coevolife-batch: %s\n", error.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    // First of all, so that every thread started later inherits the mask.
    blockTerminationSignals();
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
    QCoreApplication& app = *application;

    const BatchOptionsParse parsed = parseBatchOptions(QCoreApplication::arguments());
    switch (parsed.outcome) {
    case BatchOptionsParse::Outcome::Help:
        std::fputs(parsed.text.toLocal8Bit().constData(), stdout);
        return 0;
    case BatchOptionsParse::Outcome::Error:
        std::fprintf(stderr, "%s\n", parsed.text.toLocal8Bit().constData());
        return 2;
    case BatchOptionsParse::Outcome::Run:
        break;
    }

    const BatchOptions& options = parsed.options;
    const std::uint32_t seed = options.seed ? *options.seed : clockSeed();
    if (!options.seed)
        std::fprintf(stderr, "seed %u\n", static_cast<unsigned>(seed));

    TerminationSignalWatcher signalWatcher;
    BatchRunner runner(seed, options.generations);
    LineWriter output(stdout);
    QObject::connect(&runner, &BatchRunner::lineReady, &output, &LineWriter::writeLine);
    // 128 + the signal's number, as a shell reports a process the signal ended.
    QObject::connect(&signalWatcher, &TerminationSignalWatcher::signalReceived, &runner,
                     [&runner](int signalNumber) { runner.interrupt(128 + signalNumber); });

    ExperimentRecorder recorder(
        {options.csvPath, options.plotPath, options.exportFolder, options.archivePath}, seed);
    const QString beginError = recorder.begin();
    if (!beginError.isEmpty()) {
        reportError(beginError);
        return 1;
    }
    // Written on the worker's thread with its lock held, read once it is idle.
    QString recordError;
    QObject::connect(
        runner.evolutionWorker(), &LifegameThread::sendMessage, &runner,
        [&](const QString& line) {
            if (line == stoppedLine || !recordError.isEmpty())
                return;
            recordError = recorder.recordGeneration(*runner.evolutionWorker());
            if (!recordError.isEmpty())
                QMetaObject::invokeMethod(
                    &runner, [&runner] { runner.interrupt(1); }, Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    // An interrupted batch still leaves its outputs, complete up to the last
    // generation it printed.
    QObject::connect(&runner, &BatchRunner::finished, &app, [&](int exitCode) {
        const QString error =
            recordError.isEmpty() ? recorder.finish(*runner.evolutionWorker()) : recordError;
        if (!error.isEmpty()) {
            recorder.abandon();
            reportError(error);
            exitCode = 1;
        }
        QCoreApplication::exit(exitCode);
    });
    runner.start();
    return app.exec();
}
