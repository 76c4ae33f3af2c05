#include "BenchmarkMain.h"
#include "analysis/ChampionGrid.h"
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
    MatchPool pool(threads);
    for (auto _ : state) {
        ChampionGrid grid(champions1, champions2);
        playGrid(grid, pool);
        benchmark::DoNotOptimize(grid.at(side - 1, side - 1));
    }
    state.SetItemsProcessed(state.iterations() * side * side);
    state.counters["matches/s"] = benchmark::Counter(static_cast<double>(side) * side,
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

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
