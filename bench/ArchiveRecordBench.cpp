// What the archive adds to a generation: its record made from the
// generation's report and encoded, in version 1 (members and champions) and
// version 3 (every score and birth too), for generations 2 to 21
// of a default run.
#include "BenchmarkMain.h"
#include "evolution/GenerationReport.h"
#include "evolution/LifegameThread.h"
#include "random/RandomSources.h"
#include "records/ArchiveWriter.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

const std::vector<GenerationReport>& playedReports()
{
    static const std::vector<GenerationReport> reports = [] {
        reseedRandomSources(2024u);
        LifegameThread worker{ExperimentConfig()};
        std::vector<GenerationReport> played;
        QObject::connect(
            &worker, &LifegameThread::generationPlayed, &worker,
            [&](const GenerationReport& report) {
                if (report.generation > 1)
                    played.push_back(report);
            },
            Qt::DirectConnection);
        worker.stopAfterGeneration(21);
        worker.start();
        worker.wait();
        return played;
    }();
    return reports;
}

void BM_ArchiveRecord(benchmark::State& state)
{
    const std::vector<GenerationReport>& reports = playedReports();
    ArchiveHeader header = archiveHeaderOf(1, QStringLiteral("bench"), ExperimentConfig());
    header.formatVersion = static_cast<std::uint32_t>(state.range(0));
    std::size_t k = 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray record =
            encodeArchivedGeneration(archivedGeneration(reports[k]), header);
        bytes += record.size();
        k = (k + 1) % reports.size();
    }
    state.counters["bytes"] =
        benchmark::Counter(static_cast<double>(bytes) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ArchiveRecord)->ArgName("version")->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

// The encoding alone, of records made before.
void BM_ArchiveEncoding(benchmark::State& state)
{
    std::vector<ArchivedGeneration> generations;
    for (const GenerationReport& report : playedReports())
        generations.push_back(archivedGeneration(report));
    ArchiveHeader header = archiveHeaderOf(1, QStringLiteral("bench"), ExperimentConfig());
    header.formatVersion = static_cast<std::uint32_t>(state.range(0));
    std::size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(encodeArchivedGeneration(generations[k], header));
        k = (k + 1) % generations.size();
    }
}
BENCHMARK(BM_ArchiveEncoding)->ArgName("version")->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv);
}
