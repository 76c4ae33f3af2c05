#pragma once

#include <QCommandLineOption>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <limits>
#include <optional>
#include <vector>

class QCommandLineParser;

// One option of a program's command line, as its table lists it.
struct OptionRow {
    QString name;
    // The value's name in the usage; empty for a flag, which takes none.
    QString valueName;
    QString description;
    // Whole numbers from `minimum` to `maximum` when minimum <= maximum.
    qint64 minimum = 1;
    qint64 maximum = 0;
    // How many words its value takes (the explorer's --duel G1 G2 two).
    int values = 1;
    // Given any number of times, every value kept; otherwise once at most.
    bool repeatable = false;

    bool isFlag() const { return valueName.isEmpty(); }
    bool isNumber() const { return minimum <= maximum; }
};

OptionRow flagOption(const QString& name, const QString& description);
OptionRow textOption(const QString& name, const QString& valueName, const QString& description);
OptionRow numberOption(const QString& name, const QString& valueName, const QString& description,
                       qint64 minimum, qint64 maximum);
// A row given any number of times.
OptionRow repeatable(OptionRow row);

// One command of a program, or the program itself when it has none: the
// options it needs, the others it takes, and how many arguments follow it.
struct CommandRow {
    QString name;
    QStringList required;
    QStringList allowed;
    int fewestArguments = 0;
    int mostArguments = std::numeric_limits<int>::max();
    // The problem when fewer are given; "%1" is the command.
    QString tooFew;
};

// A program's options in the order its usage lists them, each as the
// parser takes it.
class OptionTable
{
public:
    explicit OptionTable(std::vector<OptionRow> rows);

    const std::vector<OptionRow>& rows() const { return optionRows; }
    // The row and the parser's option of `name`, which the table must hold.
    const OptionRow& row(const QString& name) const;
    const QCommandLineOption& option(const QString& name) const;
    // Every row's option, in the table's order.
    void addTo(QCommandLineParser& parser) const;

    // The first problem, in the table's order, or empty: an option given
    // more than once that may not be; for `command`, an option it does not
    // take or one it needs but lacks; an option given an empty value.
    QString repeated(const QCommandLineParser& parser) const;
    QString commandProblem(const QCommandLineParser& parser, const CommandRow& command) const;
    QString emptyValue(const QCommandLineParser& parser) const;
    // The number rows given, by name, in the table's order; false, with the
    // problem, at the first that is not a whole number in its range.
    bool readNumbers(const QCommandLineParser& parser, QHash<QString, qint64>& numbers,
                     QString& problem) const;

private:
    std::vector<OptionRow> optionRows;
    std::vector<QCommandLineOption> options;
};

// The problem with the arguments after `command` (its name, or none), or
// empty: fewer than it takes, or one too many.
QString argumentProblem(const CommandRow& command, const QStringList& arguments);

// A command line read word by word against a table, for a program whose
// options take several words (Qt's parser takes one): the values of each
// option given, the first problem met, or a request for help.
struct WordsRead {
    bool help = false;
    bool version = false;
    // Each option given, by name: its words, and for a number row their values.
    QHash<QString, QStringList> values;
    QHash<QString, QList<qint64>> numbers;
    QString problem;
};
// "-h" or "--help" asks for help at once, "--version" for the version; "--NAME" of a row takes the
// row's words after it, once unless the row is repeatable; any other word that begins with "-" is
// refused; every other word goes to `argument`, which returns its problem or empty. `arguments`
// begin with the program's name.
WordsRead readWords(const QStringList& arguments, const OptionTable& table,
                    const std::function<QString(const QString& word)>& argument);
