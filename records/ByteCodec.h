#pragma once

#include "records/FloatBits.h"
#include "records/PackedPattern.h"

#include <QByteArray>
#include <QtEndian>

#include <cstdint>
#include <vector>

// What every binary file of the records is made of: numbers little-endian
// in fixed widths, floating-point numbers as their IEEE-754 bits, texts
// after a uint32 byte count, version fields of a fixed width padded with NUL
// bytes, patterns packed as PackedPattern.h has them.

// A number at a place the caller has checked lies within the bytes.
inline std::uint32_t uint32At(const char* at)
{
    return qFromLittleEndian<std::uint32_t>(at);
}
inline std::uint64_t uint64At(const char* at)
{
    return qFromLittleEndian<std::uint64_t>(at);
}
inline void putUint32At(char* at, std::uint32_t value)
{
    qToLittleEndian(value, at);
}

// Appends to `bytes`.
class ByteEncoder
{
public:
    void putBytes(const char* data, qsizetype size) { bytes.append(data, size); }
    void putZeros(qsizetype count) { bytes.append(count, '\0'); }
    void putUint8(std::uint8_t value) { bytes.append(static_cast<char>(value)); }
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
    // A uint32 byte count, then the bytes.
    void putText(const QByteArray& text)
    {
        putUint32(static_cast<std::uint32_t>(text.size()));
        bytes.append(text);
    }
    // `width` bytes: as many of the text's as fit, then NUL bytes.
    void putPaddedText(const QByteArray& text, int width);
    // The shape's packed bytes, a shorter `packed` padded with zeros.
    void putPattern(const PackedPattern& packed, PatternShape shape);
    // Cells 0 or not, packed as a pattern of the shape.
    void putCells(const std::vector<int>& cells, PatternShape shape);

    QByteArray bytes;
};

// Reads forward through a span of bytes; a read past its end, or a value the
// caller calls bad, fails it, and every read after gives zeros.
class ByteDecoder
{
public:
    ByteDecoder(const char* begin, qsizetype size) : data(begin), at(0), end(size) {}
    // Bytes `from` to `to` of `bytes`, a part the caller has checked.
    ByteDecoder(const QByteArray& bytes, qsizetype from, qsizetype to)
        : data(bytes.constData()), at(from), end(to)
    {
    }

    bool ok() const { return !failed; }
    bool atEnd() const { return at == end; }
    qsizetype remaining() const { return end - at; }
    void fail() { failed = true; }

    // The next `size` bytes, or null once failed.
    const char* take(qsizetype size)
    {
        if (failed || size > end - at) {
            failed = true;
            return nullptr;
        }
        const char* taken = data + at;
        at += size;
        return taken;
    }
    void skip(qsizetype size) { take(size); }
    std::uint8_t takeUint8()
    {
        const char* taken = take(1);
        return taken ? static_cast<std::uint8_t>(*taken) : 0;
    }
    std::uint32_t takeUint32()
    {
        const char* taken = take(4);
        return taken ? uint32At(taken) : 0;
    }
    std::uint64_t takeUint64()
    {
        const char* taken = take(8);
        return taken ? uint64At(taken) : 0;
    }
    float takeFloat() { return bitCast<float>(takeUint32()); }
    double takeDouble() { return bitCast<double>(takeUint64()); }
    // What putText wrote; a count above `longest` fails.
    QByteArray takeText(std::uint32_t longest);
    // What putPaddedText wrote, up to its first NUL byte.
    QByteArray takePaddedText(int width);
    std::vector<int> takeCells(PatternShape shape);
    // `count` patterns of cells into `patterns`; a count the rest of the span
    // cannot hold fails before anything is allocated for it.
    void takeCellPatterns(std::vector<std::vector<int>>& patterns, std::uint64_t count,
                          PatternShape shape);

private:
    const char* const data;
    qsizetype at;
    const qsizetype end;
    bool failed = false;
};
