#include "BenchmarkMain.h"
#include "board/Pattern.h"
#include "board/StepThread.h"

#include <benchmark/benchmark.h>

#include <random>
#include <utility>
#include <vector>

// One match as the evolution worker plays it, on the calling thread: reset,
// two stamps, 100 steps, the three counts. Per-cell and bit-plane paths.
namespace
{

struct PatternPair {
    Pattern first;
    Pattern second;
};

const std::vector<PatternPair>& patternPairs()
{
    static const std::vector<PatternPair> pairs = [] {
        std::mt19937 rng(2024);
        std::vector<PatternPair> made(64);
        for (PatternPair& pair : made) {
            pair.first = makePattern();
            pair.second = makePattern();
            for (int i = 0; i < patternCells; ++i) {
                pair.first[i] = static_cast<int>(rng() & 1);
                pair.second[i] = static_cast<int>(rng() & 1);
            }
        }
        return made;
    }();
    return pairs;
}

template <void (StepThread::*runSteps)(), bool avx2 = false>
void playMatches(benchmark::State& state)
{
    StepThread board;
    board.allowAvx2(avx2);
    board.setWidth(100);
    board.setHeight(15);
    board.setSteps(100);
    const std::vector<PatternPair>& pairs = patternPairs();
    std::size_t next = 0;
    for (auto _ : state) {
        const PatternPair& pair = pairs[next++ % pairs.size()];
        board.reset();
        board.stampPattern(pair.first, 1, 0, 0, patternWidth, patternHeight);
        board.stampPattern(pair.second, 2, 10, 0, patternWidth, patternHeight);
        (board.*runSteps)();
        benchmark::DoNotOptimize(board.countFirstSpecies());
        benchmark::DoNotOptimize(board.countSecondSpecies());
        benchmark::DoNotOptimize(board.contactCount());
    }
}

// A run of `steps` steps on a randomly filled board, packing and unpacking
// included: how small boards fare on each path.
template <void (StepThread::*runSteps)()> void runBoard(benchmark::State& state)
{
    StepThread board;
    board.allowAvx2(false);
    board.setWidth(static_cast<int>(state.range(0)));
    board.setHeight(static_cast<int>(state.range(1)));
    board.setSteps(static_cast<int>(state.range(2)));
    board.reset();
    std::mt19937 rng(5);
    for (int y = 0; y < board.boardHeight(); ++y)
        for (int x = 0; x < board.boardWidth(); ++x)
            board.setCell(x, y, static_cast<int>(rng() % 3));
    for (auto _ : state) {
        (board.*runSteps)();
        benchmark::DoNotOptimize(board.contactCount());
    }
}

void boardSizes(benchmark::internal::Benchmark* bench)
{
    bench->ArgNames({"width", "height", "steps"});
    for (int steps : {1, 100})
        for (const auto& size : {std::make_pair(1, 1), std::make_pair(2, 2), std::make_pair(3, 3),
                                 std::make_pair(8, 6), std::make_pair(100, 15)})
            bench->Args({size.first, size.second, steps});
}

} // namespace

BENCHMARK(playMatches<&StepThread::runPerCell>)->Name("match/perCell");
BENCHMARK(playMatches<&StepThread::runBitPlanes>)->Name("match/bitPlanes");
BENCHMARK(playMatches<&StepThread::runBitPlanes, true>)->Name("match/bitPlanesAvx2IfAvailable");
BENCHMARK(runBoard<&StepThread::runPerCell>)->Name("board/perCell")->Apply(boardSizes);
BENCHMARK(runBoard<&StepThread::runBitPlanes>)->Name("board/bitPlanes")->Apply(boardSizes);

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv);
}
