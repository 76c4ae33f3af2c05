#include "records/CheckpointFormat.h"

#include "output/QuotedText.h"
#include "records/ByteCodec.h"
#include "records/CheckpointLayout.h"
#include "records/FormerCheckpoint.h"
#include "records/RegularFileReader.h"

#include <QFileInfo>

#include <cstring>
#include <new>

namespace
{

// How many of the file's first bytes the decoding of the checkpoint reads at
// most, by its header's numbers; empty, with the problem in `error`, for a
// file that is longer than a version 1 or 2 header says.
std::optional<qint64> checkpointReach(RegularFileReader& file, QString& error)
{
    const QByteArray head = file.read(0, checkpointHeaderSize);
    if (head.size() < checkpointHeaderSize ||
        std::memcmp(head.constData(), checkpointMagic, sizeof checkpointMagic) != 0)
        return head.size();
    const std::uint32_t formatVersion = uint32At(head.constData() + 8);
    if (formatVersion == checkpointFormatVersion)
        return journaledCheckpointReach(file);
    if (formatVersion != firstCheckpointFormatVersion &&
        formatVersion != configuredCheckpointFormatVersion)
        return head.size();
    return formerCheckpointReach(head.constData(), file.size(), error);
}

} // namespace

QByteArray encodeCheckpoint(const Checkpoint& checkpoint)
{
    const CheckpointLayout layout(checkpoint, CheckpointLayout::roomFor(checkpoint.randomSources));
    return layout.wholeFile({checkpoint.evolution, checkpoint.randomSources, checkpoint.csvBytes,
                             checkpoint.archiveBytes},
                            layout.journalOf(checkpoint));
}

std::optional<Checkpoint> decodeCheckpoint(const QByteArray& bytes, QString& error,
                                           std::optional<Checkpoint>* earlier)
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
    const std::uint32_t formatVersion = uint32At(data + 8);
    std::optional<Checkpoint> checkpoint;
    if (formatVersion == checkpointFormatVersion)
        checkpoint = decodeJournaledCheckpoint(bytes, error, earlier);
    else if (formatVersion == firstCheckpointFormatVersion ||
             formatVersion == configuredCheckpointFormatVersion)
        checkpoint = decodeFormerCheckpoint(bytes, error);
    else
        return fail(QStringLiteral("format version %1, but this program reads versions %2 to %3")
                        .arg(formatVersion)
                        .arg(firstCheckpointFormatVersion)
                        .arg(checkpointFormatVersion));
    if (checkpoint && !checkpointNumbersInRange(*checkpoint))
        return fail(QStringLiteral("corrupted: numbers out of range"));
    if (earlier && *earlier && !checkpointNumbersInRange(**earlier))
        earlier->reset();
    return checkpoint;
}

CheckpointRead readCheckpoint(const QString& path)
{
    CheckpointRead read;
    RegularFileReader file(path);
    QString problem;
    const std::optional<qint64> reach = checkpointReach(file, problem);
    const QByteArray bytes = reach ? file.read(0, *reach) : QByteArray();
    if (!file.problem().isEmpty()) {
        read.error = QStringLiteral("%1: cannot read: %2").arg(quotedText(path), file.problem());
        return read;
    }
    std::optional<Checkpoint> checkpoint;
    try {
        if (reach)
            checkpoint = decodeCheckpoint(bytes, problem, &read.earlier);
    } catch (const std::bad_alloc&) {
        problem = QStringLiteral("cannot read: its state is more than this process can hold");
    }
    if (!checkpoint) {
        read.error = QStringLiteral("%1: %2").arg(quotedText(path), problem);
        read.earlier.reset();
    } else {
        read.checkpoint = *checkpoint;
    }
    const QString folder = QFileInfo(path).absolutePath();
    static_cast<RunOutputs&>(read.checkpoint) = pathsResolvedIn(folder, read.checkpoint);
    if (read.earlier)
        static_cast<RunOutputs&>(*read.earlier) = pathsResolvedIn(folder, *read.earlier);
    return read;
}
