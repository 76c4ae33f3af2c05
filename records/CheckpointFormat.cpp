#include "records/CheckpointFormat.h"

#include "evolution/LifegameThread.h"
#include "random/RandomSources.h"
#include "records/Checksum.h"
#include "records/ConfigFile.h"
#include "records/FloatBits.h"
#include "records/QuotedText.h"

#include <QFile>
#include <QtEndian>

#include <cstring>

namespace
{

constexpr int versionFieldSize = 16;
// Far above any real path or engine state; keeps a hostile count harmless.
constexpr std::uint32_t longestText = 1u << 20;

const QByteArray thisProgramVersion = QByteArrayLiteral(COEVOLIFE_VERSION);

// A pattern of `cells` cells packs eight cells to a byte, cell k at bit k % 8
// of byte k / 8: for 8 x 6 the archive's six bytes. Written here rather than
// with PackedPattern, which holds 48 cells only.
int packedBytesOf(int cells)
{
    return (cells + 7) / 8;
}

class CheckpointEncoder
{
public:
    void putUint32(std::uint32_t value)
    {
        char at[4];
        qToLittleEndian(value, at);
        bytes.append(at, 4);
    }
    void putUint64(std::uint64_t value)
    {
        char at[8];
        qToLittleEndian(value, at);
        bytes.append(at, 8);
    }
    void putFloat(float value) { putUint32(bitCast<std::uint32_t>(value)); }
    void putDouble(double value) { putUint64(bitCast<std::uint64_t>(value)); }
    void putText(const QByteArray& text)
    {
        putUint32(static_cast<std::uint32_t>(text.size()));
        bytes.append(text);
    }
    void putCells(const EvolutionState::Cells& cells, int cellCount)
    {
        QByteArray packed(packedBytesOf(cellCount), '\0');
        for (int k = 0; k < cellCount; ++k)
            if (cells[static_cast<std::size_t>(k)] != 0)
                packed[k / 8] = static_cast<char>(packed[k / 8] | (1 << (k % 8)));
        bytes.append(packed);
    }

    QByteArray bytes;
};

// Reads forward through a checked body; every read fails once one has.
class CheckpointDecoder
{
public:
    explicit CheckpointDecoder(const QByteArray& bytes, qsizetype end) : bytes(bytes), end(end) {}

    bool ok() const { return !failed; }
    bool atEnd() const { return at == end; }
    std::uint32_t takeUint32()
    {
        const char* data = take(4);
        return data ? qFromLittleEndian<std::uint32_t>(data) : 0;
    }
    std::uint64_t takeUint64()
    {
        const char* data = take(8);
        return data ? qFromLittleEndian<std::uint64_t>(data) : 0;
    }
    float takeFloat() { return bitCast<float>(takeUint32()); }
    double takeDouble() { return bitCast<double>(takeUint64()); }
    QByteArray takeText()
    {
        const std::uint32_t size = takeUint32();
        if (size > longestText) {
            failed = true;
            return {};
        }
        const char* data = take(static_cast<qsizetype>(size));
        return data ? QByteArray(data, static_cast<qsizetype>(size)) : QByteArray();
    }
    EvolutionState::Cells takeCells(int cellCount)
    {
        EvolutionState::Cells cells(static_cast<std::size_t>(cellCount));
        if (const char* data = take(packedBytesOf(cellCount)))
            for (int k = 0; k < cellCount; ++k)
                cells[static_cast<std::size_t>(k)] = (data[k / 8] >> (k % 8)) & 1;
        return cells;
    }
    // `count` patterns into `patterns`; a count the rest of the body cannot
    // hold fails before anything is allocated for it.
    void takePatterns(std::vector<EvolutionState::Cells>& patterns, std::uint64_t count,
                      int cellCount)
    {
        if (failed || count > static_cast<std::uint64_t>(end - at) /
                                  static_cast<std::uint64_t>(packedBytesOf(cellCount))) {
            failed = true;
            return;
        }
        patterns.resize(static_cast<std::size_t>(count));
        for (EvolutionState::Cells& cells : patterns)
            cells = takeCells(cellCount);
    }

private:
    const char* take(qsizetype size)
    {
        if (failed || size > end - at) {
            failed = true;
            return nullptr;
        }
        const char* data = bytes.constData() + at;
        at += size;
        return data;
    }

    const QByteArray& bytes;
    const qsizetype end;
    qsizetype at = checkpointHeaderSize;
    bool failed = false;
};

} // namespace

