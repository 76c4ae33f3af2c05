#include "output/QuotedText.h"
#include "records/ConfigFile.h"
#include "records/ConfigKeys.h"
#include "records/RegularFileReader.h"
#include "records/TomlNonAscii.h"

#include <QLocale>

#include <toml++/toml.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

QString realText(float value)
{
    QString text;
    for (int digits = 6; digits <= 9; ++digits) {
        text = QString::number(static_cast<double>(value), 'g', digits);
        if (static_cast<float>(text.toDouble()) == value)
            break;
    }
    // "1" would be a whole number in TOML.
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')) &&
        !text.contains(QLatin1Char('n')))
        text += QStringLiteral(".0");
    return text;
}

namespace
{

QString fromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A key of the file, which a quoted TOML key may fill with any character.
QString quotedKey(std::string_view key)
{
    return quotedText(QByteArray(key.data(), static_cast<qsizetype>(key.size())));
}

QString typeName(toml::node_type type)
{
    switch (type) {
    case toml::node_type::integer:
        return QStringLiteral("a whole number");
    case toml::node_type::floating_point:
        return QStringLiteral("a real number");
    case toml::node_type::boolean:
        return QStringLiteral("a boolean");
    case toml::node_type::string:
        return QStringLiteral("a string");
    case toml::node_type::array:
        return QStringLiteral("an array");
    case toml::node_type::table:
        return QStringLiteral("a table");
    default:
        return QStringLiteral("a date or time");
    }
}

// Where a key's value came from, for the error that concerns it: its origin
// ("file:line" or "--set key=value") and when it was given, so that of
// several keys the one given last is blamed.
struct GivenKey {
    bool given = false;
    QString origin;
    std::pair<int, int> when; // (0, line) in the file, (1, index) on the command line
};

// Takes the values of a file and of settings into a configuration, then
// checks the keys against one another.
class ConfigCollector
{
public:
    ConfigCollector() = default;
    // Checks a configuration built elsewhere: no key counts as given.
    explicit ConfigCollector(const ExperimentConfig& built) : config(built) {}
    QString takeToml(const std::string& text, const QString& sourceName);
    QString takeSetting(const QString& setting, int index);
    ConfigRead finish() const;

private:
    QString takeTable(const toml::table& root, const QString& sourceName);
    QString takeValue(int keyIndex, const toml::node& value, const QString& origin,
                      std::pair<int, int> when);
    QString crossCheck() const;
    QString crossError(std::initializer_list<ConfigKeyId> involved, const QString& message) const;

