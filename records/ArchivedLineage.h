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
//   N     operators: 0 mutation, 1 crossover, 2 copy
//   N*I   parents: the member each was selected from, in the generation before
//   N*I   a crossover's mate; 0 for another operator
//   N*4C  a crossover's rectangle, x0, x1, y0, y1; zeros for another operator
// in I = 1 byte for up to 256 members, 2 for up to 65,536, otherwise 4, and
// C = 1 byte for patterns of up to 255 cells, otherwise 2.
//
// A read one is a view of the record's bytes, decoded member by member when
// asked, so that a long run holds no vector a generation.
class ArchivedLineage
{
public:
    ArchivedLineage() = default;
    // The packed form at `offset` of `block`, which owns its bytes and holds
    // sizeOf(members, shape, births) of them there.
    ArchivedLineage(const QByteArray& block, qsizetype offset, int members, PatternShape shape,
                    bool births);

    // The packed form of both populations' scores and births, each of the
    // same number of members; the births both recorded or both empty. Of the
    // shape, only the number of cells counts.
    static QByteArray packed(const std::array<std::vector<float>, 2>& scores,
                             const std::array<Births, 2>& births, PatternShape shape);
    static qsizetype sizeOf(int members, PatternShape shape, bool births);
    // Empty when the packed bytes hold sound scores and births, otherwise
    // what is wrong with the first that is not.
    static QString problemOf(const char* packed, int members, PatternShape shape, bool births);

    // Whether the record kept the scores (version 3 only).
    bool empty() const { return members == 0; }
    bool hasBirths() const { return births; }
    // Population 1 or 2's member.
    float score(int population, int member) const;
    Birth birth(int population, int member) const;
    std::vector<float> scoresOf(int population) const;
    // Its packed form, as the record keeps it.
    QByteArray packedBytes() const
    {
        return block.mid(offset, sizeOf(members, shape, births));
    }
    // Empty without recorded births.
    Births birthsOf(int population) const;

    bool operator==(const ArchivedLineage& other) const;
    bool operator!=(const ArchivedLineage& other) const { return !(*this == other); }

private:
    QByteArray block;
    qsizetype offset = 0;
    int members = 0;
    PatternShape shape;
    bool births = false;
};
