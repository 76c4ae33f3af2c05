#pragma once
// Helpers for the tests of the records and the layers above them.

#include "TestSupport.h"
#include "evolution/ExperimentConfig.h"
#include "records/ArchiveFormat.h"

#include <QByteArray>

#include <cstdint>
#include <random>

// A small experiment unlike the default in every number an archive or an
// analysis depends on.
inline ExperimentConfig oddTestConfig()
{
    ExperimentConfig config;
    config.populationSize = 23;
    config.matchesPerGeneration = 60;
    config.match.pattern = {6, 4};
    config.match.boardWidth = 50;
    config.match.boardHeight = 25;
    config.match.steps = 80;
    config.match.firstColumn = 1;
    config.match.firstRow = 2;
    config.match.secondColumn = 30;
    config.match.secondRow = 12;
    return config;
}

// The odd layout with odd numbers everywhere else too: 90 matches, rates
// 0.2 / 0.6 / 0.04 and a hall of fame of 2.
inline ExperimentConfig oddExperiment()
{
    ExperimentConfig config = oddTestConfig();
    config.matchesPerGeneration = 90;
    config.mutationThreshold = 0.2f;
    config.crossoverThreshold = 0.6f;
    config.mutationRate = 0.04f;
    config.hallOfFame = 2;
    return config;
}

// A random pattern of the shape, packed.
inline PackedPattern randomPackedPattern(std::mt19937_64& random, PatternShape shape = {})
{
    PackedPattern packed(static_cast<std::size_t>(packedBytesOf(shape)), '\0');
    for (char& byte : packed)
        byte = static_cast<char>(random());
    // Bits past the last cell stay clear, as packing leaves them.
    if (shape.cells() % 8 != 0)
        packed.back() = static_cast<char>(packed.back() & ((1 << (shape.cells() % 8)) - 1));
    return packed;
}

// Scores of 0 for every member and no births, for generations made up
// member by member.
inline ArchivedLineage unscoredLineage(const ExperimentConfig& config)
{
    const std::vector<float> zeros(static_cast<std::size_t>(config.populationSize), 0.0f);
    return ArchivedLineage(ArchivedLineage::packed({zeros, zeros}, {}, config.match.pattern), 0,
                           config.populationSize, config.match.pattern, false);
}

// An archive of `generations` generations of random patterns, numbered from
// `firstGeneration`, of the configuration's population and pattern shape,
// in the format `version` (version 1 for the default configuration only).
inline QByteArray randomArchive(int generations, std::uint32_t seed,
                                const ExperimentConfig& config = ExperimentConfig(),
                                int firstGeneration = 1,
                                std::uint32_t version = newestArchiveFormat)
{
    std::mt19937_64 random(seed);
    ArchiveHeader header = archiveHeaderOf(seed, QStringLiteral("test"), config);
    header.formatVersion = version;
    const PatternShape shape = config.match.pattern;
    QByteArray bytes = encodeArchiveHeader(header);
    for (int k = 0; k < generations; ++k) {
        ArchivedGeneration generation;
        generation.generation = firstGeneration + k;
        for (int k = 0; k < config.populationSize; ++k) {
            generation.population1.push_back(randomPackedPattern(random, shape));
            generation.population2.push_back(randomPackedPattern(random, shape));
        }
        generation.champion1 = static_cast<int>(random() % config.populationSize);
        generation.champion2 = static_cast<int>(random() % config.populationSize);
        generation.lineage = unscoredLineage(config);
        bytes += encodeArchivedGeneration(generation, header);
    }
    return bytes;
}
