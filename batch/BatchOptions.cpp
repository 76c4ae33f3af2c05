#include "batch/BatchOptions.h"

#include "board/MatchPool.h"
#include "charts/ImageFile.h"
#include "cli/ExitCodes.h"
#include "cli/OptionTable.h"
#include "output/QuotedText.h"
#include "records/ConfigFile.h"

#include <QCommandLineParser>

#include <limits>

namespace
{

// Every option, in the usage's order.
const OptionTable& batchOptions()
{
    static const OptionTable table({
        numberOption(QStringLiteral("seed"), QStringLiteral("N"),
                     QStringLiteral("Seed the random sources with <N>, a whole number from 0 to "
                                    "4294967295. Without it the clock seeds them and the seed is "
                                    "written to standard error."),
                     0, std::numeric_limits<std::uint32_t>::max()),
        numberOption(QStringLiteral("generations"), QStringLiteral("N"),
                     QStringLiteral("Stop after generation <N> (at least 1; default 100), "
                                    "starting a new run after every 100 generations."),
                     1, std::numeric_limits<int>::max()),
        textOption(QStringLiteral("csv"), QStringLiteral("FILE"),
                   QStringLiteral("Log every generation's averages and best scores to <FILE> as "
                                  "CSV.")),
        textOption(QStringLiteral("plot"), QStringLiteral("FILE"),
                   QStringLiteral("Draw the averages and best scores over the generations as a "
                                  "chart in <FILE> at the end; %1.")
                       .arg(imageFormatRule())),
        textOption(QStringLiteral("export"), QStringLiteral("DIR"),
                   QStringLiteral("At the end, write best1.rle, best2.rle, duel.rle and "
                                  "Coevolife.rule into <DIR>, created if missing.")),
        textOption(QStringLiteral("archive"), QStringLiteral("FILE"),
                   QStringLiteral("Record every generation's two populations and champions in "
                                  "<FILE>, a run archive for coevolife-analyze.")),
        textOption(QStringLiteral("checkpoint"), QStringLiteral("FILE"),
                   QStringLiteral("Keep the whole state of the run in <FILE>, replaced after "
                                  "every generation, so that --resume can go on from it.")),
        textOption(QStringLiteral("resume"), QStringLiteral("FILE"),
                   QStringLiteral("Go on from the checkpoint <FILE> to --generations (default: "
                                  "the number it was started with), with its options and "
                                  "checkpointing into it again; options given must agree with "
                                  "it.")),
        textOption(QStringLiteral("checkpoint-info"), QStringLiteral("FILE"),
                   QStringLiteral("Print \"generation N\", the generation the checkpoint <FILE> "
                                  "holds, and run nothing.")),
        textOption(QStringLiteral("threads"), QStringLiteral("N"),
                   QStringLiteral("Play the matches on <N> threads, 1 to %1 (default: one per "
                                  "CPU). The output is the same for any number.")
                       .arg(MatchPool::maximumThreadCount)),
        flagOption(QStringLiteral("board-threads"),
                   QStringLiteral("Play the matches as the window does, two at a time, each on "
                                  "a board thread started for it. Slower; the output is the "
                                  "same.")),
        textOption(QStringLiteral("config"), QStringLiteral("FILE"),
                   QStringLiteral("Play the experiment of the TOML file <FILE> (see "
                                  "--print-config for every key); keys it leaves out keep their "
                                  "defaults.")),
        repeatable(textOption(QStringLiteral("set"), QStringLiteral("KEY=VALUE"),
                              QStringLiteral("Set one key of the experiment, e.g. "
                                             "board.width=200, over --config; may be given many "
                                             "times, a later one winning."))),
        flagOption(QStringLiteral("print-config"),
                   QStringLiteral("Print the experiment's whole configuration as TOML and run "
                                  "nothing.")),
    });
    return table;
}

// The options of a command line the table has passed.
BatchOptionsParse valuesOf(const QCommandLineParser& parser, const QString& program)
{
    const OptionTable& table = batchOptions();
    const auto option = [&table](const char* name) -> const QCommandLineOption& {
        return table.option(QLatin1String(name));
    };
    BatchOptionsParse result;
    BatchOptions& chosen = result.options;
    QString problem;
    QHash<QString, qint64> numbers;
    if (!table.readNumbers(parser, numbers, problem))
        return refusal(program, problem);
    if (numbers.contains(QStringLiteral("seed")))
        chosen.seed = static_cast<std::uint32_t>(numbers.value(QStringLiteral("seed")));
    if (numbers.contains(QStringLiteral("generations")))
        chosen.generations = static_cast<int>(numbers.value(QStringLiteral("generations")));
    const auto threads = threadCountOption(parser, option("threads"), problem);
    if (!threads)
        return refusal(program, problem);
    chosen.threads = *threads;
    chosen.boardThreads = parser.isSet(option("board-threads"));
    if (chosen.boardThreads && parser.isSet(option("threads")))
        return refusal(program, QStringLiteral("--board-threads plays on two boards; --threads "
                                               "does not go with it"));
    problem = table.emptyValue(parser);
    if (!problem.isEmpty())
        return refusal(program, problem);
    chosen.outputs = {parser.value(option("csv")), parser.value(option("plot")),
                      parser.value(option("export")), parser.value(option("archive"))};
    chosen.checkpointPath = parser.value(option("checkpoint"));
    chosen.resumePath = parser.value(option("resume"));
    chosen.checkpointInfoPath = parser.value(option("checkpoint-info"));
    chosen.configPath = parser.value(option("config"));
    chosen.settings = parser.values(option("set"));
    chosen.printConfig = parser.isSet(option("print-config"));
    return result;
}

// The first option given that runs something, by name, or empty.
QString runOptionGiven(const BatchOptions& options)
{
    const std::pair<const char*, bool> given[] = {
        {"seed", options.seed.has_value()},
        {"generations", options.generations.has_value()},
        {"csv", !options.outputs.csvPath.isEmpty()},
        {"plot", !options.outputs.plotPath.isEmpty()},
        {"export", !options.outputs.exportFolder.isEmpty()},
        {"archive", !options.outputs.archivePath.isEmpty()},
        {"checkpoint", !options.checkpointPath.isEmpty()},
        {"resume", !options.resumePath.isEmpty()},
    };
    for (const auto& [name, isGiven] : given)
        if (isGiven)
            return QLatin1String(name);
    return {};
}

} // namespace

