#include "batch/BatchOptions.h"
#include "batch/BatchRunner.h"
#include "batch/LineWriter.h"
#include "batch/TerminationSignalWatcher.h"
#include "random/RandomSources.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    // First of all, so that every thread started later inherits the mask.
    blockTerminationSignals();
    QCoreApplication app(argc, argv);

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
    QObject::connect(&runner, &BatchRunner::finished, &app,
                     [](int exitCode) { QCoreApplication::exit(exitCode); });
    runner.start();
    return app.exec();
}
