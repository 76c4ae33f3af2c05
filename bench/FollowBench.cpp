#include "BenchmarkMain.h"
#include "analysis/LiveRun.h"
#include "records/ArchiveFormat.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <random>

// One look at a run a batch is still writing, after it wrote one more
// generation, at generation 100 and at 10,000 of a default run: the cost a
// followed run's poll adds to the window's thread, which should not grow with
// the run.
namespace
{

ArchivedGeneration randomGeneration(int number, int members, std::mt19937_64& random)
{
    ArchivedGeneration generation;
    generation.generation = number;
    for (int k = 0; k < members; ++k)
        for (auto* population : {&generation.population1, &generation.population2}) {
            PackedPattern pattern(packedPatternBytes, '\0');
            for (char& byte : pattern)
                byte = static_cast<char>(random());
            population->push_back(pattern);
        }
    const std::vector<float> zeros(static_cast<std::size_t>(members), 0.0f);
    generation.lineage = ArchivedLineage(ArchivedLineage::packed({zeros, zeros}, {}, {}), 0,
                                         members, {}, false);
    return generation;
}

QByteArray logRow(int generation)
{
    return QByteArray::number(generation) + ",1.5,2.5,3.5,4.5\n";
}

bool append(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

// A run folder of `generations` generations of random members, as a batch
// still writing it leaves it; false when it cannot be written.
bool writeRun(const QTemporaryDir& folder, int generations, std::mt19937_64& random)
{
    const QDir dir(folder.path());
    const ExperimentConfig config;
    const ArchiveHeader header = archiveHeaderOf(1, QStringLiteral("bench"), config);
    QByteArray archive = encodeArchiveHeader(header);
    QByteArray log("generation,average1,average2,best1,best2\n");
    for (int k = 1; k <= generations; ++k) {
        archive += encodeArchivedGeneration(randomGeneration(k, config.populationSize, random),
                                            header);
        log += logRow(k);
    }
    QFile archiveFile(dir.filePath(QStringLiteral("run.arc.partial")));
    QFile logFile(dir.filePath(QStringLiteral("fitness.csv.partial")));
    return archiveFile.open(QIODevice::WriteOnly) && archiveFile.write(archive) == archive.size() &&
           logFile.open(QIODevice::WriteOnly) && logFile.write(log) == log.size();
}

// What a look cost when it read the run whole: opening it again.
void reopenWhole(benchmark::State& state)
{
    QTemporaryDir folder;
    std::mt19937_64 random(1);
    if (!writeRun(folder, static_cast<int>(state.range(0)), random)) {
        state.SkipWithError("cannot write the run");
        return;
    }
    for (auto _ : state) {
        const OpenedRunRead read = openRun(folder.path());
        if (!read.error.isEmpty()) {
            state.SkipWithError(qPrintable(read.error));
            return;
        }
        benchmark::DoNotOptimize(read.run.archive->generations.size());
    }
}

void lookAfterOneGeneration(benchmark::State& state)
{
    const int generations = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    const QDir dir(folder.path());
    const QString archivePath = dir.filePath(QStringLiteral("run.arc.partial"));
    const QString logPath = dir.filePath(QStringLiteral("fitness.csv.partial"));
    const ExperimentConfig config;
    const ArchiveHeader header = archiveHeaderOf(1, QStringLiteral("bench"), config);
    std::mt19937_64 random(1);
    if (!writeRun(folder, generations, random)) {
        state.SkipWithError("cannot write the run");
        return;
    }
    OpenedRunRead read = openRun(folder.path());
    if (!read.error.isEmpty()) {
        state.SkipWithError(qPrintable(read.error));
        return;
    }
    LiveRun run(std::move(read.run));
    run.look();
    int next = generations + 1;
    for (auto _ : state) {
        state.PauseTiming();
        const bool written =
            append(archivePath, encodeArchivedGeneration(
                                    randomGeneration(next, config.populationSize, random), header)) &&
            append(logPath, logRow(next));
        ++next;
        state.ResumeTiming();
        const LiveRun::Look look = run.look();
        if (!written || !look.changed || look.reread) {
            state.SkipWithError("the look did not read the one new generation alone");
            return;
        }
    }
}

} // namespace

BENCHMARK(lookAfterOneGeneration)
    ->Name("follow/look")
    ->ArgNames({"generations"})
    ->Arg(100)
    ->Arg(10000)
    ->Iterations(500)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK(reopenWhole)
    ->Name("follow/reopen-whole")
    ->ArgNames({"generations"})
    ->Arg(100)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv);
}
