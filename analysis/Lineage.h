#pragma once

#include "analysis/BirthRecord.h"
#include "board/Pattern.h"
#include "evolution/Birth.h"
#include "records/NumberedGenerations.h"
#include "records/PackedPattern.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

struct GenerationReport;
struct RunArchive;

// One generation as the lineage analyses read it: both populations' members
// as they played, their scores and champions, and the births that made them.
// Index 0 of each pair is population 1, index 1 population 2.
struct LineageGeneration {
    int generation = 0;
    std::array<std::vector<PackedPattern>, 2> members;
    // Every member's score; empty when the record kept none.
    std::array<std::vector<float>, 2> scores;
    std::array<int, 2> champions{};
    // Empty when none was recorded: the first generation's members have
    // none, and a later generation may lack them (a run resumed from a
    // state saved without them).
    std::array<Births, 2> births;
};

// A run's generations in order, numbered one after another from any first
// one, all of one population size and pattern shape. What the analyses of
// descent, phylogeny and turnover read, filled from a run's reports or an
// archive's records alike.
class LineageModel : public BirthRecord
{
public:
    LineageModel(int populationSize, PatternShape shape);

    // Adds the generation after the last; empty when it fits, otherwise why
    // not (and nothing is added): a generation out of order, members not of
    // the model's number or shape, scores or births of the wrong count,
    // champions or parents that are no member.
    QString append(LineageGeneration generation);

    bool empty() const { return generations.empty(); }
    int firstGeneration() const { return generations.empty() ? 0 : generations.front().generation; }
    int lastGeneration() const { return generations.empty() ? 0 : generations.back().generation; }
    bool holds(int generation) const
    {
        return numberedGeneration(generations, generation) != nullptr;
    }
    // A generation the model holds.
    const LineageGeneration& at(int generation) const
    {
        return *numberedGeneration(generations, generation);
    }
    int populationSize() const { return members; }
    PatternShape shape() const { return patternShape; }

    // A member's birth (population 1 or 2), or nullptr when none is recorded
    // or its parents' generation is not held.
    const Birth* birthOf(int generation, int population, int member) const;
    // The first generation after the first held whose births are not
    // recorded, or 0 when every one's are.
    int firstWithoutBirths() const;
    // Whether any generation kept every member's score.
    bool scoresRecorded() const;

    int firstHeld() const override { return firstGeneration(); }
    int lastHeld() const override { return lastGeneration(); }
    Births birthsIn(int generation, int population) const override;
    std::optional<Birth> recordedBirth(int generation, int population, int member) const override;

    // A number for a member that depends only on its generation, population
    // and index: ((generation - 1) x 2 + population - 1) x N + member.
    std::uint64_t idOf(int generation, int population, int member) const
    {
        return ((static_cast<std::uint64_t>(generation) - 1) * 2 +
                static_cast<std::uint64_t>(population - 1)) *
                   static_cast<std::uint64_t>(members) +
               static_cast<std::uint64_t>(member);
    }

private:
    int members;
    PatternShape patternShape;
    std::vector<LineageGeneration> generations;
};

// A played generation as the model holds it.
LineageGeneration lineageGenerationOf(const GenerationReport& report, PatternShape shape);
// Empty for an archive that keeps every member's score and birth (version
// 3), otherwise the one line that says it keeps neither.
QString lineageRefusalOf(const RunArchive& archive);
// Every generation of an archive of version 3; otherwise, or when the
// archive's births name no member, `error` says why.
LineageModel lineageModelOf(const RunArchive& archive, QString& error);

// The cells, ascending, in which `child` differs from `parent`.
std::vector<int> changedCells(const PackedPattern& parent, const PackedPattern& child,
                              PatternShape shape);

// "mutation", "crossover" or "copy".
const char* operatorName(BreedingOperator breedingOperator);
