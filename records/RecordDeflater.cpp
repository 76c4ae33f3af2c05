#include "records/RecordDeflater.h"

#include <zlib.h>

struct RecordDeflater::Stream {
    z_stream zlib{};
};

// zlib's quickest level, with a window of 8 KiB (more than a default
// body) and tables to match, a quarter of the defaults'.
RecordDeflater::RecordDeflater() : stream(std::make_unique<Stream>())
{
    deflateInit2(&stream->zlib, Z_BEST_SPEED, Z_DEFLATED, 13, 6, Z_DEFAULT_STRATEGY);
}

RecordDeflater::~RecordDeflater()
{
    deflateEnd(&stream->zlib);
}

QByteArray RecordDeflater::deflated(const QByteArray& body, qsizetype before, qsizetype after)
{
    z_stream& zlib = stream->zlib;
    deflateReset(&zlib);
    const uLong bound = deflateBound(&zlib, static_cast<uLong>(body.size()));
    QByteArray bytes(before + static_cast<qsizetype>(bound) + after, Qt::Uninitialized);
    zlib.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.constData()));
    zlib.avail_in = static_cast<uInt>(body.size());
    zlib.next_out = reinterpret_cast<Bytef*>(bytes.data() + before);
    zlib.avail_out = static_cast<uInt>(bound);
    deflate(&zlib, Z_FINISH);
    bytes.resize(before + static_cast<qsizetype>(zlib.total_out) + after);
    return bytes;
}