    ExperimentConfig config;
    GivenKey given[configKeyCount];
};

// Why a text with this character is refused.
QString outsideAscii(const NonAsciiCharacter& character)
{
    return QStringLiteral("\"%1\" outside a comment: a configuration's keys and values are ASCII")
        .arg(quotedText(
            QByteArray(character.bytes.data(), static_cast<qsizetype>(character.bytes.size()))));
}

QString ConfigCollector::takeToml(const std::string& text, const QString& sourceName)
{
    if (const auto character = firstNonAsciiOutsideComments(text))
        return QStringLiteral("%1:%2: %3")
            .arg(sourceName)
            .arg(character->line)
            .arg(outsideAscii(*character));
    try {
        return takeTable(toml::parse(text, sourceName.toStdString()), sourceName);
    } catch (const toml::parse_error& error) {
        // toml++'s words quote the text too, unescaped; they are longer than
        // a quote, so cut later.
        const std::string_view description = error.description();
        return QStringLiteral("%1:%2: not valid TOML: %3")
            .arg(sourceName)
            .arg(error.source().begin.line)
            .arg(quotedText(
                QByteArray(description.data(), static_cast<qsizetype>(description.size())), 200));
    }
}

QString ConfigCollector::takeTable(const toml::table& root, const QString& sourceName)
{
    const auto originOf = [&](const toml::node& node) {
        return sourceName + QLatin1Char(':') + QString::number(node.source().begin.line);
    };
    for (auto&& [tableKey, tableNode] : root) {
        const QString tableName = fromView(tableKey.str());
        if (!isConfigTable(tableName))
            return QStringLiteral("%1: %2: unknown %3")
                .arg(originOf(tableNode), quotedKey(tableKey.str()),
                     tableNode.is_table() ? QStringLiteral("table") : QStringLiteral("key"));
        const toml::table* table = tableNode.as_table();
        if (!table)
            return QStringLiteral("%1: %2: expected a table, not %3")
                .arg(originOf(tableNode), tableName, typeName(tableNode.type()));
        for (auto&& [key, node] : *table) {
            const QString path = tableName + QLatin1Char('.') + fromView(key.str());
            const int keyIndex = findConfigKey(path);
            if (keyIndex < 0)
                return QStringLiteral("%1: %2.%3: unknown key")
                    .arg(originOf(node), tableName, quotedKey(key.str()));
            const int line = static_cast<int>(node.source().begin.line);
            const QString error = takeValue(keyIndex, node, originOf(node), {0, line});
            if (!error.isEmpty())
                return error;
        }
    }
    return {};
}

QString ConfigCollector::takeSetting(const QString& setting, int index)
{
    const QString origin = QStringLiteral("--set ") + quotedText(setting.toUtf8());
    const int equals = setting.indexOf(QLatin1Char('='));
    const QString path = setting.left(equals).trimmed();
    if (equals < 0 || path.isEmpty())
        return origin + QStringLiteral(": expected key=value");
    const int keyIndex = findConfigKey(path);
    if (keyIndex < 0)
        return QStringLiteral("%1: %2: unknown key").arg(origin, quotedText(path.toUtf8()));
    const std::string text = "value = " + setting.mid(equals + 1).toStdString();
    if (const auto character = firstNonAsciiOutsideComments(text))
        return origin + QStringLiteral(": ") + outsideAscii(*character);
    toml::table parsed;
    try {
        parsed = toml::parse(text);
    } catch (const toml::parse_error&) {
        return origin + QStringLiteral(": not a TOML value");
    }
    // A value with a line end could bring keys of its own.
    const toml::node* value = parsed.get("value");
    if (parsed.size() != 1 || !value)
        return origin + QStringLiteral(": not a TOML value");
    return takeValue(keyIndex, *value, origin, {1, index});
}

QString ConfigCollector::takeValue(int keyIndex, const toml::node& value, const QString& origin,
                                   std::pair<int, int> when)
{
    const ConfigKey& key = configKeys()[keyIndex];
    const QString where = origin + QStringLiteral(": ") + key.path() + QStringLiteral(": ");
    const QString range =
        QStringLiteral(" is out of range %1 to %2").arg(key.minimum).arg(key.maximum);
    if (key.isReal()) {
        double number = 0;
        if (const auto* whole = value.as_integer())
            number = static_cast<double>(whole->get());
        else if (const auto* real = value.as_floating_point())
            number = real->get();
        else
            return where + QStringLiteral("expected a number, not ") + typeName(value.type());
        // The range holds for the float that is kept; a double beyond any
        // float has no such float.
        const bool fits = std::isfinite(number) && std::fabs(number) <= FLT_MAX;
        const float rounded = fits ? static_cast<float>(number) : 0.0f;
        if (!fits || rounded < key.minimum || rounded > key.maximum)
            return where + QString::number(number, 'g', QLocale::FloatingPointShortest) + range;
        key.real(config) = rounded;
    } else {
        const auto* whole = value.as_integer();
        if (!whole)
            return where + QStringLiteral("expected a whole number, not ") + typeName(value.type());
        const std::int64_t number = whole->get();
        if (number < key.minimum || number > key.maximum)
            return where + QString::number(number) + range;
        key.whole(config) = static_cast<int>(number);
    }
    given[keyIndex] = {true, origin, when};
    return {};
}

ConfigRead ConfigCollector::finish() const
{
    const QString error = crossCheck();
    if (!error.isEmpty())
        return {ExperimentConfig(), error};
    return {config, {}};
}

QString ConfigCollector::crossCheck() const
{
    using Id = ConfigKeyId;
    if (config.mutationThreshold > config.crossoverThreshold)
        return crossError(
            {Id::MutationThreshold, Id::CrossoverThreshold},
            QStringLiteral("mutation_threshold %1 is above crossover_threshold %2")
                .arg(realText(config.mutationThreshold), realText(config.crossoverThreshold)));

    const MatchLayout& layout = config.match;
    struct Placement {
        const char* name;
        int column;
        int row;
        Id columnKey;
        Id rowKey;
    };
    const Placement placements[] = {
        {"first", layout.firstColumn, layout.firstRow, Id::FirstColumn, Id::FirstRow},
        {"second", layout.secondColumn, layout.secondRow, Id::SecondColumn, Id::SecondRow}};
    const int width = layout.pattern.width;
    const int height = layout.pattern.height;
    for (const Placement& place : placements) {
        // The pattern is stamped without wrapping around the board's edges.
        if (place.column + width > layout.boardWidth)
            return crossError({Id::PatternWidth, Id::BoardWidth, place.columnKey},
                              QStringLiteral("the %1 pattern's columns %2 to %3 do not fit on a "
                                             "board %4 wide")
                                  .arg(QLatin1String(place.name))
                                  .arg(place.column)
                                  .arg(place.column + width - 1)
                                  .arg(layout.boardWidth));
        if (place.row + height > layout.boardHeight)
            return crossError({Id::PatternHeight, Id::BoardHeight, place.rowKey},
                              QStringLiteral("the %1 pattern's rows %2 to %3 do not fit on a "
                                             "board %4 high")
                                  .arg(QLatin1String(place.name))
                                  .arg(place.row)
                                  .arg(place.row + height - 1)
                                  .arg(layout.boardHeight));
    }
    const bool columnsShared = layout.firstColumn < layout.secondColumn + width &&
                               layout.secondColumn < layout.firstColumn + width;
    const bool rowsShared =
        layout.firstRow < layout.secondRow + height && layout.secondRow < layout.firstRow + height;
    if (columnsShared && rowsShared)
        return crossError({Id::PatternWidth, Id::PatternHeight, Id::FirstColumn, Id::FirstRow,
                           Id::SecondColumn, Id::SecondRow},
                          QStringLiteral("the two patterns overlap on the board"));
    return {};
}

// Names the involved keys that were given (those the user can change to fix
// it), at the place of the one given last.
QString ConfigCollector::crossError(std::initializer_list<ConfigKeyId> involved,
                                    const QString& message) const
{
    QStringList names;
    const GivenKey* last = nullptr;
    for (ConfigKeyId id : involved) {
        const GivenKey& key = given[static_cast<int>(id)];
        if (!key.given)
            continue;
        names << configKey(id).path();
        if (!last || key.when > last->when)
            last = &key;
    }
    // The defaults pass every check, so some key was given; this keeps the
    // line whole should they not.
    if (!last) {
        for (ConfigKeyId id : involved)
            names << configKey(id).path();
        return names.join(QStringLiteral(", ")) + QStringLiteral(": ") + message;
    }
    return QStringLiteral("%1: %2: %3")
        .arg(last->origin, names.join(QStringLiteral(", ")), message);
}

} // namespace

