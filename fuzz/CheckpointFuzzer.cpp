#include "records/CheckpointCoding.h"
#include "records/CheckpointFormat.h"
#include "records/Checksum.h"
#include "records/ConfigFile.h"
#include "records/RecordedVersion.h"

#include <QtEndian>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace
{

std::uint32_t uint32At(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<std::uint32_t>(bytes.constData() + at);
}

void putChecksum(QByteArray& bytes, std::uint32_t checksum, qsizetype at)
{
    qToLittleEndian(checksum, bytes.data() + at);
}

// Versions 1 and 2: the size field and the checksum at the end.
QByteArray sealedWhole(QByteArray bytes)
{
    const qsizetype body = bytes.size() - 4;
    qToLittleEndian(static_cast<std::uint32_t>(bytes.size()), bytes.data() + 12);
    putChecksum(bytes, crc32Of(bytes.constData(), body), body);
    return bytes;
}

// Version 3: the fixed part's checksum, then each slot's over the journal its
// generation counts and over the slot, where the fixed part puts them.
QByteArray sealedJournaled(QByteArray bytes)
{
    const qsizetype slotsBegin = uint32At(bytes, 12);
    if (slotsBegin < checkpointHeaderSize + 8 || slotsBegin > bytes.size())
        return bytes;
    QByteArray header = bytes.left(checkpointHeaderSize);
    std::memset(header.data() + 16, 0, 8);
    std::memset(header.data() + 32, 0, 16);
    putChecksum(bytes,
                crc32Continued(crc32Of(header.constData(), header.size()),
                               bytes.constData() + checkpointHeaderSize,
                               slotsBegin - 4 - checkpointHeaderSize),
                slotsBegin - 4);

    // The configuration and whether a plot is drawn give the journal's
    // entries their size.
    qsizetype at = checkpointHeaderSize + 4;
    QByteArray texts[3];
    for (QByteArray& text : texts) {
        if (at + 4 > slotsBegin - 4)
            return bytes;
        const qsizetype size = uint32At(bytes, at);
        if (size > slotsBegin - 4 - at - 4)
            return bytes;
        text = bytes.mid(at + 4, size);
        at += 4 + size;
    }
    const ConfigRead read = parseExperimentConfigToml(QString::fromUtf8(texts[0]), {});
    if (!read.ok())
        return bytes;
    const qsizetype entrySize =
        (read.config.hallOfFame > 0 ? 2 * ((read.config.match.pattern.cells() + 7) / 8) : 0) +
        (texts[2].isEmpty() ? 0 : 32);
    const qsizetype slotSize = uint32At(bytes, checkpointHeaderSize);
    const qsizetype journalBegins = slotsBegin + 2 * slotSize;
    if (slotSize < 8 || journalBegins > bytes.size())
        return bytes;
    for (qsizetype slot = slotsBegin; slot < journalBegins; slot += slotSize) {
        const qsizetype journal =
            std::min<qsizetype>(entrySize * uint32At(bytes, slot), bytes.size() - journalBegins);
        putChecksum(bytes, crc32Of(bytes.constData() + journalBegins, journal),
                    slot + slotSize - 8);
        putChecksum(bytes, crc32Of(bytes.constData() + slot, slotSize - 4), slot + slotSize - 4);
    }
    return bytes;
}

} // namespace

// Every input is decoded as it is, then with this program's version, its size
// field and its checksums made to match it, so that mutations reach the
// fields the checksums guard, and seeds that an earlier version wrote get past
// the version check.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    decodeCheckpoint(bytes, error);
    if (bytes.size() < checkpointHeaderSize + 4)
        return 0;
    QByteArray stamped = bytes;
    ByteEncoder version;
    version.putPaddedText(recordedProgramVersion(), checkpointVersionFieldSize);
    stamped.replace(48, checkpointVersionFieldSize, version.bytes);
    decodeCheckpoint(uint32At(stamped, 8) == checkpointFormatVersion ? sealedJournaled(stamped)
                                                                     : sealedWhole(stamped),
                     error);
    return 0;
}
