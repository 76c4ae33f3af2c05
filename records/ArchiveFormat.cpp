#include "records/ArchiveFormat.h"

#include "records/Checksum.h"
#include "records/ConfigFile.h"
#include "records/ByteCodec.h"
#include "records/DistinctMembers.h"

#include <cfloat>
#include <cstring>

namespace
{

constexpr int versionOneHeaderFields = 32;

// Where a record's populations and champions lie.
struct RecordLayout {
    int members = 0;
    int patternBytes = 0;
    int championIndexBytes = 0;

    explicit RecordLayout(const ArchiveHeader& header)
        : members(header.config.populationSize),
          patternBytes(packedBytesOf(header.config.match.pattern)),
          championIndexBytes(header.formatVersion == 1 ? 1 : 4)
    {
    }
    int populationBytes() const { return members * patternBytes; }
    int championsOffset() const { return 4 + 2 * populationBytes(); }
    // Version 1 pads its two one-byte indices to four bytes.
    int scoresOffset() const { return championsOffset() + std::max(4, 2 * championIndexBytes); }
    int checksumOffset() const { return scoresOffset() + 8; }
};

void putPopulation(ByteEncoder& encoder, const PackedPopulation& population, int members,
                   PatternShape shape)
{
    for (int member = 0; member < members; ++member)
        encoder.putPattern(population[static_cast<std::size_t>(member)], shape);
}

// Version 3's record: its length, generation, flags and its members'
// length before them, its checksum after the scores and births.
constexpr qint64 frameBytes = 20;
constexpr std::uint32_t birthsRecorded = 1;

// The sizes of a version 3 record's parts.
struct CompactRecordLayout {
    int members = 0;
    int patternBytes = 0;
    PatternShape shape;

