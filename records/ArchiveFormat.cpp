#include "records/ArchiveFormat.h"

#include "records/Checksum.h"
#include "records/FloatBits.h"

#include <QtEndian>

#include <cstring>

namespace
{

constexpr int championsOffset = 4 + 2 * archivedPopulationSize * archivedPatternBytes;

void putUint32(char* at, std::uint32_t value)
{
    qToLittleEndian(value, at);
}

std::uint32_t uint32At(const char* at)
{
    return qFromLittleEndian<std::uint32_t>(at);
}

void putPopulation(char* at, const std::array<PackedPattern, archivedPopulationSize>& population)
{
    for (PackedPattern member : population) {
        putPackedPattern(at, member);
        at += archivedPatternBytes;
    }
}

void readPopulation(const char* at, std::array<PackedPattern, archivedPopulationSize>& population)
{
    for (PackedPattern& member : population) {
        member = packedPatternAt(at);
        at += archivedPatternBytes;
    }
}

} // namespace

QByteArray encodeArchiveHeader(const ArchiveHeader& header)
{
    QByteArray bytes(archiveHeaderSize, '\0');
    char* data = bytes.data();
    std::memcpy(data, archiveMagic, sizeof archiveMagic);
    putUint32(data + 8, header.formatVersion);
    putUint32(data + 12, header.seed);
    const QByteArray version = header.programVersion.toLatin1().left(archiveVersionFieldSize);
    std::memcpy(data + 16, version.constData(), static_cast<std::size_t>(version.size()));
    putUint32(data + 32, crc32Of(data, 32));
    return bytes;
}

QByteArray encodeArchivedGeneration(const ArchivedGeneration& generation)
{
    QByteArray bytes(archiveRecordSize, '\0');
    char* data = bytes.data();
    putUint32(data, static_cast<std::uint32_t>(generation.generation));
    putPopulation(data + 4, generation.population1);
    putPopulation(data + 4 + archivedPopulationSize * archivedPatternBytes, generation.population2);
    data[championsOffset] = static_cast<char>(generation.champion1);
    data[championsOffset + 1] = static_cast<char>(generation.champion2);
    putUint32(data + championsOffset + 4, bitCast<std::uint32_t>(generation.championScore1));
    putUint32(data + championsOffset + 8, bitCast<std::uint32_t>(generation.championScore2));
    putUint32(data + championsOffset + 12, crc32Of(data, championsOffset + 12));
    return bytes;
}

std::optional<ArchiveHeader> decodeArchiveHeader(const QByteArray& bytes, QString& error)
{
    const char* data = bytes.constData();
    if (bytes.size() < static_cast<int>(sizeof archiveMagic) ||
        std::memcmp(data, archiveMagic, sizeof archiveMagic) != 0) {
        error = QStringLiteral("not a Coevolife archive");
        return std::nullopt;
    }
    if (bytes.size() < archiveHeaderSize) {
        error = QStringLiteral("truncated in its header");
        return std::nullopt;
    }
    ArchiveHeader header;
    header.formatVersion = uint32At(data + 8);
    // A newer format may have a header of another size: its version is read
    // before the checksum, which it might not have where this one does.
    if (header.formatVersion > archiveFormatVersion) {
        error = QStringLiteral("format version %1 is newer than this program reads (%2)")
                    .arg(header.formatVersion)
                    .arg(archiveFormatVersion);
        return std::nullopt;
    }
    if (header.formatVersion == 0 || uint32At(data + 32) != crc32Of(data, 32)) {
        error = QStringLiteral("corrupted header (checksum mismatch)");
        return std::nullopt;
    }
    header.seed = uint32At(data + 12);
    header.programVersion = QString::fromLatin1(
        data + 16, static_cast<int>(qstrnlen(data + 16, archiveVersionFieldSize)));
    return header;
}

std::optional<ArchivedGeneration> decodeArchivedGeneration(const QByteArray& bytes, QString& error)
{
    const char* data = bytes.constData();
    if (uint32At(data + championsOffset + 12) != crc32Of(data, championsOffset + 12)) {
        error = QStringLiteral("checksum mismatch");
        return std::nullopt;
    }
    ArchivedGeneration generation;
    generation.generation = static_cast<int>(uint32At(data));
    readPopulation(data + 4, generation.population1);
    readPopulation(data + 4 + archivedPopulationSize * archivedPatternBytes,
                   generation.population2);
    generation.champion1 = static_cast<unsigned char>(data[championsOffset]);
    generation.champion2 = static_cast<unsigned char>(data[championsOffset + 1]);
    generation.championScore1 = bitCast<float>(uint32At(data + championsOffset + 4));
    generation.championScore2 = bitCast<float>(uint32At(data + championsOffset + 8));
    if (generation.champion1 >= archivedPopulationSize ||
        generation.champion2 >= archivedPopulationSize) {
        error = QStringLiteral("champion index out of range");
        return std::nullopt;
    }
    return generation;
}
