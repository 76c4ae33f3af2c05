#include "BenchmarkMain.h"
#include "board/Board.h"
#include "board/KernelBuild.h"
#include "board/Match.h"
#include "board/Pattern.h"
#include "board/StepThread.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

// One match as the evolution worker plays it: reset, two stamps, 100 steps,
// the three counts; per kernel build, cell by cell, and on the board's own
// thread. Then runs of boards of other sizes.
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

// The match function on the calling thread, with the kernel build chosen.
void playMatches(benchmark::State& state, KernelBuild build)
{
    Board board;
    if (!board.useKernelBuild(build)) {
        state.SkipWithError("the CPU lacks this build");
        return;
    }
    prepareMatchBoard(board);
    const std::vector<PatternPair>& pairs = patternPairs();
    std::size_t next = 0;
    for (auto _ : state) {
        const PatternPair& pair = pairs[next++ % pairs.size()];
        benchmark::DoNotOptimize(playMatch(board, pair.first, pair.second));
    }
}

Board& boardOf(Board& board)
{
    return board;
}

Board& boardOf(StepThread& thread)
{
    return thread.board();
}

// The same matches with the steps run another way: cell by cell through
// nextState (the reference), or on the board's own thread as the worker
// runs them (the difference to match/<build> is one thread start-and-wait).
template <typename BoardOwner, typename RunSteps>
void playMatchesWith(benchmark::State& state, RunSteps runSteps)
{
    BoardOwner owner;
    Board& board = boardOf(owner);
    prepareMatchBoard(board);
    const std::vector<PatternPair>& pairs = patternPairs();
    std::size_t next = 0;
    for (auto _ : state) {
        const PatternPair& pair = pairs[next++ % pairs.size()];
        setUpMatch(board, pair.first, pair.second);
        runSteps(owner);
        benchmark::DoNotOptimize(matchResult(board));
    }
}

void playMatchesPerCell(benchmark::State& state)
{
    playMatchesWith<Board>(state, [](Board& board) { board.runPerCell(); });
}

void playMatchesOnTheirThread(benchmark::State& state)
{
    playMatchesWith<StepThread>(state, [](StepThread& board) {
        board.start();
        board.wait();
    });
}

// One start-and-wait of a board's thread with no step to run.
void startAndWait(benchmark::State& state)
{
    StepThread board;
    prepareMatchBoard(board.board());
    board.setSteps(0);
    for (auto _ : state) {
        board.start();
        board.wait();
    }
}

// A run of `steps` steps on a randomly filled board, packing and unpacking
// included: how small boards fare on each path.
template <auto runSteps> void runBoard(benchmark::State& state)
{
    Board board;
    board.useKernelBuild(KernelBuild::Portable);
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

// One match of the experiment's shape on a board of another size (100
// steps, the window's patterns and places): how the cost grows with the
// board, per kernel build.
void playMatchesOnBoard(benchmark::State& state)
{
    MatchLayout layout;
    layout.boardWidth = static_cast<int>(state.range(0));
    layout.boardHeight = static_cast<int>(state.range(1));
    Board board;
    const std::vector<PatternPair>& pairs = patternPairs();
    std::size_t next = 0;
    for (auto _ : state) {
        const PatternPair& pair = pairs[next++ % pairs.size()];
        benchmark::DoNotOptimize(playMatch(board, pair.first, pair.second, layout));
    }
    state.counters["matches/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
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

BENCHMARK(playMatchesPerCell)->Name("match/perCell");
BENCHMARK(playMatchesOnBoard)
    ->Name("match/onBoard")
    ->ArgNames({"width", "height"})
    ->Args({100, 15})
    ->Args({200, 30})
    ->Args({1024, 1024});
BENCHMARK(playMatchesOnTheirThread)->Name("match/onItsThread")->UseRealTime();
BENCHMARK(startAndWait)->Name("thread/startAndWait")->UseRealTime();
BENCHMARK(runBoard<&Board::runPerCell>)->Name("board/perCell")->Apply(boardSizes);
BENCHMARK(runBoard<&Board::runBitPlanes>)->Name("board/bitPlanes")->Apply(boardSizes);

int main(int argc, char** argv)
{
    for (KernelBuild build : supportedKernelBuilds())
        benchmark::RegisterBenchmark((std::string("match/") + kernelBuildName(build)).c_str(),
                                     playMatches, build);
    return runBenchmarks(argc, argv);
}
