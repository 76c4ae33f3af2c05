#include "batch/BatchOptions.h"

#include "board/MatchPool.h"
#include "cli/ExitCodes.h"
#include "charts/ImageFile.h"
#include "records/ConfigFile.h"
#include "records/QuotedText.h"

#include <QCommandLineParser>

#include <limits>

BatchOptionsParse parseBatchOptions(const QStringList& arguments)
{
    const QString program = programName(arguments, QStringLiteral("coevolife-batch"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the co-evolution without a window and prints the lines the log pane "
                       "would show, one per line.\n\n") +
        QLatin1String(ExitCode::exitCodesHelp));
    addHelpAndVersionOptions(parser);
    const QCommandLineOption seedOption(
        QStringLiteral("seed"),
        QStringLiteral("Seed the random sources with <N>, a whole number from 0 to 4294967295. "
                       "Without it the clock seeds them and the seed is written to standard "
                       "error."),
        QStringLiteral("N"));
    const QCommandLineOption generationsOption(
        QStringLiteral("generations"),
        QStringLiteral("Stop after generation <N> (at least 1; default 100), starting a new run "
                       "after every 100 generations."),
        QStringLiteral("N"));
    const QCommandLineOption csvOption(
        QStringLiteral("csv"),
        QStringLiteral("Log every generation's averages and best scores to <FILE> as CSV."),
        QStringLiteral("FILE"));
    const QCommandLineOption plotOption(
        QStringLiteral("plot"),
        QStringLiteral("Draw the averages and best scores over the generations as a chart in "
                       "<FILE> at the end; %1.")
            .arg(imageFormatRule()),
        QStringLiteral("FILE"));
    const QCommandLineOption exportOption(
        QStringLiteral("export"),
        QStringLiteral("At the end, write best1.rle, best2.rle, duel.rle and Coevolife.rule "
                       "into <DIR>, created if missing."),
        QStringLiteral("DIR"));
    const QCommandLineOption archiveOption(
        QStringLiteral("archive"),
        QStringLiteral("Record every generation's two populations and champions in <FILE>, a "
                       "run archive for coevolife-analyze."),
        QStringLiteral("FILE"));
    const QCommandLineOption checkpointOption(
        QStringLiteral("checkpoint"),
        QStringLiteral("Keep the whole state of the run in <FILE>, replaced after every "
                       "generation, so that --resume can go on from it."),
        QStringLiteral("FILE"));
    const QCommandLineOption resumeOption(
        QStringLiteral("resume"),
        QStringLiteral("Go on from the checkpoint <FILE> to --generations (default: the number "
                       "it was started with), with its options and checkpointing into it "
                       "again; options given must agree with it."),
        QStringLiteral("FILE"));
    const QCommandLineOption checkpointInfoOption(
        QStringLiteral("checkpoint-info"),
        QStringLiteral("Print \"generation N\", the generation the checkpoint <FILE> holds, and "
                       "run nothing."),
        QStringLiteral("FILE"));
    const QCommandLineOption threadsOption(
        QStringLiteral("threads"),
        QStringLiteral("Play the matches on <N> threads, 1 to %1 (default: one per CPU). The "
                       "output is the same for any number.")
            .arg(MatchPool::maximumThreadCount),
        QStringLiteral("N"));
    const QCommandLineOption boardThreadsOption(
        QStringLiteral("board-threads"),
        QStringLiteral("Play the matches as the window does, two at a time, each on a board "
                       "thread started for it. Slower; the output is the same."));
    const QCommandLineOption configOption(
        QStringLiteral("config"),
        QStringLiteral("Play the experiment of the TOML file <FILE> (see --print-config for "
                       "every key); keys it leaves out keep their defaults."),
        QStringLiteral("FILE"));
    const QCommandLineOption setOption(
        QStringLiteral("set"),
        QStringLiteral("Set one key of the experiment, e.g. board.width=200, over --config; "
                       "may be given many times, a later one winning."),
        QStringLiteral("KEY=VALUE"));
    const QCommandLineOption printConfigOption(
        QStringLiteral("print-config"),
        QStringLiteral("Print the experiment's whole configuration as TOML and run nothing."));
    parser.addOption(seedOption);
    parser.addOption(generationsOption);
    parser.addOption(csvOption);
    parser.addOption(plotOption);
    parser.addOption(exportOption);
    parser.addOption(archiveOption);
    parser.addOption(checkpointOption);
    parser.addOption(resumeOption);
    parser.addOption(checkpointInfoOption);
    parser.addOption(threadsOption);
    parser.addOption(boardThreadsOption);
    parser.addOption(configOption);
    parser.addOption(setOption);
    parser.addOption(printConfigOption);

    if (const auto stop = parseHelpOrSyntax(parser, arguments, program))
        return *stop;
    if (!parser.positionalArguments().isEmpty())
        return refusal(program, QStringLiteral("unexpected argument '%1'")
                                    .arg(quotedText(parser.positionalArguments().first())));

    const QList<const QCommandLineOption*> runOptions = {
        &seedOption,   &generationsOption, &csvOption,        &plotOption,
        &exportOption, &archiveOption,     &checkpointOption, &resumeOption};
    QString problem = repeatedOption(
        parser, runOptions + QList{&checkpointInfoOption, &threadsOption, &configOption});
    if (!problem.isEmpty())
        return refusal(program, problem);

    BatchOptionsParse result;
    if (parser.isSet(seedOption)) {
        const auto seed = wholeNumberOption(parser, seedOption, 0,
                                            std::numeric_limits<std::uint32_t>::max(), problem);
        if (!seed)
            return refusal(program, problem);
        result.options.seed = static_cast<std::uint32_t>(*seed);
    }
    if (parser.isSet(generationsOption)) {
        const auto generations = wholeNumberOption(parser, generationsOption, 1,
                                                   std::numeric_limits<int>::max(), problem);
        if (!generations)
            return refusal(program, problem);
        result.options.generations = static_cast<int>(*generations);
    }
    const auto threads = threadCountOption(parser, threadsOption, problem);
    if (!threads)
        return refusal(program, problem);
    result.options.threads = *threads;
    result.options.boardThreads = parser.isSet(boardThreadsOption);
    if (result.options.boardThreads && parser.isSet(threadsOption))
        return refusal(program, QStringLiteral("--board-threads plays on two boards; --threads "
                                               "does not go with it"));
    problem = emptyOption(parser,
                          {&csvOption, &plotOption, &exportOption, &archiveOption,
                           &checkpointOption, &resumeOption, &checkpointInfoOption, &configOption});
    if (!problem.isEmpty())
        return refusal(program, problem);
    result.options.outputs = {parser.value(csvOption), parser.value(plotOption),
                              parser.value(exportOption), parser.value(archiveOption)};
    result.options.checkpointPath = parser.value(checkpointOption);
    result.options.resumePath = parser.value(resumeOption);
    result.options.checkpointInfoPath = parser.value(checkpointInfoOption);
    result.options.configPath = parser.value(configOption);
    result.options.settings = parser.values(setOption);
    result.options.printConfig = parser.isSet(printConfigOption);
    const ConfigRead config =
        readExperimentConfig(result.options.configPath, result.options.settings);
    if (!config.ok())
        return configRefusal(program, config.error);
    result.options.config = config.config;
    if (parser.isSet(checkpointInfoOption))
        for (const QCommandLineOption* option : runOptions)
            if (parser.isSet(*option))
                return refusal(program, QStringLiteral("--checkpoint-info runs nothing; --%1 "
                                                       "does not go with it")
                                            .arg(option->names().first()));
    return result;
}
