#include "analysis/ChampionGrid.h"

#include "board/Match.h"
#include "board/MatchPool.h"
#include "records/CsvText.h"

#include <unordered_map>

namespace
{

// The distinct patterns in order of first appearance, and each one's place.
void deduplicate(const std::vector<PackedPattern>& patterns, std::vector<PackedPattern>& distinct,
                 std::vector<int>& index)
{
    std::unordered_map<PackedPattern, int> seen;
    for (const PackedPattern& pattern : patterns) {
        const auto found = seen.emplace(pattern, static_cast<int>(distinct.size()));
        if (found.second)
            distinct.push_back(pattern);
        index.push_back(found.first->second);
    }
}

} // namespace

ChampionGrid::ChampionGrid(const std::vector<PackedPattern>& champions1,
                           const std::vector<PackedPattern>& champions2, const MatchLayout& layout)
    : layout(layout)
{
    deduplicate(champions1, distinct1, index1);
    deduplicate(champions2, distinct2, index2);
    if (!playable())
        return;
    for (const PackedPattern& pattern : distinct1)
        patterns1.push_back(unpackPattern(pattern, layout.pattern));
    for (const PackedPattern& pattern : distinct2)
        patterns2.push_back(unpackPattern(pattern, layout.pattern));
    results.resize(distinct1.size() * distinct2.size());
    finished = FinishedRows(rowCount());
}

void ChampionGrid::playRow(int row, Board& board)
{
    // Match k is champion k / n2 of population 1 against k % n2 of
    // population 2, its result at index k.
    const long long n2 = static_cast<long long>(distinct2.size());
    const MatchRows matches = rows();
    for (long long k = matches.firstOf(row); k < matches.endOf(row); ++k) {
        if (!known.empty() && known[static_cast<std::size_t>(k)])
            continue;
        const std::optional<MatchResult> result =
            playCancellableMatch(board, patterns1[k / n2], patterns2[k % n2], layout);
        // A cancelled match leaves its cell as it was, and the row ends.
        if (!result)
            return;
        results[static_cast<std::size_t>(k)] = gridScoresOf(*result);
    }
    finished.set(row);
}

void ChampionGrid::reuse(const ChampionGrid& earlier)
{
    if (!playable() || !earlier.playable() || earlier.layout != layout)
        return;
    std::unordered_map<PackedPattern, int> earlier1;
    std::unordered_map<PackedPattern, int> earlier2;
    for (std::size_t k = 0; k < earlier.distinct1.size(); ++k)
        earlier1.emplace(earlier.distinct1[k], static_cast<int>(k));
    for (std::size_t k = 0; k < earlier.distinct2.size(); ++k)
        earlier2.emplace(earlier.distinct2[k], static_cast<int>(k));
    // Each pattern's place in the earlier grid, or -1.
    std::vector<int> place2(distinct2.size(), -1);
    for (std::size_t b = 0; b < distinct2.size(); ++b)
        if (const auto found = earlier2.find(distinct2[b]); found != earlier2.end())
            place2[b] = found->second;
    known.assign(results.size(), false);
    const std::size_t n2 = distinct2.size();
    const std::size_t earlierN2 = earlier.distinct2.size();
    for (std::size_t a = 0; a < distinct1.size(); ++a) {
        const auto found = earlier1.find(distinct1[a]);
        if (found == earlier1.end())
            continue;
        for (std::size_t b = 0; b < n2; ++b) {
            if (place2[b] < 0)
                continue;
            const std::size_t from = static_cast<std::size_t>(found->second) * earlierN2 +
                                     static_cast<std::size_t>(place2[b]);
            if (!earlier.rowFinished(static_cast<int>(from / matchesPerRow)))
                continue;
            results[a * n2 + b] = earlier.results[from];
            known[a * n2 + b] = true;
            ++reused;
        }
    }
    const MatchRows matches = rows();
    for (int row = 0; row < matches.rowCount(); ++row) {
        bool all = true;
        for (long long k = matches.firstOf(row); all && k < matches.endOf(row); ++k)
            all = known[static_cast<std::size_t>(k)];
        if (all)
            finished.set(row);
    }
}

QString unplayableGridProblem(const ChampionGrid& grid)
{
    return QStringLiteral("%1 and %2 distinct champions, %3 matches, more than one analysis plays "
                          "(%4)")
        .arg(grid.distinctCount1())
        .arg(grid.distinctCount2())
        .arg(grid.matchCount())
        .arg(ChampionGrid::mostMatches);
}

void playGrid(ChampionGrid& grid, MatchPool& pool)
{
    pool.run(grid.rowCount(), [&grid](int row, Board& board) { grid.playRow(row, board); });
}

QByteArray gridCsv(const ChampionGrid& grid, const std::vector<int>& generations1,
                   const std::vector<int>& generations2)
{
    QByteArray csv("generation1,generation2,score1,score2\n");
    csv.reserve(csv.size() + static_cast<qsizetype>(grid.size1()) * grid.size2() * 28);
    for (int i = 0; i < grid.size1(); ++i)
        for (int j = 0; j < grid.size2(); ++j) {
            const GridScores& scores = grid.at(i, j);
            csv.append(QByteArray::number(generations1[i]))
                .append(',')
                .append(QByteArray::number(generations2[j]))
                .append(',')
                .append(csvNumber(static_cast<double>(scores.score1)))
                .append(',')
                .append(csvNumber(static_cast<double>(scores.score2)))
                .append('\n');
        }
    return csv;
}