    explicit CompactRecordLayout(const ArchiveHeader& header)
        : members(header.config.populationSize),
          patternBytes(packedBytesOf(header.config.match.pattern)),
          shape(header.config.match.pattern)
    {
    }
    qsizetype indexBytes() const { return members <= 256 ? 1 : members <= 65536 ? 2 : 4; }
    // Both populations, of one distinct pattern each or of N, and the
    // champions.
    qsizetype fewestMemberBytes() const { return 2 * (4 + patternBytes + members * indexBytes()) + 8; }
    qsizetype mostMemberBytes() const
    {
        return 2 * (4 + static_cast<qsizetype>(members) * (patternBytes + indexBytes())) + 8;
    }
    qsizetype smallestRecord() const { return frameBytes + fewestMemberBytes() + 8 * members; }
    qsizetype largestRecord() const
    {
        return frameBytes + mostMemberBytes() + ArchivedLineage::largestSize(members, shape);
    }
};

QByteArray encodeCompactRecord(const ArchivedGeneration& generation, const ArchiveHeader& header)
{
    const CompactRecordLayout layout(header);
    const QByteArray lineage = generation.lineage.packedBytes();
    QByteArray record(16, '\0');
    record.reserve(frameBytes + layout.mostMemberBytes() + lineage.size());
    appendDistinctMembers(record, generation.population1, layout.members, layout.shape);
    appendDistinctMembers(record, generation.population2, layout.members, layout.shape);
    ByteEncoder champions;
    champions.putUint32(static_cast<std::uint32_t>(generation.champion1));
    champions.putUint32(static_cast<std::uint32_t>(generation.champion2));
    record.append(champions.bytes);
    const qsizetype memberBytes = record.size() - 16;
    record.append(lineage);
    record.append(4, '\0');
    putUint32At(record.data(), static_cast<std::uint32_t>(record.size()));
    putUint32At(record.data() + 4, static_cast<std::uint32_t>(generation.generation));
    putUint32At(record.data() + 8, generation.lineage.hasBirths() ? birthsRecorded : 0);
    putUint32At(record.data() + 12, static_cast<std::uint32_t>(memberBytes));
    putUint32At(record.data() + record.size() - 4, crc32Of(record.constData(), record.size() - 4));
    return record;
}

std::optional<ArchivedGeneration> decodeCompactRecord(const QByteArray& archive, qsizetype offset,
                                                      const ArchiveHeader& header, QString& error)
{
    const auto fail = [&error](const QString& problem) {
        error = problem;
        return std::nullopt;
    };
    const char* data = archive.constData() + offset;
    const qint64 size = archiveRecordSizeAt(data, archive.size() - offset, header);
    if (size <= 0 || size > archive.size() - offset)
        return fail(QStringLiteral("a length of %1 bytes").arg(uint32At(data)));
    if (uint32At(data + size - 4) != crc32Of(data, size - 4))
        return fail(QStringLiteral("checksum mismatch"));
    const std::uint32_t flags = uint32At(data + 8);
    if ((flags & ~birthsRecorded) != 0)
        return fail(QStringLiteral("flags %1 unknown").arg(flags));
    const bool births = (flags & birthsRecorded) != 0;
    const CompactRecordLayout layout(header);
    const qint64 memberBytes = uint32At(data + 12);
    if (memberBytes < 8 || memberBytes > size - frameBytes)
        return fail(QStringLiteral("members of %1 bytes").arg(memberBytes));
    // Both populations, expanded to N members each, views of one block.
    QByteArray members;
    members.reserve(2 * static_cast<qsizetype>(layout.members) * layout.patternBytes);
    qsizetype at = 16;
    const qsizetype championsAt = 16 + static_cast<qsizetype>(memberBytes) - 8;
    for (int population = 1; population <= 2; ++population) {
        QString problem;
        const qsizetype taken = takeDistinctMembers(data + at, championsAt - at, layout.members,
                                                    layout.patternBytes, members, problem);
        if (taken < 0)
            return fail(QStringLiteral("population %1: %2").arg(population).arg(problem));
        at += taken;
    }
    if (at != championsAt)
        return fail(QStringLiteral("its members do not fill their %1 bytes").arg(memberBytes));
    const qsizetype lineageAt = offset + championsAt + 8;
    const qsizetype lineageRoom = static_cast<qsizetype>(size - frameBytes - memberBytes);
    if (ArchivedLineage::sizeAt(archive.constData() + lineageAt, lineageRoom, layout.members,
                                layout.shape, births) != lineageRoom)
        return fail(QStringLiteral("its scores and births do not fill it"));
    ArchivedGeneration generation;
    generation.generation = static_cast<int>(uint32At(data + 4));
    const qsizetype populationBytes = static_cast<qsizetype>(layout.members) * layout.patternBytes;
    generation.population1 = PackedPopulation(members, 0, layout.members, layout.patternBytes);
    generation.population2 =
        PackedPopulation(members, populationBytes, layout.members, layout.patternBytes);
    const std::uint32_t champion1 = uint32At(data + championsAt);
    const std::uint32_t champion2 = uint32At(data + championsAt + 4);
    if (champion1 >= static_cast<std::uint32_t>(layout.members) ||
        champion2 >= static_cast<std::uint32_t>(layout.members))
        return fail(QStringLiteral("champion index out of range"));
    const QString problem = ArchivedLineage::problemOf(archive.constData() + lineageAt,
                                                       layout.members, layout.shape, births);
    if (!problem.isEmpty())
        return fail(problem);
    generation.lineage = ArchivedLineage(archive, lineageAt, layout.members, layout.shape, births);
    generation.champion1 = static_cast<int>(champion1);
    generation.champion2 = static_cast<int>(champion2);
    generation.championScore1 = generation.lineage.score(1, generation.champion1);
    generation.championScore2 = generation.lineage.score(2, generation.champion2);
    return generation;
}

} // namespace

ArchiveHeader archiveHeaderOf(std::uint32_t seed, const QString& programVersion,
                              const ExperimentConfig& config)
{
    ArchiveHeader header;
    header.formatVersion = newestArchiveFormat;
    header.seed = seed;
    header.programVersion = programVersion;
    header.config = config;
    return header;
}

