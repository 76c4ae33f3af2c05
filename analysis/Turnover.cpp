#include "analysis/Turnover.h"

#include <algorithm>

namespace
{

int distinctPatterns(std::vector<PackedPattern> patterns)
{
    std::sort(patterns.begin(), patterns.end());
    return static_cast<int>(std::unique(patterns.begin(), patterns.end()) - patterns.begin());
}

// The lines of every member of `generation` followed back until one is
// left. `seen` is scratch of the population's size, all below `stamp`.
std::optional<int> coalescenceOf(const LineageModel& model, int generation, int population,
                                 std::vector<int>& seen, int& stamp)
{
    std::vector<int> lines(static_cast<std::size_t>(model.populationSize()));
    for (std::size_t i = 0; i < lines.size(); ++i)
        lines[i] = static_cast<int>(i);
    std::vector<int> parents;
    for (int back = 0;; ++back) {
        if (lines.size() == 1)
            return back;
        const int at = generation - back;
        if (!model.birthOf(at, population, 0))
            return std::nullopt;
        ++stamp;
        parents.clear();
        for (const int member : lines) {
            const int parent = model.birthOf(at, population, member)->parent;
            if (seen[static_cast<std::size_t>(parent)] != stamp) {
                seen[static_cast<std::size_t>(parent)] = stamp;
                parents.push_back(parent);
            }
        }
        lines.swap(parents);
    }
}

} // namespace

std::vector<TurnoverRow> turnoverOf(const LineageModel& model)
{
    std::vector<TurnoverRow> rows;
    if (model.empty())
        return rows;
    std::vector<int> seen(static_cast<std::size_t>(model.populationSize()), 0);
    int stamp = 0;
    for (int generation = model.firstGeneration(); generation <= model.lastGeneration();
         ++generation) {
        TurnoverRow row;
        row.generation = generation;
        for (int p = 0; p < 2; ++p) {
            row.distinct[p] = distinctPatterns(model.at(generation).members[p]);
            row.coalescence[p] = coalescenceOf(model, generation, p + 1, seen, stamp);
        }
        rows.push_back(row);
    }
    return rows;
}

QByteArray turnoverCsv(const std::vector<TurnoverRow>& rows)
{
    QByteArray csv =
        QByteArrayLiteral("generation,distinct1,distinct2,coalescence1,coalescence2\n");
    for (const TurnoverRow& row : rows) {
        csv += QByteArray::number(row.generation) + ',' + QByteArray::number(row.distinct[0]) +
               ',' + QByteArray::number(row.distinct[1]);
        for (const std::optional<int>& coalescence : row.coalescence) {
            csv += ',';
            if (coalescence)
                csv += QByteArray::number(*coalescence);
        }
        csv += '\n';
    }
    return csv;
}