BatchOptionsParse parseBatchOptions(const QStringList& arguments)
{
    const QString program = programName(arguments, QStringLiteral("coevolife-batch"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the co-evolution without a window and prints the lines the log pane "
                       "would show, one per line.\n\n") +
        QLatin1String(ExitCode::exitCodesHelp));
    addHelpAndVersionOptions(parser);
    batchOptions().addTo(parser);
    if (const auto stop = parseHelpOrSyntax(parser, arguments, program))
        return *stop;
    // No command: the program takes no argument besides its options.
    CommandRow batch;
    batch.mostArguments = 0;
    QString problem = argumentProblem(batch, parser.positionalArguments());
    if (problem.isEmpty())
        problem = batchOptions().repeated(parser);
    if (!problem.isEmpty())
        return refusal(program, problem);
    return valuesOf(parser, program);
}

BatchOptionsParse withExperiment(const QStringList& arguments, BatchOptionsParse parsed)
{
    if (parsed.outcome != ParseVerdict::Outcome::Run)
        return parsed;
    const QString program = programName(arguments, QStringLiteral("coevolife-batch"));
    BatchOptions& options = parsed.options;
    const ConfigRead config = readExperimentConfig(options.configPath, options.settings);
    if (!config.ok())
        return configRefusal(program, config.error);
    options.config = config.config;
    if (!options.checkpointInfoPath.isEmpty())
        if (const QString given = runOptionGiven(options); !given.isEmpty())
            return refusal(
                program, QStringLiteral("--checkpoint-info runs nothing; --%1 does not go with it")
                             .arg(given));
    return parsed;
}
