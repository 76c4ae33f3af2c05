#include "app/WindowOptions.h"

#include "charts/ImageFile.h"
#include "cli/ExitCodes.h"

#include <QCommandLineParser>

#include <cstring>

WindowOptionsParse parseWindowOptions(const QStringList& arguments)
{
    const QString program = programName(arguments, QStringLiteral("coevolife"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The window of two species of Game of Life patterns that evolve against "
                       "each other: the board above, the log pane below. Keys: A starts or "
                       "stops the step timer, S steps once, R places a random member of each "
                       "population, G starts the evolution or asks it to stop.\n\n") +
        QLatin1String(ExitCode::exitCodesHelp));
    addHelpAndVersionOptions(parser);
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Write the window as it opens to <FILE> and exit, with no screen "
                       "needed; %1.")
            .arg(imageFormatRule()),
        QStringLiteral("FILE"));
    parser.addOption(screenshotOption);

    if (const auto stop = parseHelpOrSyntax(parser, arguments, program))
        return *stop;
    if (!parser.positionalArguments().isEmpty())
        return refusal(program, QStringLiteral("no arguments are taken, only options"));
    if (const QString problem = repeatedOption(parser, {&screenshotOption}); !problem.isEmpty())
        return refusal(program, problem);
    if (const QString problem = emptyOption(parser, {&screenshotOption}); !problem.isEmpty())
        return refusal(program, problem);
    WindowOptionsParse parsed;
    parsed.options.screenshotPath = parser.value(screenshotOption);
    return parsed;
}

bool needsNoScreen(int argc, char** argv)
{
    for (int k = 1; k < argc; ++k)
        for (const char* option : {"--screenshot", "-h", "--help", "--help-all", "--version"})
            if (std::strncmp(argv[k], option, std::strlen(option)) == 0)
                return true;
    return false;
}
