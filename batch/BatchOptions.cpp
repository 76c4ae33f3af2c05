#include "batch/BatchOptions.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <limits>

namespace
{

// More threads than this would only wait for each other.
constexpr std::uint64_t maximumThreads = 1024;

// Plain decimal digits only: no sign, no blanks, no base prefix, no exponent,
// and nothing above `maximum`.
std::optional<std::uint64_t> parseWholeNumber(const QString& text, std::uint64_t maximum)
{
    if (text.isEmpty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        const std::uint64_t digit = static_cast<std::uint64_t>(c.unicode() - u'0');
        if (value > (maximum - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

BatchOptionsParse failure(const QString& program, const QString& problem)
{
    BatchOptionsParse result;
    result.outcome = BatchOptionsParse::Outcome::Error;
    result.text = QStringLiteral("%1: %2 (see '%1 --help')").arg(program, problem);
    return result;
}

} // namespace

BatchOptionsParse parseBatchOptions(const QStringList& arguments)
{
    const QString program = arguments.isEmpty() ? QStringLiteral("coevolife-batch")
                                                : QFileInfo(arguments.first()).fileName();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the co-evolution without a window and prints the lines the log pane "
                       "would show, one per line."));
    const QCommandLineOption helpOption = parser.addHelpOption();
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
        QStringLiteral("Draw the averages and best scores over the generations as a PNG chart "
                       "in <FILE> at the end."),
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
        QStringLiteral("Play the matches on <N> threads (default: one per CPU). The output is "
                       "the same for any number."),
        QStringLiteral("N"));
    const QCommandLineOption boardThreadsOption(
        QStringLiteral("board-threads"),
        QStringLiteral("Play the matches as the window does, two at a time, each on a board "
                       "thread started for it. Slower; the output is the same."));
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

    if (!parser.parse(arguments)) {
        QString problem = parser.errorText();
        if (problem.endsWith(QLatin1Char('.')))
            problem.chop(1);
        return failure(program, problem);
    }

    BatchOptionsParse result;
    // addHelpOption also brings --help-all, which shows the same text here.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        result.outcome = BatchOptionsParse::Outcome::Help;
        result.text = parser.helpText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return failure(
            program,
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    const QList<const QCommandLineOption*> runOptions = {
        &seedOption,   &generationsOption, &csvOption,        &plotOption,
        &exportOption, &archiveOption,     &checkpointOption, &resumeOption};
    for (const QCommandLineOption* option :
         runOptions + QList{&checkpointInfoOption, &threadsOption})
        if (parser.values(*option).size() > 1)
            return failure(
                program, QStringLiteral("--%1 given more than once").arg(option->names().first()));

    if (parser.isSet(seedOption)) {
        const QString text = parser.value(seedOption);
        const auto seed = parseWholeNumber(text, std::numeric_limits<std::uint32_t>::max());
        if (!seed)
            return failure(program, QStringLiteral("--seed '%1' is not a whole number from 0 to "
                                                   "4294967295")
                                        .arg(text));
        result.options.seed = static_cast<std::uint32_t>(*seed);
    }
    if (parser.isSet(generationsOption)) {
        const QString text = parser.value(generationsOption);
        const auto generations =
            parseWholeNumber(text, static_cast<std::uint64_t>(std::numeric_limits<int>::max()));
        if (!generations || *generations < 1)
            return failure(program, QStringLiteral("--generations '%1' is not a whole number from "
                                                   "1 to 2147483647")
                                        .arg(text));
        result.options.generations = static_cast<int>(*generations);
    }
    if (parser.isSet(threadsOption)) {
        const QString text = parser.value(threadsOption);
        const auto threads = parseWholeNumber(text, maximumThreads);
        if (!threads || *threads < 1)
            return failure(program,
                           QStringLiteral("--threads '%1' is not a whole number from 1 to %2")
                               .arg(text)
                               .arg(maximumThreads));
        result.options.threads = static_cast<int>(*threads);
    }
    result.options.boardThreads = parser.isSet(boardThreadsOption);
    if (result.options.boardThreads && result.options.threads)
        return failure(program, QStringLiteral("--board-threads plays on two boards; --threads "
                                               "does not go with it"));
    for (const QCommandLineOption* option :
         {&csvOption, &plotOption, &exportOption, &archiveOption, &checkpointOption, &resumeOption,
          &checkpointInfoOption})
        if (parser.isSet(*option) && parser.value(*option).isEmpty())
            return failure(
                program,
                QStringLiteral("--%1 needs a non-empty name").arg(option->names().first()));
    result.options.csvPath = parser.value(csvOption);
    result.options.plotPath = parser.value(plotOption);
    result.options.exportFolder = parser.value(exportOption);
    result.options.archivePath = parser.value(archiveOption);
    result.options.checkpointPath = parser.value(checkpointOption);
    result.options.resumePath = parser.value(resumeOption);
    result.options.checkpointInfoPath = parser.value(checkpointInfoOption);
    if (parser.isSet(checkpointInfoOption))
        for (const QCommandLineOption* option : runOptions)
            if (parser.isSet(*option))
                return failure(program, QStringLiteral("--checkpoint-info runs nothing; --%1 "
                                                       "does not go with it")
                                            .arg(option->names().first()));
    return result;
}
