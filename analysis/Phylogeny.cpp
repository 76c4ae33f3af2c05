#include "analysis/Phylogeny.h"

#include "records/CsvText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <vector>

MemberFlags ancestorsOf(const BirthRecord& record, int generation, int population,
                        std::vector<char> marked)
{
    // The parents of a flagged member are flagged in the generation before.
    MemberFlags flags;
    for (; generation >= record.firstHeld() && generation >= 1; --generation) {
        std::vector<char> parents(marked.size(), 0);
        const Births births = record.birthsIn(generation, population);
        for (std::size_t i = 0; i < births.size() && i < marked.size(); ++i) {
            if (!marked[i])
                continue;
            parents[static_cast<std::size_t>(births[i].parent)] = 1;
            if (births[i].mate >= 0)
                parents[static_cast<std::size_t>(births[i].mate)] = 1;
        }
        flags.rows.push_back(std::move(marked));
        marked = std::move(parents);
    }
    std::reverse(flags.rows.begin(), flags.rows.end());
    flags.first = generation + 1;
    return flags;
}

MemberFlags descendantsOf(const BirthRecord& record, int generation, int population,
                          std::vector<char> marked)
{
    // A member is flagged when its first parent or its mate is, in the
    // generation before.
    MemberFlags flags;
    flags.first = generation;
    const std::size_t members = marked.size();
    flags.rows.push_back(std::move(marked));
    for (++generation; generation <= record.lastHeld(); ++generation) {
        const std::vector<char>& parents = flags.rows.back();
        // A line died out has no descendant after it: no row is needed.
        if (std::none_of(parents.begin(), parents.end(), [](char flag) { return flag != 0; }))
            break;
        std::vector<char> children(members, 0);
        const Births births = record.birthsIn(generation, population);
        for (std::size_t i = 0; i < births.size() && i < members; ++i) {
            const Birth& birth = births[i];
            children[i] = parents[static_cast<std::size_t>(birth.parent)] ||
                          (birth.mate >= 0 && parents[static_cast<std::size_t>(birth.mate)]);
        }
        flags.rows.push_back(std::move(children));
    }
    return flags;
}

std::vector<LineageMember> ancestryOf(const LineageModel& model, int of)
{
    const auto members = static_cast<std::size_t>(model.populationSize());
    const std::array<MemberFlags, 2> flags = {
        ancestorsOf(model, of, 1, std::vector<char>(members, 1)),
        ancestorsOf(model, of, 2, std::vector<char>(members, 1))};
    // In the order of their ids: by generation, population 1 first.
    std::vector<LineageMember> ordered;
    for (int generation = flags[0].first; generation <= of; ++generation)
        for (int p = 1; p <= 2; ++p)
            for (int i = 0; i < model.populationSize(); ++i)
                if (flags[static_cast<std::size_t>(p - 1)].flagged(generation, i))
                    ordered.push_back({generation, p, i});
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

// Millions of rows: each is written into a line of its own, its numbers
// straight into it, then appended whole.
class RowWriter
{
public:
    void text(const char* words)
    {
        for (; *words != '\0'; ++words)
            row.push_back(*words);
    }
    void character(char c) { row.push_back(c); }
    template <typename Number> void number(Number value)
    {
        char digits[24];
        const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
        row.insert(row.end(), digits, end.ptr);
    }
    void score(float value)
    {
        char digits[csvNumberLongest];
        row.insert(row.end(), digits, writeCsvNumber(digits, static_cast<double>(value)));
    }
    void hex(const PackedPattern& pattern)
    {
        static const char digits[] = "0123456789abcdef";
        for (const char byte : pattern) {
            const auto bits = static_cast<unsigned char>(byte);
            row.push_back(digits[bits >> 4]);
            row.push_back(digits[bits & 15u]);
        }
    }
    // Appends the row to `text` and starts the next.
    void endRowInto(QByteArray& text)
    {
        row.push_back('\n');
        text.append(row.data(), static_cast<qsizetype>(row.size()));
        row.clear();
    }

private:
    std::vector<char> row;
};

// "[a]" or, quoted for its comma, "[a, b]"; "[none]" without a birth.
void writeAncestors(RowWriter& row, const LineageModel& model, const LineageMember& m,
                    const Birth* birth)
{
    if (!birth) {
        row.text("[none]");
        return;
    }
    const int parents = m.generation - 1;
    const bool two = birth->mate >= 0 && birth->mate != birth->parent;
    row.text(two ? "\"[" : "[");
    row.number(model.idOf(parents, m.population, birth->parent));
    if (two) {
        row.text(", ");
        row.number(model.idOf(parents, m.population, birth->mate));
    }
    row.text(two ? "]\"" : "]");
}

} // namespace

QByteArray phylogenyCsv(const LineageModel& model, const std::vector<LineageMember>& members)
{
    QByteArray csv = QByteArrayLiteral("id,ancestor_list,origin_time,population,member,operator,"
                                       "x0,x1,y0,y1,score,champion,pattern\n");
    csv.reserve(csv.size() +
                static_cast<qsizetype>(members.size()) * (64 + 2 * packedBytesOf(model.shape())));
    RowWriter row;
    for (const LineageMember& m : members) {
        const LineageGeneration& generation = model.at(m.generation);
        const int p = m.population - 1;
        const Birth* birth = model.birthOf(m.generation, m.population, m.member);
        row.number(model.idOf(m.generation, m.population, m.member));
        row.character(',');
        writeAncestors(row, model, m, birth);
        for (const int number : {m.generation, m.population, m.member}) {
            row.character(',');
            row.number(number);
        }
        row.character(',');
        if (birth)
            row.text(operatorName(birth->breedingOperator));
        if (birth && birth->breedingOperator == BreedingOperator::Crossover) {
            const CrossoverRectangle& r = birth->rectangle;
            for (const int bound : {r.x0, r.x1, r.y0, r.y1}) {
                row.character(',');
                row.number(bound);
            }
        } else {
            row.text(",,,,");
        }
        row.character(',');
        const std::vector<float>& scores = generation.scores[p];
        if (!scores.empty())
            row.score(scores[static_cast<std::size_t>(m.member)]);
        row.text(generation.champions[p] == m.member ? ",true," : ",false,");
        row.hex(generation.members[p][static_cast<std::size_t>(m.member)]);
        row.endRowInto(csv);
    }
    return csv;
}
