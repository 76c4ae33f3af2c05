#include "explorer/ExplorerOptions.h"

#include "charts/ImageFile.h"
#include "cli/ExitCodes.h"
#include "records/QuotedText.h"

#include <limits>

namespace
{

const char usage[] =
    "Usage: coevolife-explorer [PATH] [--duel G1 G2 [--members I J] [--step K]]\n"
    "                          [--screenshot FILE | --board-image FILE]\n"
    "                          [--follow [--timeout S]]\n"
    "Explores a run: PATH is a run folder (fitness.csv, run.arc, config.toml, any of them\n"
    "missing) or a run archive.\n\n"
    "  --duel G1 G2        select population 1's champion of generation G1 against\n"
    "                      population 2's of generation G2\n"
    "  --members I J       members I and J of those generations instead of the champions\n"
    "  --step K            show the duel at step K\n"
    "  --screenshot FILE   write the window as shown to FILE and exit\n"
    "  --board-image FILE  write the duel board alone to FILE, a whole number of\n"
    "                      pixels per cell, and exit\n"
    "  --follow            with --screenshot or --board-image: follow a run a batch is\n"
    "                      still writing until its files are final, then show its\n"
    "                      last generation\n"
    "  --timeout S         with --follow: stop following after S seconds\n"
    "  -h, --help          show this text\n"
    "  --version           show the program's version\n\n"
    "An image FILE is checked before the run is opened;\n";

} // namespace

ExplorerOptionsParse parseExplorerOptions(const QStringList& arguments)
{
    const QString program = programName(arguments, QStringLiteral("coevolife-explorer"));
    ExplorerOptionsParse parsed;
    ExplorerOptions& options = parsed.options;
    const auto refuse = [&program](const QString& problem) -> ExplorerOptionsParse {
        return refusal(program, problem);
    };
    const int largest = std::numeric_limits<int>::max();
    for (int k = 1; k < arguments.size(); ++k) {
        const QString& argument = arguments[k];
        // The values an option takes, read as whole numbers.
        const auto numbers = [&](int count, std::optional<std::pair<int, int>>* pair,
                                 int* single) -> QString {
            if (k + count >= arguments.size())
                return QStringLiteral("%1 needs %2 values").arg(argument).arg(count);
            int values[2] = {0, 0};
            for (int v = 0; v < count; ++v) {
                const auto value = parseWholeNumber(arguments[k + 1 + v], 0, largest);
                if (!value)
                    return QStringLiteral("%1: '%2' is not a whole number")
                        .arg(argument, quotedText(arguments[k + 1 + v]));
                values[v] = static_cast<int>(*value);
            }
            if (pair)
                *pair = std::make_pair(values[0], values[1]);
            else
                *single = values[0];
            k += count;
            return {};
        };
        QString problem;
        if (argument == QStringLiteral("-h") || argument == QStringLiteral("--help")) {
            parsed.outcome = ParseVerdict::Outcome::Help;
            parsed.text = QString::fromLatin1(usage) + imageFormatRule() + QStringLiteral(".\n\n") +
                          QLatin1String(ExitCode::exitCodesHelp) + QLatin1Char('\n');
            return parsed;
        } else if (argument == QStringLiteral("--version")) {
            parsed.outcome = ParseVerdict::Outcome::Help;
            parsed.text = versionText(program);
            return parsed;
        } else if (argument == QStringLiteral("--duel")) {
            problem = numbers(2, &options.duel, nullptr);
        } else if (argument == QStringLiteral("--members")) {
            problem = numbers(2, &options.members, nullptr);
        } else if (argument == QStringLiteral("--step")) {
            problem = numbers(1, nullptr, &options.step);
        } else if (argument == QStringLiteral("--follow")) {
            options.follow = true;
        } else if (argument == QStringLiteral("--timeout")) {
            int seconds = 0;
            problem = numbers(1, nullptr, &seconds);
            options.timeoutSeconds = seconds;
        } else if (argument == QStringLiteral("--screenshot") ||
                   argument == QStringLiteral("--board-image")) {
            if (k + 1 >= arguments.size() || arguments[k + 1].isEmpty())
                problem = QStringLiteral("%1 needs a file").arg(argument);
            else
                (argument == QStringLiteral("--screenshot") ? options.screenshotPath
                                                            : options.boardImagePath) =
                    arguments[++k];
        } else if (argument.startsWith(QLatin1Char('-'))) {
            problem = QStringLiteral("unknown option %1").arg(quotedText(argument));
        } else if (!options.path.isEmpty()) {
            problem = QStringLiteral("one run at a time: %1 and %2")
                          .arg(quotedText(options.path), quotedText(argument));
        } else {
            options.path = argument;
        }
        if (!problem.isEmpty())
            return refuse(problem);
    }
    if (options.scripted() && options.path.isEmpty())
        return refuse(QStringLiteral("--screenshot and --board-image need a run"));
    if (!options.screenshotPath.isEmpty() && !options.boardImagePath.isEmpty())
        return refuse(QStringLiteral("--screenshot or --board-image, not both"));
    if (options.follow && !options.scripted())
        return refuse(QStringLiteral("--follow needs --screenshot or --board-image: the window "
                                     "follows a run by itself"));
    if (options.timeoutSeconds && !options.follow)
        return refuse(QStringLiteral("--timeout needs --follow"));
    if ((options.members || options.step > 0) && !options.duel)
        return refuse(QStringLiteral("--members and --step need --duel"));
    return parsed;
}
