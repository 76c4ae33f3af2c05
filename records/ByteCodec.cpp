#include "records/ByteCodec.h"

#include <algorithm>

void ByteEncoder::putPaddedText(const QByteArray& text, int width)
{
    const QByteArray field = text.left(width);
    bytes.append(field);
    putZeros(width - field.size());
}

void ByteEncoder::putPattern(const PackedPattern& packed, PatternShape shape)
{
    const auto size = static_cast<qsizetype>(packedBytesOf(shape));
    const qsizetype given = std::min(size, static_cast<qsizetype>(packed.size()));
    bytes.append(packed.data(), given);
    putZeros(size - given);
}

void ByteEncoder::putCells(const std::vector<int>& cells, PatternShape shape)
{
    const qsizetype at = bytes.size();
    putZeros(packedBytesOf(shape));
    packCellsInto(bytes.data() + at, cells.data(), shape);
}

QByteArray ByteDecoder::takeText(std::uint32_t longest)
{
    const std::uint32_t size = takeUint32();
    if (size > longest)
        fail();
    const char* taken = take(static_cast<qsizetype>(size));
    return taken ? QByteArray(taken, static_cast<qsizetype>(size)) : QByteArray();
}

QByteArray ByteDecoder::takePaddedText(int width)
{
    const char* taken = take(width);
    return taken ? QByteArray(taken, static_cast<qsizetype>(qstrnlen(taken, width))) : QByteArray();
}

std::vector<int> ByteDecoder::takeCells(PatternShape shape)
{
    std::vector<int> cells(static_cast<std::size_t>(shape.cells()));
    if (const char* taken = take(packedBytesOf(shape)))
        unpackCellsAt(taken, cells.data(), shape);
    return cells;
}

void ByteDecoder::takeCellPatterns(std::vector<std::vector<int>>& patterns, std::uint64_t count,
                                   PatternShape shape)
{
    if (failed || count > static_cast<std::uint64_t>(remaining()) /
                              static_cast<std::uint64_t>(packedBytesOf(shape))) {
        failed = true;
        return;
    }
    patterns.resize(static_cast<std::size_t>(count));
    for (std::vector<int>& cells : patterns)
        cells = takeCells(shape);
}
