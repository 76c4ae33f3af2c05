#include "board/BitPlaneStepper.h"

#include "board/WordBlock.h"
#include "board/WordPacking.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

using namespace bitplanes;

namespace
{

// The words of one plane a block of steps may take between two looks at the
// cancel flag: about 15 steps of the largest board, tens of thousands of a
// usual one.
constexpr std::size_t wordsPerBlockOfSteps = std::size_t{1} << 22;

// Every pass works on whole blocks of rows.
int roundUpToBlock(int n)
{
    return (n + blockWords - 1) / blockWords * blockWords;
}

// A two-bit number per cell, one plane per binary digit.
struct TwoBits {
    Block low;
    Block high;
};

// What the rule asks of a neighbour count 0..8, as bit planes.
struct NeighbourCount {
    Block ones;
    Block twoOrThree;
    Block atLeastTwo;
};

// Adds the horizontal sums (west + centre + east) of the rows above and
// below and of the own row less its centre cell.
COEVOLIFE_ALWAYS_INLINE NeighbourCount neighbourCount(TwoBits above, TwoBits own, Block centre,
                                                      TwoBits below)
{
    // Taking the centre off a sum of 1..3 flips the low bit and leaves the
    // high bit only where the sum was 3; without the centre the sum is at
    // most 2, so the high bit never comes with the low bit and stays.
    const Block pairLow = own.low ^ centre;
    const Block pairHigh = own.high & ~pairLow;
    // count = ones + 2 * (carry + twos) + 4 * fours
    NeighbourCount count;
    Block carry;
    Block twos;
    Block fours;
    fullAdd(above.low, pairLow, below.low, count.ones, carry);
    fullAdd(above.high, pairHigh, below.high, twos, fours);
    count.twoOrThree = (twos ^ carry) & ~fours;
    count.atLeastTwo = twos | carry | fours;
    return count;
}

// A species' horizontal sums for the slots of one word column.
struct ColumnSums {
    Word* low;
    Word* high;

    COEVOLIFE_ALWAYS_INLINE TwoBits at(int slot) const
    {
        return {loadBlock(low + slot), loadBlock(high + slot)};
    }
};

// West + centre + east of one word column's slots 1..rows (rounded up to
// whole blocks), for both species.
COEVOLIFE_ALWAYS_INLINE void sumColumn(const Word* first, const Word* second,
                                       const BitPlaneStepper::ColumnEdges& e, ColumnSums sums1,
                                       ColumnSums sums2, int rows, int height)
{
    // Copies, so that the stores below cannot be taken to change them.
    const std::ptrdiff_t toWest = e.toWest;
    const std::ptrdiff_t toEast = e.toEast;
    const int westShift = e.westShift;
    const int eastShift = e.eastShift;
    // Shifting west moves the last real bit past the width: masked off.
    const Block widthMask = broadcast(e.widthMask);
    const auto sumBlock = [=](const Word* column, ColumnSums sums, int i) {
        const Block centre = loadBlock(column + i);
        // Bits past the width are 0, so the west neighbour's end bit comes
        // alone with the shift.
        const Block west =
            ((centre << 1) & widthMask) | (loadBlock(column + toWest + i) >> westShift);
        const Block east = (centre >> 1) | ((loadBlock(column + toEast + i) << 63) >> eastShift);
        Block sum;
        Block carry;
        fullAdd(west, east, centre, sum, carry);
        storeBlock(sums.low + i, sum);
        storeBlock(sums.high + i, carry);
    };
    const Word* firstColumn = first + e.column;
    const Word* secondColumn = second + e.column;
    for (int i = 1; i <= rows; i += blockWords) {
        sumBlock(firstColumn, sums1, i);
        sumBlock(secondColumn, sums2, i);
    }
    // The row above the first is the last (on a 1-row board the row itself).
    for (ColumnSums sums : {sums1, sums2}) {
        sums.low[0] = sums.low[height];
        sums.high[0] = sums.high[height];
    }
}

// The rule table on whole blocks of one word column, slots 1..rows; slot i
// reads the sums of slots i - 1, i and i + 1. Slots past the height are
// computed too and overwritten later; realRows masks their contacts off.
template <typename ContactCounter>
COEVOLIFE_ALWAYS_INLINE void applyRule(const Word* first, const Word* second, ColumnSums sums1,
                                       ColumnSums sums2, Word* nextFirst, Word* nextSecond,
                                       int rows, const Word* realRows, ContactCounter& contacts)
{
    for (int i = 1; i <= rows; i += blockWords) {
        const Block firstCells = loadBlock(first + i);
        const Block secondCells = loadBlock(second + i);
        const NeighbourCount n1 =
            neighbourCount(sums1.at(i - 1), sums1.at(i), firstCells, sums1.at(i + 1));
        const NeighbourCount n2 =
            neighbourCount(sums2.at(i - 1), sums2.at(i), secondCells, sums2.at(i + 1));
        const Block n1Three = n1.twoOrThree & n1.ones;
        const Block n2Three = n2.twoOrThree & n2.ones;

        const Block occupied = firstCells | secondCells;
        const Block firstSurvives = firstCells & n1.twoOrThree;
        const Block secondLives = secondCells & n2.twoOrThree;
        const Block secondConverted = secondLives & n1.atLeastTwo;
        const Block secondSurvives = secondLives & ~n1.atLeastTwo;
        const Block firstBorn = n1Three & ~occupied;
        const Block secondBorn = n2Three & ~(occupied | n1Three);

        storeBlock(nextFirst + i, firstSurvives | secondConverted | firstBorn);
        storeBlock(nextSecond + i, secondSurvives | secondBorn);
        contacts.add(secondCells & n1.atLeastTwo & loadBlock(realRows + i));
    }
}

} // namespace

