#include "records/ArchiveReader.h"

#include "records/QuotedText.h"

#include <QFile>

ArchiveRead readArchive(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{},
                QStringLiteral("%1: cannot read: %2").arg(quotedText(path), file.errorString()),
                {}};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {{},
                QStringLiteral("%1: cannot read: %2").arg(quotedText(path), file.errorString()),
                {}};
    return decodeArchive(bytes, path);
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

    const qsizetype recordSize = archiveRecordSizeOf(*header);
    const qsizetype body = bytes.size() - headerSize;
    const qsizetype count = body / recordSize;
    const qsizetype cutShort = body % recordSize;
    if (body == 0)
        return fail(QStringLiteral("holds no generation"));
    if (count == 0)
        return fail(QStringLiteral("truncated: its first generation record has %1 of %2 bytes")
                        .arg(cutShort)
                        .arg(recordSize));
    read.archive.generations.reserve(static_cast<std::size_t>(count));
    for (qsizetype k = 0; k < count; ++k) {
        const auto generation = decodeArchivedGeneration(
            bytes.mid(headerSize + k * recordSize, recordSize), *header, problem);
        if (!generation)
            return fail(
                QStringLiteral("generation record %1 is corrupted (%2)").arg(k + 1).arg(problem));
        const int expected =
            k == 0 ? generation->generation : read.archive.generations.back().generation + 1;
        if (generation->generation < 1 || generation->generation != expected)
            return fail(QStringLiteral("generation record %1 is corrupted (generation %2 out of "
                                       "order)")
                            .arg(k + 1)
                            .arg(generation->generation));
        read.archive.generations.push_back(*generation);
    }
    if (cutShort != 0)
        read.warning =
            QStringLiteral("%1: the file ends early, inside generation %2; reading its %3")
                .arg(shownName, QString::number(read.archive.generations.back().generation + 1),
                     count == 1 ? QStringLiteral("1 whole generation")
                                : QStringLiteral("%1 whole generations").arg(count));
    return read;
}
