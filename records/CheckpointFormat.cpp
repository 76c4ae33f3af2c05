#include "records/CheckpointFormat.h"

#include "evolution/LifegameThread.h"
#include "random/RandomSources.h"
#include "records/Checksum.h"
#include "records/FloatBits.h"
#include "records/PackedPattern.h"

#include <QFile>
#include <QtEndian>

#include <cstring>

namespace
{

constexpr int versionFieldSize = 16;
// Far above any real path or engine state; keeps a hostile count harmless.
constexpr std::uint32_t longestText = 1u << 20;

const QByteArray thisProgramVersion = QByteArrayLiteral(COEVOLIFE_VERSION);

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
    void putCells(const EvolutionState::Cells& cells)
    {
        char at[packedPatternBytes];
        putPackedPattern(at, packCells(cells.data()));
        bytes.append(at, packedPatternBytes);
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
    EvolutionState::Cells takeCells()
    {
        EvolutionState::Cells cells(patternCells);
        if (const char* data = take(packedPatternBytes))
            unpackCells(packedPatternAt(data), cells.data());
        return cells;
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
    CheckpointEncoder encoder;
    encoder.bytes.append(checkpointMagic, sizeof checkpointMagic);
    encoder.putUint32(checkpointFormatVersion);
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

    for (QString RunOutputs::*path : runOutputPaths)
        encoder.putText((checkpoint.*path).toUtf8());
    encoder.putUint32(static_cast<std::uint32_t>(state.currentOffset));
    encoder.putFloat(state.bestScore1);
    encoder.putFloat(state.bestScore2);
    encoder.putFloat(state.lastScoreSum1);
    encoder.putFloat(state.lastScoreSum2);
    encoder.putCells(state.bestPattern1);
    encoder.putCells(state.bestPattern2);
    for (const auto* population : {&state.population1, &state.population2})
        for (const EvolutionState::Cells& cells : *population)
            encoder.putCells(cells);
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
    if (formatVersion != checkpointFormatVersion)
        return fail(QStringLiteral("format version %1, but this program reads version %2")
                        .arg(formatVersion)
                        .arg(checkpointFormatVersion));
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
        return fail(
            QStringLiteral("written by Coevolife %1, but this is %2; another version "
                           "may play other numbers")
                .arg(QString::fromLatin1(version), QString::fromLatin1(thisProgramVersion)));

    Checkpoint checkpoint;
    EvolutionState& state = checkpoint.evolution;
    state.generationCount = static_cast<int>(qFromLittleEndian<std::uint32_t>(data + 16));
    state.generationsInRun = static_cast<int>(qFromLittleEndian<std::uint32_t>(data + 20));
    checkpoint.seed = qFromLittleEndian<std::uint32_t>(data + 24);
    checkpoint.generationsAsked = static_cast<int>(qFromLittleEndian<std::uint32_t>(data + 28));
    checkpoint.csvBytes = static_cast<qint64>(qFromLittleEndian<std::uint64_t>(data + 32));
    checkpoint.archiveBytes = static_cast<qint64>(qFromLittleEndian<std::uint64_t>(data + 40));

    CheckpointDecoder decoder(bytes, body);
    for (QString RunOutputs::*path : runOutputPaths)
        checkpoint.*path = QString::fromUtf8(decoder.takeText());
    state.currentOffset = static_cast<int>(decoder.takeUint32());
    state.bestScore1 = decoder.takeFloat();
    state.bestScore2 = decoder.takeFloat();
    state.lastScoreSum1 = decoder.takeFloat();
    state.lastScoreSum2 = decoder.takeFloat();
    state.bestPattern1 = decoder.takeCells();
    state.bestPattern2 = decoder.takeCells();
    for (auto* population : {&state.population1, &state.population2}) {
        population->resize(LifegameThread::slotCount);
        for (EvolutionState::Cells& cells : *population)
            cells = decoder.takeCells();
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
        (state.currentOffset != 0 && state.currentOffset != LifegameThread::populationSize) ||
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
