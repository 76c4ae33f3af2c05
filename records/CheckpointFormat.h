#pragma once

#include "evolution/EvolutionState.h"
#include "evolution/ExperimentConfig.h"
#include "records/GenerationRecord.h"
#include "records/RunOutputs.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <cstdint>
#include <optional>
#include <string>

// A batch run's checkpoint, numbers little-endian, floats as their IEEE-754
// bits. Version 1 is a run of the default experiment; any other experiment
// writes version 2, which adds the configuration and the halls of fame.
//
// header, 64 bytes, both versions
//   0  8  magic "COEVOCKP"
//   8  4  format version (uint32)
//  12  4  size of the whole file in bytes (uint32)
//  16  4  generation it holds, the last one printed (uint32)
//  20  4  generations done in the run of 100 in progress, 1 to 100
//  24  4  seed
//  28  4  generations asked for
//  32  8  bytes the CSV log holds (uint64; 0 without one)
//  40  8  bytes the archive holds
//  48 16  program version, ASCII, padded with NUL bytes
// body
//  version 2 only: the configuration, a uint32 byte count and that many bytes
//    of UTF-8, every key in TOML; it gives N, the population size, and the
//    W x H patterns
//  paths of the CSV log, the plot, the export folder and the archive, each a
//    uint32 byte count and that many bytes of UTF-8 (absolute; empty if off)
//  current offset (uint32), best scores 1 and 2, last score sums 1 and 2
//  best patterns 1 and 2, then population 1's and population 2's 2N slots,
//    each pattern ceil(W*H/8) bytes, cell (x, y) at bit k = x + W*y, bit k%8
//    of byte k/8 (version 1: 8 x 6 patterns of 6 bytes, as in the archive)
//  version 2 only: the sizes of halls 1 and 2 (uint32 each), then hall 1's
//    patterns and hall 2's, each population's champion of every generation
//  the random sources: a uint32 byte count and their state as ASCII text
//  the history for the plot: a uint32 count, then per generation its two
//    averages and two best scores as IEEE-754 doubles (count 0 without a plot)
// then the CRC-32 of every byte before it (uint32).
constexpr char checkpointMagic[8] = {'C', 'O', 'E', 'V', 'O', 'C', 'K', 'P'};
// The version of a default experiment's checkpoints, and of the others'.
constexpr std::uint32_t checkpointFormatVersion = 1;
constexpr std::uint32_t configuredCheckpointFormatVersion = 2;
constexpr int checkpointHeaderSize = 64;

// Where the run writes is part of its settings, read as checkpoint.csvPath
// and so on.
struct Checkpoint : RunOutputs {
    // The experiment the run plays; the default is written as version 1.
    ExperimentConfig config;
    std::uint32_t seed = 0;
    int generationsAsked = 0;
    qint64 csvBytes = 0;
    qint64 archiveBytes = 0;
    EvolutionState evolution;
    std::string randomSources;
    QVector<GenerationRecord> history;
};

// Written with this program's version, which decoding insists on: another
// version may not play the same numbers.
QByteArray encodeCheckpoint(const Checkpoint& checkpoint);
// The problem comes back in `error` (without the file's name).
std::optional<Checkpoint> decodeCheckpoint(const QByteArray& bytes, QString& error);

struct CheckpointRead {
    Checkpoint checkpoint;
    // Empty when sound; otherwise one line naming the file and the problem.
    QString error;
};
CheckpointRead readCheckpoint(const QString& path);
