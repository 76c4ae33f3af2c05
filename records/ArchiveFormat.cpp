#include "records/ArchiveFormat.h"

#include "records/Checksum.h"
#include "records/ConfigFile.h"
#include "records/FloatBits.h"

#include <QtEndian>

#include <cfloat>
#include <cstring>

namespace
{

constexpr int versionOneHeaderFields = 32;

void putUint32(char* at, std::uint32_t value)
{
    qToLittleEndian(value, at);
}

std::uint32_t uint32At(const char* at)
{
    return qFromLittleEndian<std::uint32_t>(at);
}

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

void putPopulation(char* at, const std::vector<PackedPattern>& population, int members,
                   int patternBytes)
{
    for (int member = 0; member < members; ++member) {
        putPackedPattern(at, population[static_cast<std::size_t>(member)]);
        at += patternBytes;
    }
}

std::vector<PackedPattern> populationAt(const char* at, int members, PatternShape shape)
{
    std::vector<PackedPattern> population;
    population.reserve(static_cast<std::size_t>(members));
    for (int member = 0; member < members; ++member) {
        population.push_back(packedPatternAt(at, shape));
        at += packedBytesOf(shape);
    }
    return population;
}

void putChampion(char* at, int index, int bytes)
{
    if (bytes == 1)
        *at = static_cast<char>(index);
    else
        putUint32(at, static_cast<std::uint32_t>(index));
}

std::uint32_t championAt(const char* at, int bytes)
{
    return bytes == 1 ? static_cast<unsigned char>(*at) : uint32At(at);
}

} // namespace

std::uint32_t archiveFormatOf(const ExperimentConfig& config)
{
    return config == ExperimentConfig() ? 1 : 2;
}

ArchiveHeader archiveHeaderOf(std::uint32_t seed, const QString& programVersion,
                              const ExperimentConfig& config)
{
    ArchiveHeader header;
    header.formatVersion = archiveFormatOf(config);
    header.seed = seed;
    header.programVersion = programVersion;
    header.config = config;
    return header;
}

int archiveRecordSizeOf(const ArchiveHeader& header)
{
    return RecordLayout(header).checksumOffset() + 4;
}

bool ArchivedGeneration::operator==(const ArchivedGeneration& other) const
{
    return generation == other.generation && population1 == other.population1 &&
           population2 == other.population2 && champion1 == other.champion1 &&
           champion2 == other.champion2 && championScore1 == other.championScore1 &&
           championScore2 == other.championScore2;
}

QByteArray encodeArchiveHeader(const ArchiveHeader& header)
{
    const QByteArray configText =
        header.formatVersion == 1 ? QByteArray() : experimentConfigToml(header.config).toUtf8();
    const int checksumAt = header.formatVersion == 1
                               ? versionOneHeaderFields
                               : versionOneHeaderFields + 4 + static_cast<int>(configText.size());
    QByteArray bytes(checksumAt + 4, '\0');
    char* data = bytes.data();
    std::memcpy(data, archiveMagic, sizeof archiveMagic);
    putUint32(data + 8, header.formatVersion);
    putUint32(data + 12, header.seed);
    const QByteArray version = header.programVersion.toLatin1().left(archiveVersionFieldSize);
    std::memcpy(data + 16, version.constData(), static_cast<std::size_t>(version.size()));
    if (header.formatVersion != 1) {
        putUint32(data + versionOneHeaderFields, static_cast<std::uint32_t>(configText.size()));
        std::memcpy(data + versionOneHeaderFields + 4, configText.constData(),
                    static_cast<std::size_t>(configText.size()));
    }
    putUint32(data + checksumAt, crc32Of(data, checksumAt));
    return bytes;
}

QByteArray encodeArchivedGeneration(const ArchivedGeneration& generation,
                                    const ArchiveHeader& header)
{
    const RecordLayout layout(header);
    QByteArray bytes(layout.checksumOffset() + 4, '\0');
    char* data = bytes.data();
    putUint32(data, static_cast<std::uint32_t>(generation.generation));
    putPopulation(data + 4, generation.population1, layout.members, layout.patternBytes);
    putPopulation(data + 4 + layout.populationBytes(), generation.population2, layout.members,
                  layout.patternBytes);
    const int champions = layout.championsOffset();
    putChampion(data + champions, generation.champion1, layout.championIndexBytes);
    putChampion(data + champions + layout.championIndexBytes, generation.champion2,
                layout.championIndexBytes);
    const int scores = layout.scoresOffset();
    putUint32(data + scores, bitCast<std::uint32_t>(generation.championScore1));
    putUint32(data + scores + 4, bitCast<std::uint32_t>(generation.championScore2));
    putUint32(data + layout.checksumOffset(), crc32Of(data, layout.checksumOffset()));
    return bytes;
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
    header.formatVersion = uint32At(data + 8);
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
    if (header.formatVersion == 2) {
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
    header.seed = uint32At(data + 12);
    header.programVersion = QString::fromLatin1(
        data + 16, static_cast<int>(qstrnlen(data + 16, archiveVersionFieldSize)));
    if (header.formatVersion == 2) {
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
    const RecordLayout layout(header);
    const char* data = bytes.constData();
    if (uint32At(data + layout.checksumOffset()) != crc32Of(data, layout.checksumOffset())) {
        error = QStringLiteral("checksum mismatch");
        return std::nullopt;
    }
    const PatternShape shape = header.config.match.pattern;
    ArchivedGeneration generation;
    generation.generation = static_cast<int>(uint32At(data));
    generation.population1 = populationAt(data + 4, layout.members, shape);
    generation.population2 =
        populationAt(data + 4 + layout.populationBytes(), layout.members, shape);
    const int champions = layout.championsOffset();
    const std::uint32_t champion1 = championAt(data + champions, layout.championIndexBytes);
    const std::uint32_t champion2 =
        championAt(data + champions + layout.championIndexBytes, layout.championIndexBytes);
    if (champion1 >= static_cast<std::uint32_t>(layout.members) ||
        champion2 >= static_cast<std::uint32_t>(layout.members)) {
        error = QStringLiteral("champion index out of range");
        return std::nullopt;
    }
    generation.champion1 = static_cast<int>(champion1);
    generation.champion2 = static_cast<int>(champion2);
    const int scores = layout.scoresOffset();
    generation.championScore1 = bitCast<float>(uint32At(data + scores));
    generation.championScore2 = bitCast<float>(uint32At(data + scores + 4));
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