QByteArray encodeCheckpoint(const Checkpoint& checkpoint)
{
    const EvolutionState& state = checkpoint.evolution;
    const bool configured = checkpoint.config != ExperimentConfig();
    const int cellCount = checkpoint.config.match.pattern.cells();
    CheckpointEncoder encoder;
    encoder.bytes.append(checkpointMagic, sizeof checkpointMagic);
    encoder.putUint32(configured ? configuredCheckpointFormatVersion : checkpointFormatVersion);
    encoder.putUint32(0); // the size, known at the end
    encoder.putUint32(static_cast<std::uint32_t>(state.generationCount));
    encoder.putUint32(static_cast<std::uint32_t>(state.generationsInRun));
    encoder.putUint32(checkpoint.seed);
    encoder.putUint32(static_cast<std::uint32_t>(checkpoint.generationsAsked));
    encoder.putUint64(static_cast<std::uint64_t>(checkpoint.csvBytes));
    encoder.putUint64(static_cast<std::uint64_t>(checkpoint.archiveBytes));
    QByteArray version = thisProgramVersion.left(versionFieldSize);
    version.append(QByteArray(versionFieldSize - version.size(), '\0'));
    encoder.bytes.append(version);

    if (configured)
        encoder.putText(experimentConfigToml(checkpoint.config).toUtf8());
    for (QString RunOutputs::*path : runOutputPaths)
        encoder.putText((checkpoint.*path).toUtf8());
    encoder.putUint32(static_cast<std::uint32_t>(state.currentOffset));
    encoder.putFloat(state.bestScore1);
    encoder.putFloat(state.bestScore2);
    encoder.putFloat(state.lastScoreSum1);
    encoder.putFloat(state.lastScoreSum2);
    encoder.putCells(state.bestPattern1, cellCount);
    encoder.putCells(state.bestPattern2, cellCount);
    for (const auto* population : {&state.population1, &state.population2})
        for (const EvolutionState::Cells& cells : *population)
            encoder.putCells(cells, cellCount);
    if (configured) {
        encoder.putUint32(static_cast<std::uint32_t>(state.hall1.size()));
        encoder.putUint32(static_cast<std::uint32_t>(state.hall2.size()));
        for (const auto* hall : {&state.hall1, &state.hall2})
            for (const EvolutionState::Cells& cells : *hall)
                encoder.putCells(cells, cellCount);
    }
    encoder.putText(QByteArray::fromStdString(checkpoint.randomSources));
    encoder.putUint32(static_cast<std::uint32_t>(checkpoint.history.size()));
    for (const GenerationRecord& record : checkpoint.history)
        for (double value : {record.average1, record.average2, record.best1, record.best2})
            encoder.putDouble(value);

    QByteArray& bytes = encoder.bytes;
    qToLittleEndian(static_cast<std::uint32_t>(bytes.size() + 4), bytes.data() + 12);
    encoder.putUint32(crc32Of(bytes.constData(), bytes.size()));
    return bytes;
}

