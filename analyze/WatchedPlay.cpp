#include "analyze/WatchedPlay.h"

#include "analysis/ChampionGrid.h"
#include "board/MatchPool.h"
#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"
#include "cli/ProgressBar.h"
#include "cli/TerminationSignalWatcher.h"

int playWatched(ChampionGrid& grid, MatchPool& pool)
{
    pool.begin(grid.rowCount(), [&grid](int row, Board& board) { grid.playRow(row, board); });
    ProgressBar progress(stderr, grid.matchCount(), "matches");
    for (;;) {
        const bool done = pool.waitFor(std::chrono::milliseconds(100));
        if (const int signalNumber = takeTerminationSignal(0)) {
            pool.cancel();
            progress.clear();
            return signalNumber;
        }
        if (done)
            break;
        progress.show(grid.matchesIn(pool.rowsDone()));
    }
    progress.clear();
    return 0;
}

int playOnNewPool(ChampionGrid& grid, int threads)
{
    std::string failure;
    const std::unique_ptr<MatchPool> pool = MatchPool::start(threads, failure);
    if (!pool) {
        reportError(QString::fromStdString(failure));
        return ExitCode::systemRefused;
    }
    if (const int signalNumber = playWatched(grid, *pool))
        return interruptedBy(signalNumber);
    return 0;
}

int interruptedBy(int signalNumber)
{
    reportError(QStringLiteral("interrupted"));
    return 128 + signalNumber;
}

int pendingInterruption()
{
    const int signalNumber = takeTerminationSignal(0);
    return signalNumber != 0 ? interruptedBy(signalNumber) : 0;
}
