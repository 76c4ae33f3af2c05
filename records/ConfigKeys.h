#pragma once

#include "evolution/ExperimentConfig.h"

#include <QString>
#include <QStringList>

#include <array>

// The keys of an experiment's configuration file, in the order it is written.
enum class ConfigKeyId {
    PopulationSize,
    PatternWidth,
    PatternHeight,
    BoardWidth,
    BoardHeight,
    BoardSteps,
    MatchesPerGeneration,
    FirstColumn,
    FirstRow,
    SecondColumn,
    SecondRow,
    MutationThreshold,
    CrossoverThreshold,
    MutationRate,
    HallOfFame,
    Count
};

constexpr int configKeyCount = static_cast<int>(ConfigKeyId::Count);

// One key: its table and name, the range it accepts and the number of
// ExperimentConfig it sets, a whole number (an int) or a real one (a float).
struct ConfigKey {
    const char* table;
    const char* name;
    // What the key means, written beside it; empty when the name says it.
    const char* comment;
    int& (*whole)(ExperimentConfig&);
    float& (*real)(ExperimentConfig&);
    int minimum;
    int maximum;

    bool isReal() const { return real != nullptr; }
    // "table.name".
    QString path() const;
};

// Every key, indexed by ConfigKeyId.
const std::array<ConfigKey, configKeyCount>& configKeys();
const ConfigKey& configKey(ConfigKeyId id);
// The key named "table.name", or -1.
int findConfigKey(const QString& path);
// "table.name=value" for every key whose value differs from the window's
// experiment, in the order the keys are written; empty for that experiment.
QStringList configDifferences(const ExperimentConfig& config);
// Whether some key sits in the table `name`.
bool isConfigTable(const QString& name);