std::optional<Checkpoint> decodeCheckpoint(const QByteArray& bytes, QString& error)
{
    const char* data = bytes.constData();
    auto fail = [&error](const QString& problem) {
        error = problem;
        return std::nullopt;
    };
    if (bytes.size() < static_cast<qsizetype>(sizeof checkpointMagic) ||
        std::memcmp(data, checkpointMagic, sizeof checkpointMagic) != 0)
        return fail(QStringLiteral("not a Coevolife checkpoint"));
    if (bytes.size() < checkpointHeaderSize)
        return fail(
            QStringLiteral("truncated: %1 bytes, shorter than the header").arg(bytes.size()));
    // The version is read before anything whose place another version may
    // have moved.
    const std::uint32_t formatVersion = qFromLittleEndian<std::uint32_t>(data + 8);
    const bool configured = formatVersion == configuredCheckpointFormatVersion;
    if (formatVersion != checkpointFormatVersion && !configured)
        return fail(QStringLiteral("format version %1, but this program reads versions %2 and %3")
                        .arg(formatVersion)
                        .arg(checkpointFormatVersion)
                        .arg(configuredCheckpointFormatVersion));
    const std::uint32_t declaredSize = qFromLittleEndian<std::uint32_t>(data + 12);
    if (static_cast<std::uint64_t>(bytes.size()) < declaredSize)
        return fail(
            QStringLiteral("truncated: %1 of %2 bytes").arg(bytes.size()).arg(declaredSize));
    if (static_cast<std::uint64_t>(bytes.size()) != declaredSize)
        return fail(QStringLiteral("corrupted: %1 bytes where the header says %2")
                        .arg(bytes.size())
                        .arg(declaredSize));
    const qsizetype body = bytes.size() - 4;
    if (qFromLittleEndian<std::uint32_t>(data + body) != crc32Of(data, body))
        return fail(QStringLiteral("corrupted (checksum mismatch)"));
    const QByteArray version =
        QByteArray(data + 48, static_cast<qsizetype>(qstrnlen(data + 48, versionFieldSize)));
    if (version != thisProgramVersion.left(versionFieldSize))
        return fail(QStringLiteral("written by Coevolife %1, but this is %2; another version "
                                   "may play other numbers")
                        .arg(quotedText(version), QString::fromLatin1(thisProgramVersion)));

    Checkpoint checkpoint;
    EvolutionState& state = checkpoint.evolution;
    state.generationCount = static_cast<int>(qFromLittleEndian<std::uint32_t>(data + 16));
    state.generationsInRun = static_cast<int>(qFromLittleEndian<std::uint32_t>(data + 20));
    checkpoint.seed = qFromLittleEndian<std::uint32_t>(data + 24);
    checkpoint.generationsAsked = static_cast<int>(qFromLittleEndian<std::uint32_t>(data + 28));
    checkpoint.csvBytes = static_cast<qint64>(qFromLittleEndian<std::uint64_t>(data + 32));
    checkpoint.archiveBytes = static_cast<qint64>(qFromLittleEndian<std::uint64_t>(data + 40));

    CheckpointDecoder decoder(bytes, body);
    if (configured) {
        const QByteArray toml = decoder.takeText();
        if (!decoder.ok())
            return fail(QStringLiteral("corrupted: its parts do not fill it"));
        const ConfigRead read =
            parseExperimentConfigToml(QString::fromUtf8(toml), QStringLiteral("its configuration"));
        if (!read.ok())
            return fail(QStringLiteral("corrupted: %1").arg(read.error));
        checkpoint.config = read.config;
    }
    const ExperimentConfig& config = checkpoint.config;
    const int cellCount = config.match.pattern.cells();
    for (QString RunOutputs::*path : runOutputPaths)
        checkpoint.*path = QString::fromUtf8(decoder.takeText());
    state.currentOffset = static_cast<int>(decoder.takeUint32());
    state.bestScore1 = decoder.takeFloat();
    state.bestScore2 = decoder.takeFloat();
    state.lastScoreSum1 = decoder.takeFloat();
    state.lastScoreSum2 = decoder.takeFloat();
    state.bestPattern1 = decoder.takeCells(cellCount);
    state.bestPattern2 = decoder.takeCells(cellCount);
    const std::uint64_t slotCount = 2 * static_cast<std::uint64_t>(config.populationSize);
    decoder.takePatterns(state.population1, slotCount, cellCount);
    decoder.takePatterns(state.population2, slotCount, cellCount);
    if (configured) {
        const std::uint32_t hallSize1 = decoder.takeUint32();
        const std::uint32_t hallSize2 = decoder.takeUint32();
        decoder.takePatterns(state.hall1, hallSize1, cellCount);
        decoder.takePatterns(state.hall2, hallSize2, cellCount);
    }
    checkpoint.randomSources = decoder.takeText().toStdString();
    const std::uint32_t historySize = decoder.takeUint32();
    if (decoder.ok() && historySize != 0 &&
        historySize != static_cast<std::uint32_t>(state.generationCount))
        return fail(QStringLiteral("corrupted: a history of %1 generations").arg(historySize));
    for (std::uint32_t k = 0; decoder.ok() && k < historySize; ++k) {
        GenerationRecord record;
        record.generation = static_cast<int>(k) + 1;
        record.average1 = decoder.takeDouble();
        record.average2 = decoder.takeDouble();
        record.best1 = decoder.takeDouble();
        record.best2 = decoder.takeDouble();
        checkpoint.history.append(record);
    }
    if (!decoder.ok() || !decoder.atEnd())
        return fail(QStringLiteral("corrupted: its parts do not fill it"));
    // Sound checksums over unsound numbers come from a writer with a fault.
    if (state.generationCount < 1 || state.generationsInRun < 1 ||
        state.generationsInRun > LifegameThread::generationsPerRun ||
        (state.currentOffset != 0 && state.currentOffset != config.populationSize) ||
        state.hall1.size() != state.hall2.size() ||
        state.hall1.size() !=
            (config.hallOfFame > 0 ? static_cast<std::size_t>(state.generationCount) : 0) ||
        checkpoint.generationsAsked < 1 || checkpoint.csvBytes < 0 || checkpoint.archiveBytes < 0 ||
        !isRandomSourcesState(checkpoint.randomSources))
        return fail(QStringLiteral("corrupted: numbers out of range"));
    return checkpoint;
}

CheckpointRead readCheckpoint(const QString& path)
{
    CheckpointRead read;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.error = QStringLiteral("%1: cannot read: %2").arg(path, file.errorString());
        return read;
    }
    const QByteArray bytes = file.readAll();
    QString problem;
    const auto checkpoint = decodeCheckpoint(bytes, problem);
    if (!checkpoint)
        read.error = QStringLiteral("%1: %2").arg(path, problem);
    else
        read.checkpoint = *checkpoint;
    return read;
}