QString checkExperimentConfig(const ExperimentConfig& config)
{
    ExperimentConfig values = config;
    for (const ConfigKey& key : configKeys()) {
        const QString range =
            QStringLiteral(" is out of range %1 to %2").arg(key.minimum).arg(key.maximum);
        if (key.isReal()) {
            const float number = key.real(values);
            // Written so that a value that is not a number fails too.
            if (!(number >= static_cast<float>(key.minimum) &&
                  number <= static_cast<float>(key.maximum)))
                return key.path() + QStringLiteral(": ") + realText(number) + range;
        } else {
            const int number = key.whole(values);
            if (number < key.minimum || number > key.maximum)
                return key.path() + QStringLiteral(": ") + QString::number(number) + range;
        }
    }
    return ConfigCollector(config).finish().error;
}

ConfigRead readExperimentConfig(const QString& filePath, const QStringList& settings)
{
    QByteArray toml;
    if (!filePath.isEmpty()) {
        QString problem;
        toml =
            readRegularFile(filePath, configTextLimit, QStringLiteral("a configuration"), problem);
        if (!problem.isEmpty())
            return {ExperimentConfig(), quotedText(filePath) + QStringLiteral(": ") + problem};
    }
    return parseExperimentConfig(toml, filePath, settings);
}

ConfigRead parseExperimentConfig(const QByteArray& toml, const QString& sourceName,
                                 const QStringList& settings)
{
    ConfigCollector collector;
    // The file's name as every line about it shows it.
    QString error = collector.takeToml(toml.toStdString(), quotedText(sourceName));
    for (int i = 0; error.isEmpty() && i < settings.size(); ++i)
        error = collector.takeSetting(settings[i], i);
    if (!error.isEmpty())
        return {ExperimentConfig(), error};
    return collector.finish();
}

ConfigRead parseExperimentConfigToml(const QString& text, const QString& sourceName)
{
    return parseExperimentConfig(text.toUtf8(), sourceName, {});
}

QString experimentConfigToml(const ExperimentConfig& config)
{
    // The keys reach their fields through a reference to a configuration.
    ExperimentConfig values = config;
    QString text;
    const char* table = nullptr;
    for (const ConfigKey& key : configKeys()) {
        if (!table || std::strcmp(table, key.table) != 0) {
            table = key.table;
            text += QStringLiteral("[%1]\n").arg(QLatin1String(table));
        }
        QString line = QStringLiteral("%1 = %2").arg(
            QLatin1String(key.name),
            key.isReal() ? realText(key.real(values)) : QString::number(key.whole(values)));
        if (*key.comment)
            line = line.leftJustified(26) + QStringLiteral(" # ") + QLatin1String(key.comment);
        text += line + QLatin1Char('\n');
    }
    return text;
}

std::uint32_t configuredFormatVersion(const ExperimentConfig& config)
{
    return config == ExperimentConfig() ? 1 : 2;
}
