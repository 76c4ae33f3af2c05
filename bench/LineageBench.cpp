// The lineage analyses over a long run: 10,000 generations of 100 members,
// bred at random (each member's parents drawn uniformly, as neutral drift
// would pick them, which keeps the lines long), as an archive would fill the
// model.
#include "BenchmarkMain.h"
#include "analysis/Phylogeny.h"
#include "analysis/Turnover.h"

#include <benchmark/benchmark.h>

#include <random>

namespace
{

constexpr int generations = 10000;
constexpr int members = 100;

const LineageModel& longRun()
{
    static const LineageModel model = [] {
        std::mt19937 random(7u);
        const PatternShape shape;
        LineageModel built(members, shape);
        LineageGeneration previous;
        for (int g = 1; g <= generations; ++g) {
            LineageGeneration generation;
            generation.generation = g;
            for (int p = 0; p < 2; ++p) {
                generation.scores[p].resize(members);
                for (int i = 0; i < members; ++i) {
                    generation.scores[p][i] = static_cast<float>(random() % 1000) / 10.0f;
                    PackedPattern pattern(static_cast<std::size_t>(packedBytesOf(shape)), '\0');
                    if (g == 1) {
                        for (char& byte : pattern)
                            byte = static_cast<char>(random());
                        generation.members[p].push_back(pattern);
                        continue;
                    }
                    Birth birth;
                    birth.parent = static_cast<int>(random() % members);
                    birth.breedingOperator = static_cast<BreedingOperator>(random() % 3);
                    pattern = previous.members[p][birth.parent];
                    if (birth.breedingOperator == BreedingOperator::Crossover) {
                        birth.mate = static_cast<int>(random() % members);
                        birth.rectangle = {1, 5, 0, 3};
                    } else if (birth.breedingOperator == BreedingOperator::Mutation) {
                        pattern[random() % pattern.size()] ^=
                            static_cast<char>(1u << (random() % 8));
                    }
                    generation.members[p].push_back(pattern);
                    generation.births[p].push_back(birth);
                }
            }
            built.append(generation);
            previous = std::move(generation);
        }
        return built;
    }();
    return model;
}

void BM_Turnover(benchmark::State& state)
{
    const LineageModel& model = longRun();
    for (auto _ : state)
        benchmark::DoNotOptimize(turnoverCsv(turnoverOf(model)));
}
BENCHMARK(BM_Turnover)->Unit(benchmark::kMillisecond);

// --all: every birth's row.
void BM_PhylogenyOfEveryMember(benchmark::State& state)
{
    const LineageModel& model = longRun();
    for (auto _ : state)
        benchmark::DoNotOptimize(phylogenyCsv(model, everyMember(model)));
}
BENCHMARK(BM_PhylogenyOfEveryMember)->Unit(benchmark::kMillisecond);

// The default: the ancestors of the last generation's members.
void BM_PhylogenyOfLastGeneration(benchmark::State& state)
{
    const LineageModel& model = longRun();
    for (auto _ : state)
        benchmark::DoNotOptimize(phylogenyCsv(model, ancestryOf(model, model.lastGeneration())));
}
BENCHMARK(BM_PhylogenyOfLastGeneration)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks(argc, argv);
}
