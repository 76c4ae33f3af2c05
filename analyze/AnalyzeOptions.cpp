#include "analyze/AnalyzeOptions.h"

#include "analysis/RunFolders.h"
#include "board/MatchPool.h"
#include "cli/ExitCodes.h"
#include "charts/ImageFile.h"
#include "records/QuotedText.h"

#include <QCommandLineParser>

#include <limits>

AnalyzeOptionsParse parseAnalyzeOptions(const QStringList& arguments)
{
    const QString program = programName(arguments, QStringLiteral("coevolife-analyze"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays the champions recorded in a run archive (coevolife-batch --archive) against each "
        "other.\n\n"
        "  grid ARCHIVE --csv FILE     every champion of population 1 against every champion "
        "of population 2\n"
        "  ciao ARCHIVE --png FILE     the CIAO triangles: champions against ancestral "
        "opponents\n"
        "  master ARCHIVE --png FILE   each champion's mean score against all champions of "
        "the other population\n"
        "  duel ARCHIVE --first G1 --second G2 --export DIR\n"
        "                              that match as RLE and rule files for a Life simulator\n"
        "  summary RUN... --csv FILE [--png FILE]\n"
        "                              per generation, the quartiles of the runs' averages "
        "and best scores;\n"
        "                              RUN is a folder holding fitness.csv or a CSV log "
        "(coevolife-batch --csv)\n"
        "  compare DIR... --csv FILE --png FILE [--at G]\n"
        "                              each condition against the first (the control) at "
        "generation G:\n"
        "                              Mann-Whitney U, p, Vargha-Delaney A and Holm's p per "
        "series;\n"
        "                              DIR is a condition's folder of run folders (a sweep's "
        "OUT/CONDITION)\n"
        "  crossplay DIR... --csv FILE --stats FILE --png FILE [--at G]\n"
        "                              every run's champions against the other runs' "
        "champions, of\n"
        "                              generation G (default: each run's last): per-run means "
        "and their\n"
        "                              statistics against the first condition\n\n"
        "Every output is checked before any input is read; Ctrl-C or SIGTERM stops an analysis "
        "with nothing written."));
    addHelpAndVersionOptions(parser);
    const QCommandLineOption csvOption(
        QStringLiteral("csv"),
        QStringLiteral("grid: write the grid to <FILE>; ciao: also the grid; master: also the "
                       "means; summary: the quartiles; compare: the statistics; crossplay: the "
                       "per-run means."),
        QStringLiteral("FILE"));
    const QCommandLineOption pngOption(
        QStringLiteral("png"),
        QStringLiteral("ciao, master, summary, compare, crossplay: draw the chart in <FILE>; %1.")
            .arg(imageFormatRule()),
        QStringLiteral("FILE"));
    const QCommandLineOption statsOption(
        QStringLiteral("stats"),
        QStringLiteral("crossplay: write the statistics of the means to <FILE>."),
        QStringLiteral("FILE"));
    const QCommandLineOption atOption(
        QStringLiteral("at"),
        QStringLiteral("compare: the generation compared (default: the last one every run "
                       "reached); crossplay: the champions' generation (default: each run's "
                       "last)."),
        QStringLiteral("G"));
    // A flag, so not among the options below, which all take a value.
    const QCommandLineOption fullRangeOption(
        QStringLiteral("full-range"),
        QStringLiteral("ciao: colour each map up to its highest score (default: up to its 95th "
                       "percentile, higher scores in the top colour, so that a few very high "
                       "scores cannot pale the rest)."));
    const QCommandLineOption exportOption(
        QStringLiteral("export"),
        QStringLiteral("duel: write duel.rle and Coevolife.rule into <DIR>, created if missing."),
        QStringLiteral("DIR"));
    const QCommandLineOption firstOption(
        QStringLiteral("first"), QStringLiteral("duel: population 1's champion of generation <G>."),
        QStringLiteral("G"));
    const QCommandLineOption secondOption(
        QStringLiteral("second"),
        QStringLiteral("duel: population 2's champion of generation <G>."), QStringLiteral("G"));
    const QCommandLineOption generationsOption(
        QStringLiteral("generations"),
        QStringLiteral("Only generations <A> to <B>, both included (default: all)."),
        QStringLiteral("A:B"));
    const QCommandLineOption everyOption(
        QStringLiteral("every"),
        QStringLiteral("Only every <K>-th generation, counted from the first (default 1)."),
        QStringLiteral("K"));
    const QCommandLineOption threadsOption(
        QStringLiteral("threads"),
        QStringLiteral("Play the matches on <N> threads, 1 to %1 (default: one per CPU).")
            .arg(MatchPool::maximumThreadCount),
        QStringLiteral("N"));
    const QList<const QCommandLineOption*> options = {
        &csvOption,   &pngOption,    &statsOption,       &atOption,    &exportOption,
        &firstOption, &secondOption, &generationsOption, &everyOption, &threadsOption};
    for (const QCommandLineOption* option : options)
        parser.addOption(*option);
    parser.addOption(fullRangeOption);
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("grid, ciao, master, duel, summary, compare or crossplay."));
    parser.addPositionalArgument(
        QStringLiteral("archive"),
        QStringLiteral("The run archive; for summary, the runs; for compare and "
                       "crossplay, the conditions."));

    if (const auto stop = parseHelpOrSyntax(parser, arguments, program))
        return *stop;

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return refusal(program, QStringLiteral("no command given"));
    const QString command = positional.first();
    AnalyzeOptionsParse result;
    AnalyzeOptions& chosen = result.options;
    // Which options each command takes; the rest are refused.
    QList<const QCommandLineOption*> allowed = {&threadsOption, &generationsOption, &everyOption};
    QList<const QCommandLineOption*> required;
    if (command == QStringLiteral("grid")) {
        chosen.command = AnalyzeOptions::Command::Grid;
        required = {&csvOption};
    } else if (command == QStringLiteral("ciao") || command == QStringLiteral("master")) {
        chosen.command = command == QStringLiteral("ciao") ? AnalyzeOptions::Command::Ciao
                                                           : AnalyzeOptions::Command::Master;
        required = {&pngOption};
        allowed << &csvOption;
    } else if (command == QStringLiteral("duel")) {
        chosen.command = AnalyzeOptions::Command::Duel;
        required = {&firstOption, &secondOption, &exportOption};
        allowed.clear();
    } else if (command == QStringLiteral("summary")) {
        chosen.command = AnalyzeOptions::Command::Summary;
        required = {&csvOption};
        allowed = {&pngOption};
    } else if (command == QStringLiteral("compare")) {
        chosen.command = AnalyzeOptions::Command::Compare;
        required = {&csvOption, &pngOption};
        allowed = {&atOption};
    } else if (command == QStringLiteral("crossplay")) {
        chosen.command = AnalyzeOptions::Command::Crossplay;
        required = {&csvOption, &statsOption, &pngOption};
        allowed = {&atOption, &threadsOption};
    } else {
        return refusal(program, QStringLiteral("unknown command '%1'").arg(quotedText(command)));
    }
    allowed << required;

    if (chosen.command == AnalyzeOptions::Command::Summary) {
        if (positional.size() < 2)
            return refusal(program, QStringLiteral("summary needs at least one run"));
        chosen.runPaths = positional.mid(1);
    } else if (chosen.command == AnalyzeOptions::Command::Compare ||
               chosen.command == AnalyzeOptions::Command::Crossplay) {
        if (positional.size() < 3) {
            // The likeliest mistake, a sweep's OUT given for its conditions,
            // is named with its remedy, which --help would not add to.
            const QString hint =
                positional.size() == 2 ? conditionFoldersHint(positional[1], command) : QString();
            if (!hint.isEmpty())
                return ParseVerdict{ParseVerdict::Outcome::Error,
                                    QStringLiteral("%1: %2").arg(program, hint)};
            return refusal(
                program,
                QStringLiteral("%1 needs two conditions at least, the control first").arg(command));
        }
        chosen.runPaths = positional.mid(1);
    } else {
        if (positional.size() < 2)
            return refusal(program, QStringLiteral("%1 needs an archive").arg(command));
        if (positional.size() > 2)
            return refusal(
                program, QStringLiteral("unexpected argument '%1'").arg(quotedText(positional[2])));
        chosen.archivePath = positional[1];
    }

    QString problem = repeatedOption(parser, options);
    for (const QCommandLineOption* option : options) {
        const QString name = option->names().first();
        if (problem.isEmpty() && parser.isSet(*option) && !allowed.contains(option))
            problem = QStringLiteral("%1 takes no --%2").arg(command, name);
        if (problem.isEmpty() && !parser.isSet(*option) && required.contains(option))
            problem = QStringLiteral("%1 needs --%2").arg(command, name);
    }
    if (problem.isEmpty() && parser.isSet(fullRangeOption) &&
        chosen.command != AnalyzeOptions::Command::Ciao)
        problem = QStringLiteral("%1 takes no --full-range").arg(command);
    if (problem.isEmpty())
        problem = emptyOption(parser, options);
    if (!problem.isEmpty())
        return refusal(program, problem);

    // Where they lie is checked with the outputs' folders, after the parse.
    chosen.csvPath = parser.value(csvOption);
    chosen.pngPath = parser.value(pngOption);
    chosen.statsPath = parser.value(statsOption);
    chosen.exportFolder = parser.value(exportOption);
    chosen.fullColourRange = parser.isSet(fullRangeOption);
    for (const auto& [option, target] :
         {std::pair{&firstOption, &chosen.first}, std::pair{&secondOption, &chosen.second},
          std::pair{&everyOption, &chosen.range.every}, std::pair{&atOption, &chosen.at}}) {
        if (!parser.isSet(*option))
            continue;
        const auto value =
            wholeNumberOption(parser, *option, 1, std::numeric_limits<int>::max(), problem);
        if (!value)
            return refusal(program, problem);
        *target = static_cast<int>(*value);
    }
    const auto threads = threadCountOption(parser, threadsOption, problem);
    if (!threads)
        return refusal(program, problem);
    chosen.threads = *threads;
    if (parser.isSet(generationsOption)) {
        const QString text = parser.value(generationsOption);
        const QStringList ends = text.split(QLatin1Char(':'));
        constexpr qint64 largest = std::numeric_limits<int>::max();
        const auto first = ends.size() == 2 ? parseWholeNumber(ends[0], 1, largest) : std::nullopt;
        const auto last = ends.size() == 2 ? parseWholeNumber(ends[1], 1, largest) : std::nullopt;
        if (!first || !last || *first > *last)
            return refusal(program, QStringLiteral("--generations '%1' is not A:B with whole "
                                                   "numbers 1 <= A <= B")
                                        .arg(quotedText(text)));
        chosen.range.first = static_cast<int>(*first);
        chosen.range.last = static_cast<int>(*last);
    }
    return result;
}
