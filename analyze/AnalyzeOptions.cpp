#include "analyze/AnalyzeOptions.h"

#include "analysis/RunFolders.h"
#include "board/MatchPool.h"
#include "charts/ImageFile.h"
#include "cli/ExitCodes.h"
#include "cli/OptionTable.h"
#include "output/QuotedText.h"

#include <QCommandLineParser>

#include <algorithm>
#include <limits>
#include <utility>

namespace
{

constexpr qint64 largest = std::numeric_limits<int>::max();

const char description[] =
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
    "                              statistics against the first condition\n"
    "  lineage ARCHIVE --csv FILE [--of G | --all]\n"
    "                              the phylogeny of generation G's members (default: the "
    "last), as\n"
    "                              the ALife Data Standards have it: every ancestor's birth "
    "and score\n"
    "  descent ARCHIVE --csv FILE [--png FILE] [--of G] [--population P] [--member I]\n"
    "                              the line of descent of one member (default: population "
    "1's\n"
    "                              champion of the last generation) back to the first "
    "generation\n"
    "  turnover ARCHIVE --csv FILE [--png FILE]\n"
    "                              per generation, the distinct patterns and the time to "
    "coalescence\n"
    "                              of each population\n\n"
    "Every output is checked before any input is read; Ctrl-C or SIGTERM stops an analysis "
    "with nothing written.";

// Every option, in the usage's order; the flag last.
const OptionTable& analyzeOptions()
{
    static const OptionTable table({
        textOption(QStringLiteral("csv"), QStringLiteral("FILE"),
                   QStringLiteral("grid: write the grid to <FILE>; ciao: also the grid; master: "
                                  "also the means; summary: the quartiles; compare: the "
                                  "statistics; crossplay: the per-run means.")),
        textOption(QStringLiteral("png"), QStringLiteral("FILE"),
                   QStringLiteral("ciao, master, summary, compare, crossplay, descent, turnover: draw "
                                  "the chart in "
                                  "<FILE>; %1.")
                       .arg(imageFormatRule())),
        textOption(QStringLiteral("stats"), QStringLiteral("FILE"),
                   QStringLiteral("crossplay: write the statistics of the means to <FILE>.")),
        numberOption(QStringLiteral("at"), QStringLiteral("G"),
                     QStringLiteral("compare: the generation compared (default: the last one "
                                    "every run reached); crossplay: the champions' generation "
                                    "(default: each run's last)."),
                     1, largest),
        textOption(QStringLiteral("export"), QStringLiteral("DIR"),
                   QStringLiteral("duel: write duel.rle and Coevolife.rule into <DIR>, created "
                                  "if missing.")),
        numberOption(QStringLiteral("first"), QStringLiteral("G"),
                     QStringLiteral("duel: population 1's champion of generation <G>."), 1,
                     largest),
        numberOption(QStringLiteral("second"), QStringLiteral("G"),
                     QStringLiteral("duel: population 2's champion of generation <G>."), 1,
                     largest),
        textOption(QStringLiteral("generations"), QStringLiteral("A:B"),
                   QStringLiteral("Only generations <A> to <B>, both included (default: all).")),
        numberOption(QStringLiteral("every"), QStringLiteral("K"),
                     QStringLiteral("Only every <K>-th generation, counted from the first "
                                    "(default 1)."),
                     1, largest),
        textOption(QStringLiteral("threads"), QStringLiteral("N"),
                   QStringLiteral("Play the matches on <N> threads, 1 to %1 (default: one per "
                                  "CPU).")
                       .arg(MatchPool::maximumThreadCount)),
        numberOption(QStringLiteral("of"), QStringLiteral("G"),
                     QStringLiteral("lineage, descent: the generation traced back (default: the "
                                    "archive's last)."),
                     1, largest),
        flagOption(QStringLiteral("all"),
                   QStringLiteral("lineage: every member of every generation, not only the "
                                  "ancestors of one generation's.")),
        numberOption(QStringLiteral("population"), QStringLiteral("P"),
                     QStringLiteral("descent: the member's population, 1 or 2 (default 1)."), 1,
                     2),
        numberOption(QStringLiteral("member"), QStringLiteral("I"),
                     QStringLiteral("descent: the member's index, from 0 (default: its "
                                    "generation's champion)."),
                     0, largest),
        flagOption(QStringLiteral("full-range"),
                   QStringLiteral("ciao: colour each map up to its highest score (default: up "
                                  "to its 95th percentile, higher scores in the top colour, so "
                                  "that a few very high scores cannot pale the rest).")),
    });
    return table;
}

struct AnalyzeCommand {
    AnalyzeOptions::Command command;
    CommandRow row;
};

// Every command: what it needs, what else it takes, its arguments.
const std::vector<AnalyzeCommand>& analyzeCommands()
{
    const auto command = [](AnalyzeOptions::Command chosen, const char* name, QStringList required,
                            QStringList allowed, int fewest, int most, const char* tooFew) {
        return AnalyzeCommand{chosen,
                              {QString::fromLatin1(name), std::move(required), std::move(allowed),
                               fewest, most, QString::fromLatin1(tooFew)}};
    };
    using Command = AnalyzeOptions::Command;
    const QStringList ranged = {QStringLiteral("threads"), QStringLiteral("generations"),
                                QStringLiteral("every")};
    const int many = std::numeric_limits<int>::max();
    const char* const archive = "%1 needs an archive";
    const char* const conditions = "%1 needs two conditions at least, the control first";
    static const std::vector<AnalyzeCommand> commands = {
        command(Command::Grid, "grid", {QStringLiteral("csv")}, ranged, 1, 1, archive),
        command(Command::Ciao, "ciao", {QStringLiteral("png")},
                ranged + QStringList{QStringLiteral("csv"), QStringLiteral("full-range")}, 1, 1,
                archive),
        command(Command::Master, "master", {QStringLiteral("png")},
                ranged + QStringList{QStringLiteral("csv")}, 1, 1, archive),
        command(Command::Duel, "duel",
                {QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("export")}, {},
                1, 1, archive),
        command(Command::Summary, "summary", {QStringLiteral("csv")}, {QStringLiteral("png")}, 1,
                many, "%1 needs at least one run"),
        command(Command::Compare, "compare", {QStringLiteral("csv"), QStringLiteral("png")},
                {QStringLiteral("at")}, 2, many, conditions),
        command(Command::Crossplay, "crossplay",
                {QStringLiteral("csv"), QStringLiteral("stats"), QStringLiteral("png")},
                {QStringLiteral("at"), QStringLiteral("threads")}, 2, many, conditions),
        command(Command::Lineage, "lineage", {QStringLiteral("csv")},
                {QStringLiteral("of"), QStringLiteral("all")}, 1, 1, archive),
        command(Command::Descent, "descent", {QStringLiteral("csv")},
                {QStringLiteral("png"), QStringLiteral("of"), QStringLiteral("population"),
                 QStringLiteral("member")},
                1, 1, archive),
        command(Command::Turnover, "turnover", {QStringLiteral("csv")}, {QStringLiteral("png")}, 1,
                1, archive),
    };
    return commands;
}

bool takesConditions(AnalyzeOptions::Command command)
{
    return command == AnalyzeOptions::Command::Compare ||
           command == AnalyzeOptions::Command::Crossplay;
}

// The values of a command line the table has passed.
AnalyzeOptionsParse valuesOf(const QCommandLineParser& parser, const QString& program,
                             AnalyzeOptionsParse result)
{
    const OptionTable& table = analyzeOptions();
    AnalyzeOptions& chosen = result.options;
    // Where they lie is checked with the outputs' folders, after the parse.
    chosen.csvPath = parser.value(table.option(QStringLiteral("csv")));
    chosen.pngPath = parser.value(table.option(QStringLiteral("png")));
    chosen.statsPath = parser.value(table.option(QStringLiteral("stats")));
    chosen.exportFolder = parser.value(table.option(QStringLiteral("export")));
    chosen.fullColourRange = parser.isSet(table.option(QStringLiteral("full-range")));
    chosen.everyBirth = parser.isSet(table.option(QStringLiteral("all")));
    QString problem;
    QHash<QString, qint64> numbers;
    if (!table.readNumbers(parser, numbers, problem))
        return refusal(program, problem);
    chosen.first = static_cast<int>(numbers.value(QStringLiteral("first"), chosen.first));
    chosen.second = static_cast<int>(numbers.value(QStringLiteral("second"), chosen.second));
    chosen.range.every =
        static_cast<int>(numbers.value(QStringLiteral("every"), chosen.range.every));
    chosen.at = static_cast<int>(numbers.value(QStringLiteral("at"), chosen.at));
    chosen.of = static_cast<int>(numbers.value(QStringLiteral("of"), chosen.of));
    chosen.population =
        static_cast<int>(numbers.value(QStringLiteral("population"), chosen.population));
    chosen.member = static_cast<int>(numbers.value(QStringLiteral("member"), chosen.member));
    if (chosen.everyBirth && chosen.of != 0)
        return refusal(program, QStringLiteral("--of and --all are two answers to one question: "
                                               "give one of them"));
    const auto threads =
        threadCountOption(parser, table.option(QStringLiteral("threads")), problem);
    if (!threads)
        return refusal(program, problem);
    chosen.threads = *threads;
    const QCommandLineOption& generations = table.option(QStringLiteral("generations"));
    if (parser.isSet(generations)) {
        const QString text = parser.value(generations);
        const QStringList ends = text.split(QLatin1Char(':'));
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

} // namespace

AnalyzeOptionsParse parseAnalyzeOptions(const QStringList& arguments)
{
    const QString program = programName(arguments, QStringLiteral("coevolife-analyze"));
    const OptionTable& table = analyzeOptions();
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    addHelpAndVersionOptions(parser);
    table.addTo(parser);
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("grid, ciao, master, duel, summary, compare, crossplay, lineage, descent "
                       "or turnover."));
    parser.addPositionalArgument(
        QStringLiteral("archive"),
        QStringLiteral("The run archive; for summary, the runs; for compare and "
                       "crossplay, the conditions."));
    if (const auto stop = parseHelpOrSyntax(parser, arguments, program))
        return *stop;

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return refusal(program, QStringLiteral("no command given"));
    const QString name = positional.first();
    const auto& commands = analyzeCommands();
    const auto command =
        std::find_if(commands.begin(), commands.end(),
                     [&name](const AnalyzeCommand& c) { return c.row.name == name; });
    if (command == commands.end())
        return refusal(program, QStringLiteral("unknown command '%1'").arg(quotedText(name)));
    AnalyzeOptionsParse result;
    result.options.command = command->command;
    QString problem = argumentProblem(command->row, positional.mid(1));
    if (!problem.isEmpty()) {
        AnalyzeOptionsParse refused = refusal(program, problem);
        // What withConditionsHint looks at.
        refused.options.command = command->command;
        refused.options.runPaths = positional.mid(1);
        return refused;
    }
    if (takesConditions(command->command) || command->command == AnalyzeOptions::Command::Summary)
        result.options.runPaths = positional.mid(1);
    else
        result.options.archivePath = positional[1];
    problem = table.repeated(parser);
    if (problem.isEmpty())
        problem = table.commandProblem(parser, command->row);
    if (problem.isEmpty())
        problem = table.emptyValue(parser);
    if (!problem.isEmpty())
        return refusal(program, problem);
    return valuesOf(parser, program, result);
}

AnalyzeOptionsParse withConditionsHint(const QStringList& arguments, AnalyzeOptionsParse parsed)
{
    if (parsed.outcome != ParseVerdict::Outcome::Error ||
        !takesConditions(parsed.options.command) || parsed.options.runPaths.size() != 1)
        return parsed;
    const QString command = parsed.options.command == AnalyzeOptions::Command::Compare
                                ? QStringLiteral("compare")
                                : QStringLiteral("crossplay");
    const QString hint = conditionFoldersHint(parsed.options.runPaths.first(), command);
    if (hint.isEmpty())
        return parsed;
    const QString program = programName(arguments, QStringLiteral("coevolife-analyze"));
    return ParseVerdict{ParseVerdict::Outcome::Error, QStringLiteral("%1: %2").arg(program, hint)};
}
