#include "evolution/PoolMatchRunner.h"

#include "board/MatchPool.h"

namespace
{

// Rows of a few matches each: fewer trips to the shared counter, and still
// enough rows to keep every thread busy to the end.
constexpr int matchesPerRow = 2;

} // namespace

void PoolMatchRunner::play(const MatchLayout& layout, const std::vector<MatchOrder>& orders,
                           std::vector<MatchResult>& results)
{
    const int count = static_cast<int>(orders.size());
    const int rows = (count + matchesPerRow - 1) / matchesPerRow;
    pool.begin(rows, [&](int row, Board& board) {
        const int end = std::min(count, (row + 1) * matchesPerRow);
        for (int k = row * matchesPerRow; k < end; ++k) {
            const std::optional<MatchResult> result =
                playCancellableMatch(board, *orders[k].first, *orders[k].second, layout);
            if (!result)
                return;
            results[k] = *result;
        }
    });
    if (wait)
        wait(pool);
    else
        pool.waitForAll();
}
