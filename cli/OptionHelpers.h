#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class QCommandLineOption;
class QCommandLineParser;

// What a program's command line came to, whatever its options.
struct ParseVerdict {
    enum class Outcome { Run, Help, Error };

    Outcome outcome = Outcome::Run;
    // The usage text for Help; for Error one line naming the problem, with a
    // hint to --help and no line end.
    QString text;
};

// A parsed command line: the verdict and, to run, the program's options.
template <typename Options> struct OptionsParse : ParseVerdict {
    OptionsParse() = default;
    // A Help or an Error, which carries no options.
    OptionsParse(ParseVerdict verdict) : ParseVerdict(std::move(verdict)) {}

    Options options;
};

// The name messages go by: the file name of `arguments`' first, quoted, or
// `fallback`.
QString programName(const QStringList& arguments, const QString& fallback);

// An Error: "program: problem (see 'program --help')".
ParseVerdict refusal(const QString& program, const QString& problem);
// An Error of an experiment's configuration, whose keys --help does not
// list: "program: problem (see 'program --print-config' for every key)".
ParseVerdict configRefusal(const QString& program, const QString& problem);

// -h/--help and --version, added first so that the usage lists them first.
void addHelpAndVersionOptions(QCommandLineParser& parser);
// What --version prints: "program VERSION" and a line end.
QString versionText(const QString& program);

// Parses `arguments` with `parser`, whose help and version options are added
// (addHelpAndVersionOptions). Help for --help, -h or --help-all (which shows
// the same text) and for --version (the version line), an Error for what the
// parser refuses; nothing when the program's own checks come next.
std::optional<ParseVerdict> parseHelpOrSyntax(QCommandLineParser& parser,
                                              const QStringList& arguments, const QString& program);

// The problem with the first of `options` given more than once, or empty.
QString repeatedOption(const QCommandLineParser& parser,
                       const QList<const QCommandLineOption*>& options);
// The problem with the first of `options` given an empty value, or empty.
QString emptyOption(const QCommandLineParser& parser,
                    const QList<const QCommandLineOption*>& options);

// Plain decimal digits from `minimum` to `maximum` (at least 0): no sign, no
// blanks, no base prefix, no exponent.
std::optional<qint64> parseWholeNumber(const QString& text, qint64 minimum, qint64 maximum);
// The value of `option` read by parseWholeNumber; when it is not one, the
// problem naming the option and the value goes to `problem`.
std::optional<qint64> wholeNumberOption(const QCommandLineParser& parser,
                                        const QCommandLineOption& option, qint64 minimum,
                                        qint64 maximum, QString& problem);

// --threads, from 1 to the pool's maximumThreadCount; when not given, the
// pool's default. When the value is bad, the problem naming it goes to
// `problem`.
std::optional<int> threadCountOption(const QCommandLineParser& parser,
                                     const QCommandLineOption& option, QString& problem);

// Prints Help's text on standard output or Error's line on standard error
// (its control characters escaped, as reportError escapes them) and gives
// the exit code to stop with (0 or 2, or 3 when standard output cannot take
// the text); nothing for Run.
std::optional<int> exitCodeBeforeRun(const ParseVerdict& parsed);
