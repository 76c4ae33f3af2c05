#pragma once

#include "evolution/ExperimentConfig.h"
#include "records/ArchivedLineage.h"
#include "records/ConfigFile.h"
#include "records/PackedPattern.h"
#include "records/PackedPopulation.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// The run archive, all numbers little-endian. A run of the window's experiment
// (the default configuration) writes version 1, any other run version 2.
//
// Version 1: header, 36 bytes
//   0  8  magic "COEVOARC"
//   8  4  format version (uint32)
//  12  4  seed (uint32)
//  16 16  program version, ASCII, padded with NUL bytes
//  32  4  CRC-32 of bytes 0..31
// then one record per generation, 1,220 bytes
//   0    4  generation (uint32), one more than the record before
//   4  600  population 1: 100 members of 6 bytes, each a PackedPattern
// 604  600  population 2, the same way
// 1204   1  population 1's champion: its member index (0..99)
// 1205   1  population 2's champion
// 1206   2  zero
// 1208   4  population 1's champion's score (IEEE-754 float)
// 1212   4  population 2's champion's score
// 1216   4  CRC-32 of bytes 0..1215
//
// Version 2, for N members of W x H patterns of P = ceil(W * H / 8) bytes:
// header, 40 + L bytes
//   0  32  as in version 1, the version being 2
//  32   4  L, the configuration's length (uint32)
//  36   L  the configuration, resolved, as TOML text in UTF-8
//  36+L 4  CRC-32 of bytes 0..35+L
// then one record per generation, 24 + 2 * N * P bytes
//   0        4  generation (uint32), one more than the record before
//   4      N*P  population 1: N members of P bytes, each a PackedPattern
//   4+N*P  N*P  population 2, the same way
//   4+2NP    4  population 1's champion: its member index (uint32, 0..N-1)
//   8+2NP    4  population 2's champion
//  12+2NP    4  population 1's champion's score (IEEE-754 float)
//  16+2NP    4  population 2's champion's score
//  20+2NP    4  CRC-32 of the record's bytes before it
//
// Version 3, which every run writes, adds every member's score and the
// births that made the members. Its header is version 2's, the version being
// 3; then one record per generation, of R bytes:
//   0      4  R, the record's length (uint32)
//   4      4  generation (uint32), one more than the record before
//   8      4  flags (uint32): bit 0 set when the births are recorded, the
//             others zero
//  12      4  M, the length of the members (uint32)
//  16      M  population 1 and population 2 as DistinctMembers.h packs
//             them, then population 1's and 2's champions (member indices,
//             uint32 each)
//  16+M    .  the scores and births as ArchivedLineage.h packs them
//  R-4     4  CRC-32 of the record's bytes before it
// A generation is found by its record's length fields alone, without
// reading the records before it.
constexpr char archiveMagic[8] = {'C', 'O', 'E', 'V', 'O', 'A', 'R', 'C'};
constexpr std::uint32_t newestArchiveFormat = 3;
constexpr int archiveVersionFieldSize = 16;
// Version 1's sizes.
constexpr int archiveHeaderSize = 36;
constexpr int archivedPopulationSize = 100;
constexpr int archiveRecordSize = 4 + 2 * archivedPopulationSize * packedPatternBytes + 16;
// A configuration longer than a file may hold is taken for a damaged length.
constexpr int archiveConfigTextLimit = configTextLimit;
// The longest header: version 2's with the longest configuration.
constexpr int archiveHeaderLimit = 40 + archiveConfigTextLimit;

struct ArchiveHeader {
    std::uint32_t formatVersion = 1;
    std::uint32_t seed = 0;
    QString programVersion;
    // Version 1 archives are of the default configuration.
    ExperimentConfig config;
};

// The header of a run, of the newest version.
ArchiveHeader archiveHeaderOf(std::uint32_t seed, const QString& programVersion,
                              const ExperimentConfig& config);
// The size of every record of a version 1 or 2 archive.
int archiveRecordSizeOf(const ArchiveHeader& header);
// The size of the record at `at`, of which `available` bytes follow: the
// fixed size of version 1 and 2, version 3's length field. 0 when fewer
// bytes than its length field are available, -1 when that length is no
// record's of the header.
qint64 archiveRecordSizeAt(const char* at, qint64 available, const ArchiveHeader& header);
// The fewest bytes a record of the header's archive takes.
qint64 smallestArchiveRecordOf(const ArchiveHeader& header);

// One generation as it was played: both populations, and in each the member
// with the highest score (the lowest index on a tie) with that score.
struct ArchivedGeneration {
    int generation = 0;
    PackedPopulation population1;
    PackedPopulation population2;
    int champion1 = 0;
    int champion2 = 0;
    float championScore1 = 0.0f;
    float championScore2 = 0.0f;
    // Every member's score and birth, kept by version 3 only.
    ArchivedLineage lineage;

    PackedPattern championOf(int population) const
    {
        return population == 1 ? population1[static_cast<std::size_t>(champion1)]
                               : population2[static_cast<std::size_t>(champion2)];
    }
    bool operator==(const ArchivedGeneration& other) const;
};

QByteArray encodeArchiveHeader(const ArchiveHeader& header);
// The populations hold the header's population size of its pattern shape;
// version 3 needs the lineage too.
QByteArray encodeArchivedGeneration(const ArchivedGeneration& generation,
                                    const ArchiveHeader& header);

// The problem comes back in `error` (without the file's name) when the bytes
// are not a valid header or record. The header is read from the start of
// `bytes`, which may go on past it; `headerSize` receives its length.
std::optional<ArchiveHeader> decodeArchiveHeader(const QByteArray& bytes, qsizetype& headerSize,
                                                 QString& error);
// Exactly one record of the header's archive.
std::optional<ArchivedGeneration>
decodeArchivedGeneration(const QByteArray& bytes, const ArchiveHeader& header, QString& error);
// The record at `offset` of `archive`, which holds the whole record and owns
// its bytes: the generation's populations are views of them, not copies.
std::optional<ArchivedGeneration> decodeArchivedGenerationAt(const QByteArray& archive,
                                                             qsizetype offset,
                                                             const ArchiveHeader& header,
                                                             QString& error);
