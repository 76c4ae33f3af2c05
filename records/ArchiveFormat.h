#pragma once

#include "records/PackedPattern.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The run archive, version 1, all numbers little-endian:
//
// header, 36 bytes
//   0  8  magic "COEVOARC"
//   8  4  format version (uint32)
//  12  4  seed (uint32)
//  16 16  program version, ASCII, padded with NUL bytes
//  32  4  CRC-32 of bytes 0..31
// then one record per generation, 1,220 bytes
//   0    4  generation (uint32), one more than the record before
//   4  600  population 1: 100 members of 6 bytes, a PackedPattern's low bytes
// 604  600  population 2, the same way
// 1204   1  population 1's champion: its member index (0..99)
// 1205   1  population 2's champion
// 1206   2  zero
// 1208   4  population 1's champion's score (IEEE-754 float)
// 1212   4  population 2's champion's score
// 1216   4  CRC-32 of bytes 0..1215
constexpr char archiveMagic[8] = {'C', 'O', 'E', 'V', 'O', 'A', 'R', 'C'};
constexpr std::uint32_t archiveFormatVersion = 1;
constexpr int archiveHeaderSize = 36;
constexpr int archiveVersionFieldSize = 16;
constexpr int archivedPopulationSize = 100;
constexpr int archivedPatternBytes = packedPatternBytes;
constexpr int archiveRecordSize = 4 + 2 * archivedPopulationSize * archivedPatternBytes + 16;

struct ArchiveHeader {
    std::uint32_t formatVersion = archiveFormatVersion;
    std::uint32_t seed = 0;
    QString programVersion;
};

// One generation as it was played: both populations, and in each the member
// with the highest score (the lowest index on a tie) with that score.
struct ArchivedGeneration {
    int generation = 0;
    std::array<PackedPattern, archivedPopulationSize> population1{};
    std::array<PackedPattern, archivedPopulationSize> population2{};
    int champion1 = 0;
    int champion2 = 0;
    float championScore1 = 0.0f;
    float championScore2 = 0.0f;

    PackedPattern championOf(int population) const
    {
        return population == 1 ? population1[champion1] : population2[champion2];
    }
};

QByteArray encodeArchiveHeader(const ArchiveHeader& header);
QByteArray encodeArchivedGeneration(const ArchivedGeneration& generation);

// The decoders take exactly one header or record; the problem comes back in
// `error` (without the file's name) when the bytes are not a valid one.
std::optional<ArchiveHeader> decodeArchiveHeader(const QByteArray& bytes, QString& error);
std::optional<ArchivedGeneration> decodeArchivedGeneration(const QByteArray& bytes, QString& error);
