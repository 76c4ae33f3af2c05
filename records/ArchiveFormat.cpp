#include "records/ArchiveFormat.h"

#include <QtEndian>

#include <boost/crc.hpp>

#include <cstring>

namespace
{

constexpr int championsOffset = 4 + 2 * archivedPopulationSize * archivedPatternBytes;

std::uint32_t crcOf(const char* data, int size)
{
    boost::crc_32_type crc;
    crc.process_bytes(data, static_cast<std::size_t>(size));
    return crc.checksum();
}

void putUint32(char* at, std::uint32_t value)
{
    qToLittleEndian(value, at);
}

std::uint32_t uint32At(const char* at)
{
    return qFromLittleEndian<std::uint32_t>(at);
}

void putFloat(char* at, float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    putUint32(at, bits);
}

float floatAt(const char* at)
{
    const std::uint32_t bits = uint32At(at);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void putPopulation(char* at, const std::array<PackedPattern, archivedPopulationSize>& population)
{
    for (PackedPattern member : population)
        for (int b = 0; b < archivedPatternBytes; ++b)
            *at++ = static_cast<char>((member >> (8 * b)) & 0xffu);
}

void readPopulation(const char* at, std::array<PackedPattern, archivedPopulationSize>& population)
{
    for (PackedPattern& member : population) {
        member = 0;
        for (int b = 0; b < archivedPatternBytes; ++b)
            member |= PackedPattern{static_cast<unsigned char>(*at++)} << (8 * b);
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
    putUint32(data + 32, crcOf(data, 32));
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
    putFloat(data + championsOffset + 4, generation.championScore1);
    putFloat(data + championsOffset + 8, generation.championScore2);
    putUint32(data + championsOffset + 12, crcOf(data, championsOffset + 12));
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
    if (header.formatVersion == 0 || uint32At(data + 32) != crcOf(data, 32)) {
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
    if (uint32At(data + championsOffset + 12) != crcOf(data, championsOffset + 12)) {
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
    generation.championScore1 = floatAt(data + championsOffset + 4);
    generation.championScore2 = floatAt(data + championsOffset + 8);
    if (generation.champion1 >= archivedPopulationSize ||
        generation.champion2 >= archivedPopulationSize) {
        error = QStringLiteral("champion index out of range");
        return std::nullopt;
    }
    return generation;
}
