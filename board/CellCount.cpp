#include "board/CellCount.h"

// Eight cells per compare where the CPU has AVX2, chosen when the program
// loads (Clang would need the attribute on the declaration too).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
int countCells(const int* cells, std::size_t count, int code)
{
    // An unsigned total with no early exit lets the compiler add whole
    // vectors of comparisons.
    unsigned total = 0;
    for (std::size_t i = 0; i < count; ++i)
        total += cells[i] == code;
    return static_cast<int>(total);
}