BitPlaneStepper::BitPlaneStepper()
{
    useBuild(fastestKernelBuild());
}

void BitPlaneStepper::resize(int newWidth, int newHeight)
{
    if (newWidth == width && newHeight == height)
        return;
    width = newWidth;
    height = newHeight;
    wordsPerRow = (width + 63) / 64;
    sumRows = roundUpToBlock(height + 1);
    ruleRows = roundUpToBlock(height);
    // Three words of padding put slot 1 on a block boundary; then slot 0,
    // the summed slots and the slot below them that the rule reads.
    stride = roundUpToBlock(slotZero + 1 + sumRows + 1);
    planeWords = static_cast<std::size_t>(wordsPerRow) * stride;
    stepsPerBlock = static_cast<int>(std::clamp<std::size_t>(
        wordsPerBlockOfSteps / planeWords, 1, std::numeric_limits<int>::max()));
    storage.assign(planeCount * planeWords + blockWords - 1, 0);
    const auto address = reinterpret_cast<std::uintptr_t>(storage.data());
    alignedStart = (blockWords - address / sizeof(Word) % blockWords) % blockWords;
    Word* realRows = plane(RealRows) + slotZero;
    std::fill_n(realRows + 1, height, ~Word{0});

    const int lastBit = (width - 1) % 64;
    const Word lastWordMask = lastBit == 63 ? ~Word{0} : (Word{1} << (lastBit + 1)) - 1;
    const int last = wordsPerRow - 1;
    const std::ptrdiff_t columnStride = stride;
    columnEdges.clear();
    for (int k = 0; k <= last; ++k)
        columnEdges.push_back({static_cast<std::size_t>(k) * stride + slotZero,
                               k == 0 ? last * columnStride : -columnStride, k == 0 ? lastBit : 63,
                               k == last ? -last * columnStride : columnStride,
                               k == last ? 63 - lastBit : 0, k == last ? lastWordMask : ~Word{0}});
}

