#pragma once

#include "board/Pattern.h"
#include "evolution/Birth.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <vector>

// Every member's score in a generation and the births that made its members,
// packed as version 3 of the archive keeps them after the members, for N
// members:
//   4N    population 1's scores (IEEE-754 floats), member 0 first
//   4N    population 2's
// then, when the births are recorded, population 1's and then population 2's:
//   ceil(N/4)  operators, two bits each, member i's at bit 2(i mod 4) of
//              byte i/4: 0 mutation, 1 crossover, 2 copy; the bits past
//              the last member zero
//   N*I        parents: the member each was selected from, in the
//              generation before
//   then, for each member bred by crossover in turn, its mate (I bytes) and
//   its rectangle x0, x1, y0, y1 (C bytes each)
// in I = 1 byte for up to 256 members, 2 for up to 65,536, otherwise 4, and
// C = 1 byte for patterns of up to 255 cells, otherwise 2.
//
// A read one is a view of the record's bytes, decoded when asked, so that a
// long run holds no vector a generation.
class ArchivedLineage
{
public:
    ArchivedLineage() = default;
    // The packed form at `offset` of `block`, which owns its bytes and holds
    // a sound one there (problemOf found none).
    ArchivedLineage(const QByteArray& block, qsizetype offset, int members, PatternShape shape,
                    bool births);

    // The packed form of both populations' scores and births, each of the
    // same number of members; the births both recorded or both empty. Of the
    // shape, only the number of cells counts.
    static QByteArray packed(const std::array<std::vector<float>, 2>& scores,
                             const std::array<Births, 2>& births, PatternShape shape);
    // The length of the packed form at `packed`, of which `available` bytes
    // follow, as its operators give it; -1 when it is longer than that.
    static qsizetype sizeAt(const char* packed, qsizetype available, int members,
                            PatternShape shape, bool births);
    static qsizetype largestSize(int members, PatternShape shape);
    // Empty when the packed form (of the size sizeAt gave) holds sound scores
    // and births, otherwise what is wrong with the first that is not.
    static QString problemOf(const char* packed, int members, PatternShape shape, bool births);

    // Whether the record kept the scores (version 3 only).
    bool empty() const { return members == 0; }
    bool hasBirths() const { return births; }
    // Population 1 or 2's member; its birth only when hasBirths().
    float score(int population, int member) const;
    Birth birth(int population, int member) const;
    std::vector<float> scoresOf(int population) const;
    // Empty without recorded births.
    Births birthsOf(int population) const;
    // Its packed form, as the record keeps it.
    QByteArray packedBytes() const { return block.mid(offset, size); }

    bool operator==(const ArchivedLineage& other) const;
    bool operator!=(const ArchivedLineage& other) const { return !(*this == other); }

private:
    QByteArray block;
    qsizetype offset = 0;
    qsizetype size = 0;
    int members = 0;
    PatternShape shape;
    bool births = false;
};
