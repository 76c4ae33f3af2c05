#include "BenchmarkMain.h"
#include "analysis/ChampionGrid.h"
#include "analysis/Crossplay.h"
#include "board/MatchPool.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

// The champion grid as coevolife-analyze plays it, on 1 and 2 threads, with
// every champion distinct so that no match is saved by repeats: the
// matches-per-second figure of a grid.
namespace
{

std::vector<PackedPattern> randomChampions(int count, unsigned seed)
{
    std::mt19937_64 random(seed);
    std::vector<PackedPattern> champions(static_cast<std::size_t>(count));
    for (PackedPattern& champion : champions) {
        champion = PackedPattern(packedPatternBytes, '\0');
        for (char& byte : champion)
            byte = static_cast<char>(random());
    }
    return champions;
}

void playDistinctGrid(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const std::vector<PackedPattern> champions1 = randomChampions(side, 1);
    const std::vector<PackedPattern> champions2 = randomChampions(side, 2);
    std::string failure;
    const std::unique_ptr<MatchPool> pool = MatchPool::start(threads, failure);
    if (!pool) {
        state.SkipWithError(failure.c_str());
        return;
    }
    for (auto _ : state) {
        ChampionGrid grid(champions1, champions2);
        playGrid(grid, *pool);
        benchmark::DoNotOptimize(grid.at(side - 1, side - 1));
    }
    state.SetItemsProcessed(state.iterations() * side * side);
    state.counters["matches/s"] = benchmark::Counter(static_cast<double>(side) * side,
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

// coevolife-analyze crossplay of 2 conditions x 16 runs: every run's
// population-1 champion against every run's population-2 champion, then the
// means.
void playCrossplay(benchmark::State& state)
{
    const int runCount = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    const std::vector<PackedPattern> champions1 = randomChampions(runCount, 3);
    const std::vector<PackedPattern> champions2 = randomChampions(runCount, 4);
    std::vector<CrossplayRun> runs;
    for (int r = 0; r < runCount; ++r)
        runs.push_back({r % 2, static_cast<unsigned>(r), champions1[static_cast<std::size_t>(r)],
                        champions2[static_cast<std::size_t>(r)]});
    std::string failure;
    const std::unique_ptr<MatchPool> pool = MatchPool::start(threads, failure);
    if (!pool) {
        state.SkipWithError(failure.c_str());
        return;
    }
    for (auto _ : state) {
        ChampionGrid grid = crossplayGrid(runs, MatchLayout());
        playGrid(grid, *pool);
        benchmark::DoNotOptimize(crossplayMeans(grid));
    }
    state.counters["matches/s"] = benchmark::Counter(static_cast<double>(runCount) * runCount,
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(playCrossplay)
    ->Name("grid/crossplay")
    ->ArgNames({"runs", "threads"})
    ->Args({32, 1})
    ->Args({32, 2})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(playDistinctGrid)
    ->Name("grid/distinct")
    ->ArgNames({"side", "threads"})
    ->Args({200, 1})
    ->Args({200, 2})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv);
}