// Built once per instruction set below.
template <typename Isa>
COEVOLIFE_ALWAYS_INLINE BitPlaneStepper::Advance BitPlaneStepper::runKernel(int* grid, int steps,
                                                                            Cancel cancel)
{
    // With no step at all the grid keeps codes the planes cannot hold.
    if (steps <= 0)
        return {};
    Word* first = plane(FirstSpecies);
    Word* second = plane(SecondSpecies);
    Word* nextFirst = plane(NextFirstSpecies);
    Word* nextSecond = plane(NextSecondSpecies);

    for (int y = 0; y < height; ++y) {
        const int* row = grid + static_cast<std::size_t>(width) * y;
        for (int k = 0; k < wordsPerRow; ++k)
            Isa::pack(row + 64 * k, std::min(64, width - 64 * k), first[slot(k, 1 + y)],
                      second[slot(k, 1 + y)]);
    }
    // The row below the last is the first (on a 1-row board the row itself).
    for (int k = 0; k < wordsPerRow; ++k) {
        first[slot(k, height + 1)] = first[slot(k, 1)];
        second[slot(k, height + 1)] = second[slot(k, 1)];
    }

    // Locals, which stores through the planes cannot be taken to change.
    const int rows = height;
    const int summed = sumRows;
    const int ruled = ruleRows;
    Word* const sums[] = {plane(FirstSumsLow), plane(FirstSumsHigh), plane(SecondSumsLow),
                          plane(SecondSumsHigh)};
    const Word* realRows = plane(RealRows) + slotZero;
    const ColumnEdges* const edgesBegin = columnEdges.data();
    const ColumnEdges* const edgesEnd = edgesBegin + columnEdges.size();
    typename Isa::ContactCounter contacts;
    // The flag is looked at between blocks of steps, never inside one, so
    // the steps themselves run as they would without it.
    const int block = cancel ? stepsPerBlock : steps;
    int played = 0;
    while (played < steps && !(cancel && cancel->load(std::memory_order_relaxed))) {
        const int blockEnd = played + std::min(block, steps - played);
        for (int s = played; s < blockEnd; ++s) {
            for (const ColumnEdges* edges = edgesBegin; edges != edgesEnd; ++edges) {
                const std::size_t at = edges->column;
                sumColumn(first, second, *edges, {sums[0] + at, sums[1] + at},
                          {sums[2] + at, sums[3] + at}, summed, rows);
            }
            for (const ColumnEdges* edges = edgesBegin; edges != edgesEnd; ++edges) {
                const std::size_t at = edges->column;
                applyRule(first + at, second + at, {sums[0] + at, sums[1] + at},
                          {sums[2] + at, sums[3] + at}, nextFirst + at, nextSecond + at, ruled,
                          realRows, contacts);
                // The copy of the first row below the last, for the next sums.
                nextFirst[at + rows + 1] = nextFirst[at + 1];
                nextSecond[at + rows + 1] = nextSecond[at + 1];
            }
            std::swap(first, nextFirst);
            std::swap(second, nextSecond);
        }
        played = blockEnd;
    }

    for (int y = 0; y < height; ++y) {
        int* row = grid + static_cast<std::size_t>(width) * y;
        for (int k = 0; k < wordsPerRow; ++k)
            Isa::unpack(row + 64 * k, std::min(64, width - 64 * k), first[slot(k, 1 + y)],
                        second[slot(k, 1 + y)]);
    }
    return {contacts.sum(), played};
}

// An unsigned total with no early exit lets the compiler add whole vectors
// of comparisons.
COEVOLIFE_ALWAYS_INLINE int countCodes(const int* cells, std::size_t count, int code)
{
    unsigned total = 0;
    for (std::size_t i = 0; i < count; ++i)
        total += cells[i] == code;
    return static_cast<int>(total);
}

#if defined(__GNUC__)
__attribute__((flatten))
#endif
BitPlaneStepper::Advance BitPlaneStepper::runPortable(int* grid, int steps, Cancel cancel)
{
    return runKernel<PortableIsa>(grid, steps, cancel);
}

static int countPortable(const int* cells, std::size_t count, int code)
{
    return countCodes(cells, count, code);
}

#if defined(__x86_64__) && defined(__GNUC__)

// The portable build has neither POPCNT nor AVX2; these run where the CPU
// has them.
__attribute__((target("popcnt"), flatten)) BitPlaneStepper::Advance
BitPlaneStepper::runPopcnt(int* grid, int steps, Cancel cancel)
{
    return runKernel<PortableIsa>(grid, steps, cancel);
}

__attribute__((target("avx2,popcnt"), flatten)) BitPlaneStepper::Advance
BitPlaneStepper::runAvx2(int* grid, int steps, Cancel cancel)
{
    return runKernel<Avx2Isa>(grid, steps, cancel);
}

// Eight cells per compare.
__attribute__((target("avx2"))) static int countAvx2(const int* cells, std::size_t count, int code)
{
    return countCodes(cells, count, code);
}

#else

BitPlaneStepper::Advance BitPlaneStepper::runPopcnt(int* grid, int steps, Cancel cancel)
{
    return runKernel<PortableIsa>(grid, steps, cancel);
}

BitPlaneStepper::Advance BitPlaneStepper::runAvx2(int* grid, int steps, Cancel cancel)
{
    return runKernel<PortableIsa>(grid, steps, cancel);
}

static int countAvx2(const int* cells, std::size_t count, int code)
{
    return countCodes(cells, count, code);
}

#endif

bool BitPlaneStepper::useBuild(KernelBuild chosen)
{
    if (!kernelBuildSupported(chosen))
        return false;
    currentBuild = chosen;
    switch (chosen) {
    case KernelBuild::Portable:
        kernel = &BitPlaneStepper::runPortable;
        counter = &countPortable;
        break;
    case KernelBuild::Popcnt:
        kernel = &BitPlaneStepper::runPopcnt;
        counter = &countPortable;
        break;
    case KernelBuild::Avx2:
        kernel = &BitPlaneStepper::runAvx2;
        counter = &countAvx2;
        break;
    }
    return true;
}
