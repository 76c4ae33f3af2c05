#pragma once

// The step rule for one cell, from its own code and how many of its eight
// neighbours hold the first and the second species. A code other than 1 and
// 2 is an empty cell. The first species survives on 2 or 3 of its own kind;
// the second survives on 2 or 3 of its own kind but is converted when two or
// more first-species cells touch it; an empty cell is born first species on
// three of them, else second species on three of those.
constexpr int nextCellCode(int own, int firstNeighbours, int secondNeighbours)
{
    const bool firstThrives = firstNeighbours == 2 || firstNeighbours == 3;
    const bool secondThrives = secondNeighbours == 2 || secondNeighbours == 3;
    if (own == 1)
        return firstThrives ? 1 : 0;
    if (own == 2) {
        if (!secondThrives)
            return 0;
        return firstNeighbours >= 2 ? 1 : 2;
    }
    if (firstNeighbours == 3)
        return 1;
    return secondNeighbours == 3 ? 2 : 0;
}

// A second-species cell pressed by two or more first-species cells is a
// contact, whatever becomes of it.
constexpr bool isContact(int own, int firstNeighbours)
{
    return own == 2 && firstNeighbours >= 2;
}
