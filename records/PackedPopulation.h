#pragma once

#include "records/PackedPattern.h"

#include <QByteArray>

#include <cstddef>
#include <iterator>

// A population's packed patterns end to end in one block of bytes. One read
// from an archive is a view of the archive's bytes, shared rather than
// copied, so that a long run costs no string a member; a member comes out as
// a PackedPattern of its own.
class PackedPopulation
{
public:
    PackedPopulation() = default;
    // `count` patterns of `patternBytes` bytes from `offset` of `block`,
    // which owns its bytes (not one made by QByteArray::fromRawData).
    PackedPopulation(const QByteArray& block, qsizetype offset, int count, int patternBytes)
        : block(block), offset(offset), count(count), patternBytes(patternBytes)
    {
    }

    std::size_t size() const { return static_cast<std::size_t>(count); }
    bool empty() const { return count == 0; }
    // The member's packed bytes.
    const char* bytesOf(std::size_t member) const
    {
        return block.constData() + offset + static_cast<qsizetype>(member) * patternBytes;
    }
    PackedPattern operator[](std::size_t member) const
    {
        return PackedPattern(bytesOf(member), static_cast<std::size_t>(patternBytes));
    }
    // Every member has the first one's size.
    void push_back(const PackedPattern& pattern)
    {
        if (count == 0)
            patternBytes = static_cast<int>(pattern.size());
        // A view gets bytes of its own before it grows.
        if (offset != 0 || block.size() != static_cast<qsizetype>(count) * patternBytes) {
            block = block.mid(offset, static_cast<qsizetype>(count) * patternBytes);
            offset = 0;
        }
        block.append(pattern.data(), patternBytes);
        ++count;
    }

    class const_iterator
    {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = PackedPattern;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = PackedPattern;

        const_iterator(const PackedPopulation* population, std::size_t member)
            : population(population), member(member)
        {
        }
        PackedPattern operator*() const { return (*population)[member]; }
        const_iterator& operator++()
        {
            ++member;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return member == other.member; }
        bool operator!=(const const_iterator& other) const { return member != other.member; }

    private:
        const PackedPopulation* population;
        std::size_t member;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    bool operator==(const PackedPopulation& other) const
    {
        const qsizetype bytes = static_cast<qsizetype>(count) * patternBytes;
        if (count != other.count || count == 0)
            return count == other.count;
        return patternBytes == other.patternBytes &&
               QByteArrayView(block.constData() + offset, bytes) ==
                   QByteArrayView(other.block.constData() + other.offset, bytes);
    }
    bool operator!=(const PackedPopulation& other) const { return !(*this == other); }

private:
    QByteArray block;
    qsizetype offset = 0;
    int count = 0;
    int patternBytes = 0;
};
