#pragma once

#include <vector>

enum class BreedingOperator { Mutation, Crossover, Copy };

// The cells a crossover takes from the mate: columns x0 .. x1 - 1 of rows
// y0 .. y1 - 1, empty when either pair of bounds is equal.
struct CrossoverRectangle {
    int x0 = 0;
    int x1 = 0;
    int y0 = 0;
    int y1 = 0;

    bool contains(int x, int y) const { return x0 <= x && x < x1 && y0 <= y && y < y1; }
    bool operator==(const CrossoverRectangle& other) const
    {
        return x0 == other.x0 && x1 == other.x1 && y0 == other.y0 && y1 == other.y1;
    }
    bool operator!=(const CrossoverRectangle& other) const { return !(*this == other); }
};

// How one member was bred from the generation before it, the member indices
// being that generation's: the one selected first and, for a crossover
// only, the mate (-1 otherwise) with the rectangle it gave.
struct Birth {
    BreedingOperator breedingOperator = BreedingOperator::Copy;
    int parent = 0;
    int mate = -1;
    CrossoverRectangle rectangle;

    bool operator==(const Birth& other) const
    {
        return breedingOperator == other.breedingOperator && parent == other.parent &&
               mate == other.mate && rectangle == other.rectangle;
    }
    bool operator!=(const Birth& other) const { return !(*this == other); }
};

// A population's births, member i's at index i; empty where none is known
// (the first generation's members, or a state saved without them).
using Births = std::vector<Birth>;
