#include "records/ConfigKeys.h"

namespace
{

// Columns and rows are bounded by the largest board.
constexpr int maximumBoardSide = 4096;

const std::array<ConfigKey, configKeyCount> keys = {{
    {"population", "size", "members per population",
     [](ExperimentConfig& c) -> int& { return c.populationSize; }, nullptr, 1, 100000},
    {"pattern", "width", "", [](ExperimentConfig& c) -> int& { return c.match.pattern.width; },
     nullptr, 1, 64},
    {"pattern", "height", "", [](ExperimentConfig& c) -> int& { return c.match.pattern.height; },
     nullptr, 1, 64},
    {"board", "width", "", [](ExperimentConfig& c) -> int& { return c.match.boardWidth; }, nullptr,
     1, maximumBoardSide},
    {"board", "height", "", [](ExperimentConfig& c) -> int& { return c.match.boardHeight; },
     nullptr, 1, maximumBoardSide},
    {"board", "steps", "steps per match", [](ExperimentConfig& c) -> int& { return c.match.steps; },
     nullptr, 0, 100000},
    {"match", "per_generation", "matches between current members per generation",
     [](ExperimentConfig& c) -> int& { return c.matchesPerGeneration; }, nullptr, 1, 10000000},
    {"match", "first_column", "where the population-1 pattern (code 1) is stamped",
     [](ExperimentConfig& c) -> int& { return c.match.firstColumn; }, nullptr, 0, maximumBoardSide},
    {"match", "first_row", "", [](ExperimentConfig& c) -> int& { return c.match.firstRow; },
     nullptr, 0, maximumBoardSide},
    {"match", "second_column", "where the population-2 pattern (code 2) is stamped",
     [](ExperimentConfig& c) -> int& { return c.match.secondColumn; }, nullptr, 0,
     maximumBoardSide},
    {"match", "second_row", "", [](ExperimentConfig& c) -> int& { return c.match.secondRow; },
     nullptr, 0, maximumBoardSide},
    {"breeding", "mutation_threshold", "operator draw below it: mutation", nullptr,
     [](ExperimentConfig& c) -> float& { return c.mutationThreshold; }, 0, 1},
    {"breeding", "crossover_threshold", "below it (and not below the first): crossover; else copy",
     nullptr, [](ExperimentConfig& c) -> float& { return c.crossoverThreshold; }, 0, 1},
    {"breeding", "mutation_rate", "", nullptr,
     [](ExperimentConfig& c) -> float& { return c.mutationRate; }, 0, 1},
    {"evaluation", "hall_of_fame", "extra matches per member against past champions",
     [](ExperimentConfig& c) -> int& { return c.hallOfFame; }, nullptr, 0, 1000},
}};

} // namespace

QString ConfigKey::path() const
{
    return QString::fromLatin1(table) + QLatin1Char('.') + QString::fromLatin1(name);
}

const std::array<ConfigKey, configKeyCount>& configKeys()
{
    return keys;
}

const ConfigKey& configKey(ConfigKeyId id)
{
    return keys[static_cast<std::size_t>(id)];
}

int findConfigKey(const QString& path)
{
    for (int i = 0; i < configKeyCount; ++i)
        if (keys[i].path() == path)
            return i;
    return -1;
}

bool isConfigTable(const QString& name)
{
    for (const ConfigKey& key : keys)
        if (name == QLatin1String(key.table))
            return true;
    return false;
}

QStringList configDifferences(const ExperimentConfig& config)
{
    ExperimentConfig given = config;
    ExperimentConfig standard;
    QStringList differences;
    for (const ConfigKey& key : configKeys()) {
        QString value;
        if (key.isReal()) {
            if (key.real(given) == key.real(standard))
                continue;
            value = QString::number(static_cast<double>(key.real(given)));
        } else {
            if (key.whole(given) == key.whole(standard))
                continue;
            value = QString::number(key.whole(given));
        }
        differences << QStringLiteral("%1=%2").arg(key.path(), value);
    }
    return differences;
}
