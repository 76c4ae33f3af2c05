#include "cli/OptionTable.h"

#include "cli/OptionHelpers.h"
#include "output/QuotedText.h"

#include <QCommandLineParser>

#include <algorithm>
#include <utility>

OptionRow flagOption(const QString& name, const QString& description)
{
    OptionRow row;
    row.name = name;
    row.description = description;
    row.values = 0;
    return row;
}

OptionRow textOption(const QString& name, const QString& valueName, const QString& description)
{
    OptionRow row;
    row.name = name;
    row.valueName = valueName;
    row.description = description;
    return row;
}

OptionRow numberOption(const QString& name, const QString& valueName, const QString& description,
                       qint64 minimum, qint64 maximum)
{
    OptionRow row = textOption(name, valueName, description);
    row.minimum = minimum;
    row.maximum = maximum;
    return row;
}

OptionRow repeatable(OptionRow row)
{
    row.repeatable = true;
    return row;
}

OptionTable::OptionTable(std::vector<OptionRow> rows) : optionRows(std::move(rows))
{
    options.reserve(optionRows.size());
    for (const OptionRow& row : optionRows)
        options.push_back(row.isFlag()
                              ? QCommandLineOption(row.name, row.description)
                              : QCommandLineOption(row.name, row.description, row.valueName));
}

namespace
{

std::size_t indexOf(const std::vector<OptionRow>& rows, const QString& name)
{
    const auto found = std::find_if(rows.begin(), rows.end(),
                                    [&name](const OptionRow& row) { return row.name == name; });
    Q_ASSERT(found != rows.end());
    return static_cast<std::size_t>(found - rows.begin());
}

} // namespace

const OptionRow& OptionTable::row(const QString& name) const
{
    return optionRows[indexOf(optionRows, name)];
}

const QCommandLineOption& OptionTable::option(const QString& name) const
{
    return options[indexOf(optionRows, name)];
}

void OptionTable::addTo(QCommandLineParser& parser) const
{
    for (const QCommandLineOption& option : options)
        parser.addOption(option);
}

QString OptionTable::repeated(const QCommandLineParser& parser) const
{
    for (std::size_t k = 0; k < optionRows.size(); ++k)
        if (!optionRows[k].isFlag() && !optionRows[k].repeatable &&
            parser.values(options[k]).size() > 1)
            return QStringLiteral("--%1 given more than once").arg(optionRows[k].name);
    return {};
}

QString OptionTable::commandProblem(const QCommandLineParser& parser,
                                    const CommandRow& command) const
{
    for (std::size_t k = 0; k < optionRows.size(); ++k) {
        const QString& name = optionRows[k].name;
        const bool required = command.required.contains(name);
        const bool given = parser.isSet(options[k]);
        if (given && !required && !command.allowed.contains(name))
            return QStringLiteral("%1 takes no --%2").arg(command.name, name);
        if (!given && required)
            return QStringLiteral("%1 needs --%2").arg(command.name, name);
    }
    return {};
}

QString OptionTable::emptyValue(const QCommandLineParser& parser) const
{
    for (std::size_t k = 0; k < optionRows.size(); ++k)
        if (!optionRows[k].isFlag() && !optionRows[k].repeatable && parser.isSet(options[k]) &&
            parser.value(options[k]).isEmpty())
            return QStringLiteral("--%1 needs a non-empty value").arg(optionRows[k].name);
    return {};
}

bool OptionTable::readNumbers(const QCommandLineParser& parser, QHash<QString, qint64>& numbers,
                              QString& problem) const
{
    for (std::size_t k = 0; k < optionRows.size(); ++k) {
        const OptionRow& row = optionRows[k];
        if (!row.isNumber() || !parser.isSet(options[k]))
            continue;
        const auto value = wholeNumberOption(parser, options[k], row.minimum, row.maximum, problem);
        if (!value)
            return false;
        numbers.insert(row.name, *value);
    }
    return true;
}

QString argumentProblem(const CommandRow& command, const QStringList& arguments)
{
    if (arguments.size() < command.fewestArguments)
        return command.tooFew.arg(command.name);
    if (arguments.size() > command.mostArguments)
        return QStringLiteral("unexpected argument '%1'")
            .arg(quotedText(arguments[command.mostArguments]));
    return {};
}

namespace
{

// The words of `row` after position `at`, which become `read`'s; the
// problem, or empty.
QString takeValues(const QStringList& arguments, int at, const OptionRow& row, WordsRead& read)
{
    const QString& typed = arguments[at];
    if (row.isFlag()) {
        read.values.insert(row.name, {});
        return {};
    }
    if (!row.isNumber()) {
        if (at + 1 >= arguments.size() || arguments[at + 1].isEmpty())
            return QStringLiteral("%1 needs a %2").arg(typed, row.valueName.toLower());
        read.values[row.name] << arguments[at + 1];
        return {};
    }
    if (at + row.values >= arguments.size())
        return QStringLiteral("%1 needs %2 values").arg(typed).arg(row.values);
    for (int v = 1; v <= row.values; ++v) {
        const auto value = parseWholeNumber(arguments[at + v], row.minimum, row.maximum);
        if (!value)
            return QStringLiteral("%1: '%2' is not a whole number")
                .arg(typed, quotedText(arguments[at + v]));
        read.values[row.name] << arguments[at + v];
        read.numbers[row.name] << *value;
    }
    return {};
}

} // namespace

WordsRead readWords(const QStringList& arguments, const OptionTable& table,
                    const std::function<QString(const QString& word)>& argument)
{
    WordsRead read;
    for (int k = 1; k < arguments.size() && read.problem.isEmpty(); ++k) {
        const QString& word = arguments[k];
        if (word == QStringLiteral("-h") || word == QStringLiteral("--help")) {
            read.help = true;
            return read;
        }
        if (word == QStringLiteral("--version")) {
            read.version = true;
            return read;
        }
        const auto row = std::find_if(table.rows().begin(), table.rows().end(),
                                      [&word](const OptionRow& candidate) {
                                          return word == QStringLiteral("--") + candidate.name;
                                      });
        if (row == table.rows().end()) {
            read.problem = word.startsWith(QLatin1Char('-'))
                               ? QStringLiteral("unknown option %1").arg(quotedText(word))
                               : argument(word);
            continue;
        }
        if (!row->repeatable && !row->isFlag() && read.values.contains(row->name)) {
            read.problem = QStringLiteral("--%1 given more than once").arg(row->name);
            continue;
        }
        read.problem = takeValues(arguments, k, *row, read);
        k += row->isFlag() ? 0 : row->isNumber() ? row->values : 1;
    }
    return read;
}
