// One whole generation through the worker: 400 matches, scoring, breeding
// and the progress line, exactly as a run plays it.
#include "BenchmarkMain.h"
#include "board/MatchPool.h"
#include "board/StepThread.h"
#include "evolution/LifegameThread.h"
#include "evolution/PoolMatchRunner.h"
#include "random/RandomSources.h"

#include <QLoggingCategory>
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>

namespace
{

// Argument 0: the worker's two board threads, as the window plays; N > 0: a
// pool of N threads, as the batch plays. The second argument is the hall of
// fame's K: each member's extra matches against past champions.
void BM_Generation(benchmark::State& state)
{
    reseedRandomSources(12345u);
    ExperimentConfig config;
    config.hallOfFame = static_cast<int>(state.range(1));
    LifegameThread worker(config);
    const int poolThreads = static_cast<int>(state.range(0));
    std::unique_ptr<MatchPool> pool;
    std::optional<PoolMatchRunner> poolRunner;
    if (poolThreads > 0) {
        std::string failure;
        pool = MatchPool::start(poolThreads, failure);
        if (!pool) {
            state.SkipWithError(failure.c_str());
            return;
        }
        poolRunner.emplace(*pool);
        worker.useMatchRunner(&*poolRunner);
    }
    // A run of ten generations per iteration, as a batch plays them: the
    // worker's own thread is started once per run, not per generation.
    constexpr int generationsPerIteration = 10;
    for (auto _ : state) {
        worker.stopAfterGeneration(worker.evolution().generations() + generationsPerIteration);
        worker.start();
        worker.wait();
    }
    const double generations = static_cast<double>(state.iterations()) * generationsPerIteration;
    state.SetItemsProcessed(static_cast<std::int64_t>(generations) * config.matchesPerGeneration);
    // Seconds per generation ("1.5m" is 1.5 ms).
    state.counters["perGeneration"] =
        benchmark::Counter(generations, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Generation)
    ->ArgNames({"poolThreads", "hallOfFame"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({2, 5})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The generation's thread traffic alone: 200 batches that start both match
// boards and wait for each, with no steps to run. The difference to
// BM_Generation is the matches' work (stepping, scoring, breeding).
void BM_GenerationThreadStartsOnly(benchmark::State& state)
{
    StepThread boards[2];
    for (StepThread& board : boards) {
        board.setWidth(LifegameThread::boardWidth);
        board.setHeight(LifegameThread::boardHeight);
        board.setSteps(0);
        board.reset();
    }
    for (auto _ : state) {
        for (int batch = 0; batch < LifegameThread::matchesPerGeneration / 2; ++batch) {
            for (StepThread& board : boards)
                board.start();
            for (StepThread& board : boards)
                board.wait();
        }
    }
}
BENCHMARK(BM_GenerationThreadStartsOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    // Keeps each run's "running..." line off the benchmark report.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    return runBenchmarks(argc, argv);
}