int archiveRecordSizeOf(const ArchiveHeader& header)
{
    return RecordLayout(header).checksumOffset() + 4;
}

qint64 archiveRecordSizeAt(const char* at, qint64 available, const ArchiveHeader& header)
{
    if (header.formatVersion < 3)
        return archiveRecordSizeOf(header);
    if (available < 4)
        return 0;
    const qint64 size = uint32At(at);
    return size < smallestArchiveRecordOf(header) ||
                   size > CompactRecordLayout(header).largestRecord()
               ? -1
               : size;
}

qint64 smallestArchiveRecordOf(const ArchiveHeader& header)
{
    return header.formatVersion < 3 ? archiveRecordSizeOf(header)
                                    : CompactRecordLayout(header).smallestRecord();
}

bool ArchivedGeneration::operator==(const ArchivedGeneration& other) const
{
    return generation == other.generation && population1 == other.population1 &&
           population2 == other.population2 && champion1 == other.champion1 &&
           champion2 == other.champion2 && championScore1 == other.championScore1 &&
           championScore2 == other.championScore2 && lineage == other.lineage;
}

QByteArray encodeArchiveHeader(const ArchiveHeader& header)
{
    const QByteArray configText =
        header.formatVersion == 1 ? QByteArray() : experimentConfigToml(header.config).toUtf8();
    ByteEncoder encoder;
    encoder.putBytes(archiveMagic, sizeof archiveMagic);
    encoder.putUint32(header.formatVersion);
    encoder.putUint32(header.seed);
    encoder.putPaddedText(header.programVersion.toLatin1(), archiveVersionFieldSize);
    if (header.formatVersion != 1)
        encoder.putText(configText);
    encoder.putUint32(crc32Of(encoder.bytes.constData(), encoder.bytes.size()));
    return encoder.bytes;
}

QByteArray encodeArchivedGeneration(const ArchivedGeneration& generation,
                                    const ArchiveHeader& header)
{
    if (header.formatVersion >= 3)
        return encodeCompactRecord(generation, header);
    const RecordLayout layout(header);
    const PatternShape shape = header.config.match.pattern;
    ByteEncoder encoder;
    encoder.bytes.reserve(layout.checksumOffset() + 4);
    encoder.putUint32(static_cast<std::uint32_t>(generation.generation));
    putPopulation(encoder, generation.population1, layout.members, shape);
    putPopulation(encoder, generation.population2, layout.members, shape);
    if (layout.championIndexBytes == 1) {
        encoder.putUint8(static_cast<std::uint8_t>(generation.champion1));
        encoder.putUint8(static_cast<std::uint8_t>(generation.champion2));
        encoder.putZeros(2);
    } else {
        encoder.putUint32(static_cast<std::uint32_t>(generation.champion1));
        encoder.putUint32(static_cast<std::uint32_t>(generation.champion2));
    }
    encoder.putFloat(generation.championScore1);
    encoder.putFloat(generation.championScore2);
    encoder.putUint32(crc32Of(encoder.bytes.constData(), encoder.bytes.size()));
    return encoder.bytes;
}

