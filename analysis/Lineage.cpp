#include "analysis/Lineage.h"

#include "evolution/GenerationReport.h"
#include "records/RunArchive.h"

LineageModel::LineageModel(int populationSize, PatternShape shape)
    : members(populationSize), patternShape(shape)
{
}

QString LineageModel::append(LineageGeneration generation)
{
    if (!generations.empty() && generation.generation != lastGeneration() + 1)
        return QStringLiteral("generation %1 follows generation %2")
            .arg(generation.generation)
            .arg(lastGeneration());
    if (generation.generation < 1)
        return QStringLiteral("generation %1 is not a generation").arg(generation.generation);
    const auto size = static_cast<std::size_t>(members);
    const auto bytes = static_cast<std::size_t>(packedBytesOf(patternShape));
    for (int p = 0; p < 2; ++p) {
        const QString where =
            QStringLiteral("generation %1, population %2: ").arg(generation.generation).arg(p + 1);
        if (generation.members[p].size() != size)
            return where + QStringLiteral("%1 members, not %2")
                               .arg(generation.members[p].size())
                               .arg(members);
        for (const PackedPattern& pattern : generation.members[p])
            if (pattern.size() != bytes)
                return where + QStringLiteral("a pattern of %1 bytes, not %2")
                                   .arg(pattern.size())
                                   .arg(bytes);
        if (!generation.scores[p].empty() && generation.scores[p].size() != size)
            return where + QStringLiteral("%1 scores").arg(generation.scores[p].size());
        if (generation.champions[p] < 0 || generation.champions[p] >= members)
            return where + QStringLiteral("champion %1").arg(generation.champions[p]);
        const Births& births = generation.births[p];
        if (!births.empty() && births.size() != size)
            return where + QStringLiteral("%1 births").arg(births.size());
        for (const Birth& birth : births) {
            const bool crossing = birth.breedingOperator == BreedingOperator::Crossover;
            if (birth.parent < 0 || birth.parent >= members ||
                (crossing ? birth.mate < 0 || birth.mate >= members : birth.mate != -1))
                return where + QStringLiteral("a birth from members %1 and %2")
                                   .arg(birth.parent)
                                   .arg(birth.mate);
            const CrossoverRectangle& r = birth.rectangle;
            if (r.x0 < 0 || r.x0 > r.x1 || r.x1 > patternShape.width || r.y0 < 0 || r.y0 > r.y1 ||
                r.y1 > patternShape.height || (!crossing && r != CrossoverRectangle()))
                return where + QStringLiteral("a crossover rectangle outside the pattern");
        }
    }
    generations.push_back(std::move(generation));
    return {};
}

const Birth* LineageModel::birthOf(int generation, int population, int member) const
{
    if (!holds(generation) || generation == firstGeneration())
        return nullptr;
    const Births& births = at(generation).births[population - 1];
    return births.empty() ? nullptr : &births[static_cast<std::size_t>(member)];
}

Births LineageModel::birthsIn(int generation, int population) const
{
    if (!holds(generation) || generation == firstGeneration())
        return {};
    return at(generation).births[population - 1];
}

std::optional<Birth> LineageModel::recordedBirth(int generation, int population, int member) const
{
    const Birth* birth = birthOf(generation, population, member);
    return birth ? std::optional<Birth>(*birth) : std::nullopt;
}

int LineageModel::firstWithoutBirths() const
{
    for (std::size_t k = 1; k < generations.size(); ++k)
        if (generations[k].births[0].empty() || generations[k].births[1].empty())
            return generations[k].generation;
    return 0;
}

bool LineageModel::scoresRecorded() const
{
    for (const LineageGeneration& generation : generations)
        if (!generation.scores[0].empty())
            return true;
    return false;
}

LineageGeneration lineageGenerationOf(const GenerationReport& report, PatternShape shape)
{
    LineageGeneration generation;
    generation.generation = report.generation;
    for (int p = 0; p < 2; ++p) {
        generation.members[p].reserve(report.populations[p].size());
        for (const GenerationReport::Cells& cells : report.populations[p])
            generation.members[p].push_back(packCells(cells.data(), shape));
        generation.scores[p] = report.scores[p];
        generation.champions[p] = report.champions[p];
        generation.births[p] = report.births[p];
    }
    return generation;
}

QString lineageRefusalOf(const RunArchive& archive)
{
    if (archive.header.formatVersion >= 3)
        return {};
    return QStringLiteral("archive format %1 keeps no member's score or birth; only format 3, "
                          "which coevolife-batch --archive now writes, has them")
        .arg(archive.header.formatVersion);
}

LineageModel lineageModelOf(const RunArchive& archive, QString& error)
{
    const ExperimentConfig& config = archive.config();
    LineageModel model(config.populationSize, config.match.pattern);
    error = lineageRefusalOf(archive);
    if (!error.isEmpty())
        return model;
    for (const ArchivedGeneration& archived : archive.generations) {
        LineageGeneration generation;
        generation.generation = archived.generation;
        for (int p = 0; p < 2; ++p) {
            const PackedPopulation& members = p == 0 ? archived.population1 : archived.population2;
            generation.members[p].assign(members.begin(), members.end());
            generation.scores[p] = archived.lineage.scoresOf(p + 1);
            generation.births[p] = archived.lineage.birthsOf(p + 1);
        }
        generation.champions = {archived.champion1, archived.champion2};
        error = model.append(std::move(generation));
        if (!error.isEmpty())
            return model;
    }
    return model;
}

std::vector<int> changedCells(const PackedPattern& parent, const PackedPattern& child,
                              PatternShape shape)
{
    std::vector<int> changed;
    for (int i = 0; i < shape.cells(); ++i) {
        const auto byte = static_cast<std::size_t>(i / 8);
        if (((static_cast<unsigned char>(parent[byte]) ^ static_cast<unsigned char>(child[byte])) >>
             (i % 8)) &
            1u)
            changed.push_back(i);
    }
    return changed;
}

const char* operatorName(BreedingOperator breedingOperator)
{
    switch (breedingOperator) {
    case BreedingOperator::Mutation:
        return "mutation";
    case BreedingOperator::Crossover:
        return "crossover";
    case BreedingOperator::Copy:
        return "copy";
    }
    return "copy";
}
