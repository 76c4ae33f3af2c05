#include "analysis/Phylogeny.h"

#include "records/CsvText.h"

std::vector<LineageMember> ancestryOf(const LineageModel& model, int of)
{
    // Marked members, generation by generation from `of` back; the parents
    // of a marked member are marked in the generation before.
    const int members = model.populationSize();
    std::vector<std::vector<LineageMember>> byGeneration;
    std::vector<char> marked(2 * static_cast<std::size_t>(members), 1);
    for (int generation = of; generation >= model.firstGeneration(); --generation) {
        std::vector<char> parents(marked.size(), 0);
        byGeneration.emplace_back();
        for (int p = 0; p < 2; ++p)
            for (int i = 0; i < members; ++i) {
                if (!marked[static_cast<std::size_t>(p * members + i)])
                    continue;
                byGeneration.back().push_back({generation, p + 1, i});
                if (const Birth* birth = model.birthOf(generation, p + 1, i)) {
                    parents[static_cast<std::size_t>(p * members + birth->parent)] = 1;
                    if (birth->mate >= 0)
                        parents[static_cast<std::size_t>(p * members + birth->mate)] = 1;
                }
            }
        marked.swap(parents);
    }
    std::vector<LineageMember> ordered;
    for (auto it = byGeneration.rbegin(); it != byGeneration.rend(); ++it)
        ordered.insert(ordered.end(), it->begin(), it->end());
    return ordered;
}

std::vector<LineageMember> everyMember(const LineageModel& model)
{
    std::vector<LineageMember> all;
    if (model.empty())
        return all;
    for (int generation = model.firstGeneration(); generation <= model.lastGeneration();
         ++generation)
        for (int p = 1; p <= 2; ++p)
            for (int i = 0; i < model.populationSize(); ++i)
                all.push_back({generation, p, i});
    return all;
}

namespace
{

QByteArray idText(std::uint64_t id)
{
    return QByteArray::number(static_cast<qulonglong>(id));
}

QByteArray ancestorList(const LineageModel& model, const LineageMember& m, const Birth* birth)
{
    if (!birth)
        return QByteArrayLiteral("[none]");
    const int parents = m.generation - 1;
    QByteArray list = '[' + idText(model.idOf(parents, m.population, birth->parent));
    if (birth->mate >= 0 && birth->mate != birth->parent)
        list += ", " + idText(model.idOf(parents, m.population, birth->mate));
    return list + ']';
}

} // namespace

QByteArray phylogenyCsv(const LineageModel& model, const std::vector<LineageMember>& members)
{
    QByteArray csv = QByteArrayLiteral("id,ancestor_list,origin_time,population,member,operator,"
                                       "x0,x1,y0,y1,score,champion,pattern\n");
    for (const LineageMember& m : members) {
        const LineageGeneration& generation = model.at(m.generation);
        const int p = m.population - 1;
        const Birth* birth = model.birthOf(m.generation, m.population, m.member);
        csv += idText(model.idOf(m.generation, m.population, m.member)) + ',';
        // The list holds a comma: quoted.
        csv += csvField(QString::fromLatin1(ancestorList(model, m, birth))) + ',';
        csv += QByteArray::number(m.generation) + ',' + QByteArray::number(m.population) + ',' +
               QByteArray::number(m.member) + ',';
        csv += (birth ? QByteArray(operatorName(birth->breedingOperator)) : QByteArray()) + ',';
        if (birth && birth->breedingOperator == BreedingOperator::Crossover) {
            const CrossoverRectangle& r = birth->rectangle;
            csv += QByteArray::number(r.x0) + ',' + QByteArray::number(r.x1) + ',' +
                   QByteArray::number(r.y0) + ',' + QByteArray::number(r.y1) + ',';
        } else {
            csv += ",,,,";
        }
        const std::vector<float>& scores = generation.scores[p];
        if (!scores.empty())
            csv += csvNumber(scores[static_cast<std::size_t>(m.member)]);
        csv += generation.champions[p] == m.member ? ",true," : ",false,";
        const PackedPattern& pattern = generation.members[p][static_cast<std::size_t>(m.member)];
        csv += QByteArray(pattern.data(), static_cast<qsizetype>(pattern.size())).toHex() + '\n';
    }
    return csv;
}
