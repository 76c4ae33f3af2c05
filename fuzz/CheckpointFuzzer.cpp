#include "records/CheckpointFormat.h"
#include "records/Checksum.h"

#include <QtEndian>

#include <cstddef>
#include <cstdint>

// Every input is decoded as it is, then with its size field and checksum made
// to match it, so that mutations reach the fields the checksum guards.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    decodeCheckpoint(bytes, error);
    if (bytes.size() < checkpointHeaderSize + 4)
        return 0;
    QByteArray sealed = bytes;
    const qsizetype body = sealed.size() - 4;
    qToLittleEndian(static_cast<std::uint32_t>(sealed.size()), sealed.data() + 12);
    qToLittleEndian(crc32Of(sealed.constData(), body), sealed.data() + body);
    decodeCheckpoint(sealed, error);
    return 0;
}
