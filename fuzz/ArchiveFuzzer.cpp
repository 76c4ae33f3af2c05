#include "records/ArchiveReader.h"
#include "records/Checksum.h"

#include <QtEndian>

#include <cstddef>
#include <cstdint>

namespace
{

void sealAt(QByteArray& bytes, qsizetype begin, qsizetype checksumAt)
{
    qToLittleEndian(crc32Of(bytes.constData() + begin, checksumAt - begin),
                    bytes.data() + checksumAt);
}

// The bytes with the header's checksum and every whole record's made to match,
// where the header's version and length put them.
QByteArray sealed(QByteArray bytes)
{
    if (bytes.size() < archiveHeaderSize)
        return bytes;
    qsizetype checksumAt = archiveHeaderSize - 4;
    if (qFromLittleEndian<std::uint32_t>(bytes.constData() + 8) >= 2) {
        const std::uint32_t length =
            qFromLittleEndian<std::uint32_t>(bytes.constData() + checksumAt);
        if (length > static_cast<std::uint32_t>(archiveConfigTextLimit) ||
            bytes.size() < archiveHeaderSize + 4 + static_cast<qsizetype>(length))
            return bytes;
        checksumAt += 4 + static_cast<qsizetype>(length);
    }
    sealAt(bytes, 0, checksumAt);

    qsizetype headerSize = 0;
    QString error;
    const auto header = decodeArchiveHeader(bytes, headerSize, error);
    if (!header)
        return bytes;
    for (qsizetype at = headerSize; at < bytes.size();) {
        const qint64 recordSize =
            archiveRecordSizeAt(bytes.constData() + at, bytes.size() - at, *header);
        if (recordSize <= 0 || recordSize > bytes.size() - at)
            break;
        sealAt(bytes, at, at + recordSize - 4);
        at += recordSize;
    }
    return bytes;
}

} // namespace

// Every input is read as it is, then sealed, so that mutations reach the
// fields the checksums guard.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString name = QStringLiteral("run.arc");
    decodeArchive(bytes, name);
    decodeArchive(sealed(bytes), name);
    return 0;
}
