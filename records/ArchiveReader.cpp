#include "records/ArchiveReader.h"

#include "output/QuotedText.h"
#include "records/ByteCodec.h"
#include "records/RegularFileReader.h"

#include <QFile>

#include <limits>
#include <new>

ArchiveRead readArchive(const QString& path)
{
    RegularFileReader file(path);
    const auto cannotRead = [&path](const QString& problem) {
        return ArchiveRead{{}, QStringLiteral("%1: cannot read: %2").arg(quotedText(path), problem), {}};
    };
    // The header first: its numbers give the size of a record, and the
    // generation numbers, from 1 to the largest int, how many records there
    // can be.
    const QByteArray head = file.read(0, archiveHeaderLimit);
    if (!file.problem().isEmpty())
        return cannotRead(file.problem());
    QString problem;
    qsizetype headerSize = 0;
    const auto header = decodeArchiveHeader(head, headerSize, problem);
    // One the header refuses is refused by the decoding, from the header alone.
    if (!header)
        return decodeArchive(head, path);
    const qint64 recordSize = smallestArchiveRecordOf(*header);
    const qint64 longest =
        headerSize + recordSize * std::numeric_limits<int>::max() + recordSize - 1;
    if (file.size() > longest)
        return {{},
                QStringLiteral("%1: %2 bytes, more records of %3%4 bytes than generation numbers "
                               "count")
                    .arg(quotedText(path))
                    .arg(file.size())
                    .arg(header->formatVersion < 3 ? QString() : QStringLiteral("at least "))
                    .arg(recordSize),
                {}};
    const QByteArray bytes = file.read(0, file.size());
    if (!file.problem().isEmpty())
        return cannotRead(file.problem());
    try {
        return decodeArchive(bytes, path);
    } catch (const std::bad_alloc&) {
        return cannotRead(QStringLiteral("its generations are more than this process can hold"));
    }
}

ArchiveRead decodeArchive(const QByteArray& bytes, const QString& name)
{
    ArchiveRead read;
    const QString shownName = quotedText(name);
    auto fail = [&](const QString& problem) {
        read.archive = {};
        read.error = QStringLiteral("%1: %2").arg(shownName, problem);
        return read;
    };

    if (bytes.isEmpty())
        return fail(QStringLiteral("empty file"));

    QString problem;
    qsizetype headerSize = 0;
    const auto header = decodeArchiveHeader(bytes, headerSize, problem);
    if (!header)
        return fail(problem);
    read.archive.header = *header;

    if (bytes.size() == headerSize)
        return fail(QStringLiteral("holds no generation"));
    // The generations are views of one block of bytes: these, shared, unless
    // they are a view of someone else's (which has no capacity of its own).
    const QByteArray block =
        bytes.capacity() > 0 ? bytes : QByteArray(bytes.constData(), bytes.size());
    // As many as the records could be at their smallest, which for version
    // 3 is about half what they are.
    read.archive.generations.reserve(
        static_cast<std::size_t>((bytes.size() - headerSize) / smallestArchiveRecordOf(*header)));
    qsizetype at = headerSize;
    qint64 cutShort = 0;
    qint64 cutSize = 0;
    for (qsizetype k = 0; at < bytes.size(); ++k) {
        const qint64 available = bytes.size() - at;
        const qint64 recordSize = archiveRecordSizeAt(block.constData() + at, available, *header);
        if (recordSize < 0)
            return fail(QStringLiteral("generation record %1 is corrupted (a length of %2 bytes)")
                            .arg(k + 1)
                            .arg(uint32At(block.constData() + at)));
        if (recordSize == 0 || recordSize > available) {
            cutShort = available;
            cutSize = recordSize;
            break;
        }
        auto generation = decodeArchivedGenerationAt(block, at, *header, problem);
        if (!generation)
            return fail(
                QStringLiteral("generation record %1 is corrupted (%2)").arg(k + 1).arg(problem));
        // In 64 bits: the record after one of the largest generation has none.
        const long long expected =
            k == 0 ? generation->generation
                   : static_cast<long long>(read.archive.generations.back().generation) + 1;
        if (generation->generation < 1 || generation->generation != expected)
            return fail(QStringLiteral("generation record %1 is corrupted (generation %2 out of "
                                       "order)")
                            .arg(k + 1)
                            .arg(static_cast<std::uint32_t>(generation->generation)));
        read.archive.generations.push_back(std::move(*generation));
        read.lastRecordAt = at;
        at += static_cast<qsizetype>(recordSize);
        read.recordsEnd = at;
    }
    const qsizetype count = static_cast<qsizetype>(read.archive.generations.size());
    if (count == 0)
        return fail(cutSize > 0 ? QStringLiteral("truncated: its first generation record has %1 of "
                                                 "%2 bytes")
                                      .arg(cutShort)
                                      .arg(cutSize)
                                : QStringLiteral("truncated: its first generation record has %1 "
                                                 "bytes")
                                      .arg(cutShort));
    if (cutShort != 0)
        read.warning =
            QStringLiteral("%1: the file ends early, inside generation %2; reading its %3")
                .arg(shownName,
                     QString::number(static_cast<long long>(read.archive.newestGeneration()) + 1),
                     count == 1 ? QStringLiteral("1 whole generation")
                                : QStringLiteral("%1 whole generations").arg(count));
    return read;
}