std::optional<ArchiveHeader> decodeArchiveHeader(const QByteArray& bytes, qsizetype& headerSize,
                                                 QString& error)
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
    ByteDecoder fields(data + sizeof archiveMagic, archiveHeaderSize - sizeof archiveMagic);
    header.formatVersion = fields.takeUint32();
    // A newer format may have a header of another size: its version is read
    // before the checksum, which it might not have where this one does.
    if (header.formatVersion > newestArchiveFormat) {
        error = QStringLiteral("format version %1 is newer than this program reads (%2)")
                    .arg(header.formatVersion)
                    .arg(newestArchiveFormat);
        return std::nullopt;
    }
    const auto corrupted = [&error](const QString& what) {
        error = QStringLiteral("corrupted header (%1)").arg(what);
        return std::nullopt;
    };
    int checksumAt = versionOneHeaderFields;
    std::uint32_t configLength = 0;
    if (header.formatVersion >= 2) {
        configLength = uint32At(data + versionOneHeaderFields);
        // A damaged length must not pass for a header cut short.
        if (configLength > static_cast<std::uint32_t>(archiveConfigTextLimit))
            return corrupted(QStringLiteral("configuration of %1 bytes").arg(configLength));
        checksumAt = versionOneHeaderFields + 4 + static_cast<int>(configLength);
        if (bytes.size() < checksumAt + 4) {
            error = QStringLiteral("truncated in its header");
            return std::nullopt;
        }
    }
    if (header.formatVersion == 0 || uint32At(data + checksumAt) != crc32Of(data, checksumAt))
        return corrupted(QStringLiteral("checksum mismatch"));
    header.seed = fields.takeUint32();
    header.programVersion = QString::fromLatin1(fields.takePaddedText(archiveVersionFieldSize));
    if (header.formatVersion >= 2) {
        const ConfigRead read = parseExperimentConfigToml(
            QString::fromUtf8(data + versionOneHeaderFields + 4, static_cast<int>(configLength)),
            QStringLiteral("configuration"));
        if (!read.error.isEmpty())
            return corrupted(read.error);
        header.config = read.config;
    }
    headerSize = checksumAt + 4;
    return header;
}

std::optional<ArchivedGeneration>
decodeArchivedGeneration(const QByteArray& bytes, const ArchiveHeader& header, QString& error)
{
    // The bytes may be a view of someone else's: the populations get a copy.
    return decodeArchivedGenerationAt(QByteArray(bytes.constData(), bytes.size()), 0, header,
                                      error);
}

std::optional<ArchivedGeneration> decodeArchivedGenerationAt(const QByteArray& archive,
                                                             qsizetype offset,
                                                             const ArchiveHeader& header,
                                                             QString& error)
{
    if (header.formatVersion >= 3)
        return decodeCompactRecord(archive, offset, header, error);
    const RecordLayout layout(header);
    const char* data = archive.constData() + offset;
    if (uint32At(data + layout.checksumOffset()) != crc32Of(data, layout.checksumOffset())) {
        error = QStringLiteral("checksum mismatch");
        return std::nullopt;
    }
    ByteDecoder decoder(data, layout.checksumOffset());
    ArchivedGeneration generation;
    generation.generation = static_cast<int>(decoder.takeUint32());
    generation.population1 =
        PackedPopulation(archive, offset + 4, layout.members, layout.patternBytes);
    generation.population2 = PackedPopulation(archive, offset + 4 + layout.populationBytes(),
                                              layout.members, layout.patternBytes);
    decoder.skip(2 * layout.populationBytes());
    std::uint32_t champion1 = 0;
    std::uint32_t champion2 = 0;
    if (layout.championIndexBytes == 1) {
        champion1 = decoder.takeUint8();
        champion2 = decoder.takeUint8();
        decoder.skip(2);
    } else {
        champion1 = decoder.takeUint32();
        champion2 = decoder.takeUint32();
    }
    if (champion1 >= static_cast<std::uint32_t>(layout.members) ||
        champion2 >= static_cast<std::uint32_t>(layout.members)) {
        error = QStringLiteral("champion index out of range");
        return std::nullopt;
    }
    generation.champion1 = static_cast<int>(champion1);
    generation.champion2 = static_cast<int>(champion2);
    generation.championScore1 = decoder.takeFloat();
    generation.championScore2 = decoder.takeFloat();
    // A score is cells, or cells times contacts: never negative, never
    // infinite, always a number.
    const float championScores[] = {generation.championScore1, generation.championScore2};
    for (int population = 1; population <= 2; ++population) {
        const float score = championScores[population - 1];
        if (!(score >= 0.0f && score <= FLT_MAX)) {
            error = QStringLiteral("population %1's champion's score %2 is not a finite score of "
                                   "0 or more")
                        .arg(population)
                        .arg(static_cast<double>(score));
            return std::nullopt;
        }
    }
    return generation;
}
