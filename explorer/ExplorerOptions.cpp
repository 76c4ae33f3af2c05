#include "explorer/ExplorerOptions.h"

#include "charts/ImageFile.h"
#include "cli/ExitCodes.h"
#include "cli/OptionTable.h"
#include "output/QuotedText.h"

#include <limits>

namespace
{

const char usage[] =
    "Usage: coevolife-explorer [PATH] [--duel G1 G2 [--members I J] [--step K]\n"
    "                                 [--lineage G P I]]\n"
    "                          [--screenshot FILE | --board-image FILE]\n"
    "                          [--follow [--timeout S]] [--size WxH]\n"
    "Explores a run: PATH is a run folder (fitness.csv, run.arc, config.toml, any of them\n"
    "missing) or a run archive.\n\n"
    "  --duel G1 G2        select population 1's champion of generation G1 against\n"
    "                      population 2's of generation G2\n"
    "  --members I J       members I and J of those generations instead of the champions\n"
    "  --step K            show the duel at step K\n"
    "  --lineage G P I     follow the line of descent of population P's member I of\n"
    "                      generation G: its ancestors and descendants framed, its\n"
    "                      line in the strip under the populations\n"
    "  --screenshot FILE   write the window as shown to FILE and exit; .svg and .pdf\n"
    "                      keep the text as text\n"
    "  --size WxH          with --screenshot: the window's size (default 1280x800)\n"
    "  --board-image FILE  write the duel board alone to FILE, a whole number of\n"
    "                      pixels per cell, and exit\n"
    "  --follow            with --screenshot or --board-image: follow a run a batch is\n"
    "                      still writing until its files are final, then show its\n"
    "                      last generation\n"
    "  --timeout S         with --follow: stop following after S seconds\n"
    "  -h, --help          show this text\n"
    "  --version           show the program's version\n\n"
    "An image FILE is checked before the run is opened;\n";

// The options the usage lists, after the run.
const OptionTable& explorerOptions()
{
    const qint64 largest = std::numeric_limits<int>::max();
    const auto generations = [largest](const char* name, const char* valueName) {
        OptionRow row = numberOption(QLatin1String(name), QLatin1String(valueName), {}, 0, largest);
        row.values = 2;
        return row;
    };
    static const OptionTable table({
        generations("duel", "G1 G2"),
        generations("members", "I J"),
        [largest] {
            OptionRow row =
                numberOption(QStringLiteral("lineage"), QStringLiteral("G P I"), {}, 0, largest);
            row.values = 3;
            return row;
        }(),
        numberOption(QStringLiteral("step"), QStringLiteral("K"), {}, 0, largest),
        flagOption(QStringLiteral("follow"), {}),
        numberOption(QStringLiteral("timeout"), QStringLiteral("S"), {}, 0, largest),
        textOption(QStringLiteral("screenshot"), QStringLiteral("FILE"), {}),
        textOption(QStringLiteral("board-image"), QStringLiteral("FILE"), {}),
        textOption(QStringLiteral("size"), QStringLiteral("WxH"), {}),
    });
    return table;
}

std::optional<std::pair<int, int>> pairOf(const WordsRead& read, const QString& name)
{
    const QList<qint64> values = read.numbers.value(name);
    if (values.size() != 2)
        return std::nullopt;
    return std::make_pair(static_cast<int>(values[0]), static_cast<int>(values[1]));
}

// "WxH" as a size within the bounds, or the problem.
QString readWindowSize(const QString& text, QSize& size)
{
    const QStringList sides = text.split(QLatin1Char('x'));
    bool wide = false;
    bool high = false;
    const int width = sides.size() == 2 && sides[0].size() <= 6 ? sides[0].toInt(&wide) : 0;
    const int height = sides.size() == 2 && sides[1].size() <= 6 ? sides[1].toInt(&high) : 0;
    if (!wide || !high || width < smallestWindowSide || width > largestWindowSide ||
        height < smallestWindowSide || height > largestWindowSide)
        return QStringLiteral("--size %1: give WIDTHxHEIGHT, each %2 to %3 pixels")
            .arg(quotedText(text))
            .arg(smallestWindowSide)
            .arg(largestWindowSide);
    size = QSize(width, height);
    return {};
}

} // namespace

ExplorerOptionsParse parseExplorerOptions(const QStringList& arguments)
{
    const QString program = programName(arguments, QStringLiteral("coevolife-explorer"));
    ExplorerOptionsParse parsed;
    ExplorerOptions& options = parsed.options;
    const WordsRead read = readWords(arguments, explorerOptions(), [&options](const QString& word) {
        if (!options.path.isEmpty())
            return QStringLiteral("one run at a time: %1 and %2")
                .arg(quotedText(options.path), quotedText(word));
        options.path = word;
        return QString();
    });
    if (read.help) {
        parsed.outcome = ParseVerdict::Outcome::Help;
        parsed.text = QString::fromLatin1(usage) + imageFormatRule() + QStringLiteral(".\n\n") +
                      QLatin1String(ExitCode::exitCodesHelp) + QLatin1Char('\n');
        return parsed;
    }
    if (read.version) {
        parsed.outcome = ParseVerdict::Outcome::Help;
        parsed.text = versionText(program);
        return parsed;
    }
    if (!read.problem.isEmpty())
        return refusal(program, read.problem);
    options.duel = pairOf(read, QStringLiteral("duel"));
    options.members = pairOf(read, QStringLiteral("members"));
    if (const QList<qint64> lineage = read.numbers.value(QStringLiteral("lineage"));
        lineage.size() == 3)
        options.lineage =
            std::array<int, 3>{static_cast<int>(lineage[0]), static_cast<int>(lineage[1]),
                               static_cast<int>(lineage[2])};
    options.step = static_cast<int>(read.numbers.value(QStringLiteral("step"), {0}).value(0));
    options.screenshotPath = read.values.value(QStringLiteral("screenshot")).value(0);
    options.boardImagePath = read.values.value(QStringLiteral("board-image")).value(0);
    options.follow = read.values.contains(QStringLiteral("follow"));
    if (read.numbers.contains(QStringLiteral("timeout")))
        options.timeoutSeconds = static_cast<int>(read.numbers.value(QStringLiteral("timeout"))[0]);
    const auto refuse = [&program](const QString& problem) -> ExplorerOptionsParse {
        return refusal(program, problem);
    };
    if (options.scripted() && options.path.isEmpty())
        return refuse(QStringLiteral("--screenshot and --board-image need a run"));
    if (!options.screenshotPath.isEmpty() && !options.boardImagePath.isEmpty())
        return refuse(QStringLiteral("--screenshot or --board-image, not both"));
    if (options.follow && !options.scripted())
        return refuse(QStringLiteral("--follow needs --screenshot or --board-image: the window "
                                     "follows a run by itself"));
    if (options.timeoutSeconds && !options.follow)
        return refuse(QStringLiteral("--timeout needs --follow"));
    if (read.values.contains(QStringLiteral("size"))) {
        if (options.screenshotPath.isEmpty())
            return refuse(QStringLiteral("--size needs --screenshot"));
        const QString problem =
            readWindowSize(read.values.value(QStringLiteral("size")).value(0), options.size);
        if (!problem.isEmpty())
            return refuse(problem);
    }
    if ((options.members || options.step > 0 || options.lineage) && !options.duel)
        return refuse(QStringLiteral("--members, --step and --lineage need --duel"));
    return parsed;
}
