#include "analysis/Phylogeny.h"

#include "records/CsvText.h"

#include <charconv>
#include <cstdint>

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

// Millions of rows: numbers are written straight into the text.
void appendNumber(QByteArray& text, std::uint64_t value)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, static_cast<qsizetype>(end.ptr - digits));
}

void appendNumber(QByteArray& text, int value)
{
    char digits[16];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, static_cast<qsizetype>(end.ptr - digits));
}

// "[a]" or, quoted for its comma, "[a, b]"; "[none]" without a birth.
void appendAncestors(QByteArray& text, const LineageModel& model, const LineageMember& m,
                     const Birth* birth)
{
    if (!birth) {
        text += "[none]";
        return;
    }
    const int parents = m.generation - 1;
    const bool two = birth->mate >= 0 && birth->mate != birth->parent;
    text += two ? "\"[" : "[";
    appendNumber(text, model.idOf(parents, m.population, birth->parent));
    if (two) {
        text += ", ";
        appendNumber(text, model.idOf(parents, m.population, birth->mate));
    }
    text += two ? "]\"" : "]";
}

void appendHex(QByteArray& text, const PackedPattern& pattern)
{
    static const char digits[] = "0123456789abcdef";
    for (const char byte : pattern) {
        const auto bits = static_cast<unsigned char>(byte);
        text += digits[bits >> 4];
        text += digits[bits & 15u];
    }
}

} // namespace

QByteArray phylogenyCsv(const LineageModel& model, const std::vector<LineageMember>& members)
{
    QByteArray csv = QByteArrayLiteral("id,ancestor_list,origin_time,population,member,operator,"
                                       "x0,x1,y0,y1,score,champion,pattern\n");
    csv.reserve(csv.size() +
                static_cast<qsizetype>(members.size()) * (64 + 2 * packedBytesOf(model.shape())));
    for (const LineageMember& m : members) {
        const LineageGeneration& generation = model.at(m.generation);
        const int p = m.population - 1;
        const Birth* birth = model.birthOf(m.generation, m.population, m.member);
        appendNumber(csv, model.idOf(m.generation, m.population, m.member));
        csv += ',';
        appendAncestors(csv, model, m, birth);
        for (const int number : {m.generation, m.population, m.member}) {
            csv += ',';
            appendNumber(csv, number);
        }
        csv += ',';
        if (birth)
            csv += operatorName(birth->breedingOperator);
        if (birth && birth->breedingOperator == BreedingOperator::Crossover) {
            const CrossoverRectangle& r = birth->rectangle;
            for (const int bound : {r.x0, r.x1, r.y0, r.y1}) {
                csv += ',';
                appendNumber(csv, bound);
            }
        } else {
            csv += ",,,,";
        }
        csv += ',';
        const std::vector<float>& scores = generation.scores[p];
        if (!scores.empty())
            csv += csvNumber(scores[static_cast<std::size_t>(m.member)]);
        csv += generation.champions[p] == m.member ? ",true," : ",false,";
        appendHex(csv, generation.members[p][static_cast<std::size_t>(m.member)]);
        csv += '\n';
    }
    return csv;
}
