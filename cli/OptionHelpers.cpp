#include "cli/OptionHelpers.h"

#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"
#include "board/MatchPool.h"
#include "cli/StandardOutput.h"
#include "output/QuotedText.h"
#include "version/ProgramVersion.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

QString programName(const QStringList& arguments, const QString& fallback)
{
    return arguments.isEmpty() ? fallback : quotedText(QFileInfo(arguments.first()).fileName());
}

ParseVerdict refusal(const QString& program, const QString& problem)
{
    return {ParseVerdict::Outcome::Error,
            QStringLiteral("%1: %2 (see '%1 --help')").arg(program, problem)};
}

ParseVerdict configRefusal(const QString& program, const QString& problem)
{
    return {ParseVerdict::Outcome::Error,
            QStringLiteral("%1: %2 (see '%1 --print-config' for every key)").arg(program, problem)};
}

void addHelpAndVersionOptions(QCommandLineParser& parser)
{
    parser.addHelpOption();
    // Not Qt's addVersionOption, whose -v a program may want for itself.
    parser.addOption(QCommandLineOption(QStringLiteral("version"),
                                        QStringLiteral("Displays version information.")));
}

QString versionText(const QString& program)
{
    return QStringLiteral("%1 %2\n").arg(program, QStringLiteral(COEVOLIFE_VERSION));
}

std::optional<ParseVerdict> parseHelpOrSyntax(QCommandLineParser& parser,
                                              const QStringList& arguments, const QString& program)
{
    if (!parser.parse(arguments)) {
        // Qt's words name the option as it was typed.
        QString problem = quotedText(parser.errorText());
        if (problem.endsWith(QLatin1Char('.')))
            problem.chop(1);
        return refusal(program, problem);
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        return ParseVerdict{ParseVerdict::Outcome::Help, parser.helpText()};
    if (parser.isSet(QStringLiteral("version")))
        return ParseVerdict{ParseVerdict::Outcome::Help, versionText(program)};
    return std::nullopt;
}

QString repeatedOption(const QCommandLineParser& parser,
                       const QList<const QCommandLineOption*>& options)
{
    for (const QCommandLineOption* option : options)
        if (parser.values(*option).size() > 1)
            return QStringLiteral("--%1 given more than once").arg(option->names().first());
    return {};
}

QString emptyOption(const QCommandLineParser& parser,
                    const QList<const QCommandLineOption*>& options)
{
    for (const QCommandLineOption* option : options)
        if (parser.isSet(*option) && parser.value(*option).isEmpty())
            return QStringLiteral("--%1 needs a non-empty value").arg(option->names().first());
    return {};
}

std::optional<qint64> parseWholeNumber(const QString& text, qint64 minimum, qint64 maximum)
{
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        const qint64 digit = c.unicode() - u'0';
        if (digit > maximum || value > (maximum - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (value < minimum)
        return std::nullopt;
    return value;
}

std::optional<qint64> wholeNumberOption(const QCommandLineParser& parser,
                                        const QCommandLineOption& option, qint64 minimum,
                                        qint64 maximum, QString& problem)
{
    const QString text = parser.value(option);
    const auto value = parseWholeNumber(text, minimum, maximum);
    if (!value)
        problem = QStringLiteral("--%1 '%2' is not a whole number from %3 to %4")
                      .arg(option.names().first(), quotedText(text))
                      .arg(minimum)
                      .arg(maximum);
    return value;
}

std::optional<int> threadCountOption(const QCommandLineParser& parser,
                                     const QCommandLineOption& option, QString& problem)
{
    if (!parser.isSet(option))
        return MatchPool::defaultThreadCount();
    const auto threads =
        wholeNumberOption(parser, option, 1, MatchPool::maximumThreadCount, problem);
    if (!threads)
        return std::nullopt;
    return static_cast<int>(*threads);
}

std::optional<int> exitCodeBeforeRun(const ParseVerdict& parsed)
{
    switch (parsed.outcome) {
    case ParseVerdict::Outcome::Help:
        if (const QString error = writeStandardOutput(parsed.text.toLocal8Bit());
            !error.isEmpty()) {
            reportError(error);
            return ExitCode::unwritableOutput;
        }
        return 0;
    case ParseVerdict::Outcome::Error:
        std::fprintf(stderr, "%s\n", withControlsEscaped(parsed.text).toLocal8Bit().constData());
        return 2;
    case ParseVerdict::Outcome::Run:
        break;
    }
    return std::nullopt;
}
