#include "analysis/RankTest.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace
{

// counts[k]: how many of the C(n1 + n2, n1) orderings of two groups without
// ties give U = k. Adding a value above all n2 of the other group adds n2.
std::vector<double> exactCounts(int n1, int n2)
{
    // row[j]: the counts for i values against j, for the current i.
    std::vector<std::vector<std::uint64_t>> row(static_cast<std::size_t>(n2) + 1, {1});
    for (int i = 1; i <= n1; ++i) {
        std::vector<std::vector<std::uint64_t>> next(static_cast<std::size_t>(n2) + 1, {1});
        for (int j = 1; j <= n2; ++j) {
            std::vector<std::uint64_t> counts(static_cast<std::size_t>(i) * j + 1, 0);
            const std::vector<std::uint64_t>& above = row[static_cast<std::size_t>(j)];
            for (std::size_t k = 0; k < above.size(); ++k)
                counts[k + static_cast<std::size_t>(j)] += above[k];
            const std::vector<std::uint64_t>& below = next[static_cast<std::size_t>(j) - 1];
            for (std::size_t k = 0; k < below.size(); ++k)
                counts[k] += below[k];
            next[static_cast<std::size_t>(j)] = std::move(counts);
        }
        row = std::move(next);
    }
    const std::vector<std::uint64_t>& counts = row[static_cast<std::size_t>(n2)];
    return std::vector<double>(counts.begin(), counts.end());
}

double exactTwoSided(double u, int n1, int n2)
{
    const std::vector<double> counts = exactCounts(n1, n2);
    const double total = std::accumulate(counts.begin(), counts.end(), 0.0);
    const auto k = static_cast<std::size_t>(u);
    const double atOrBelow = std::accumulate(counts.begin(), counts.begin() + k + 1, 0.0);
    const double atOrAbove = std::accumulate(counts.begin() + k, counts.end(), 0.0);
    return std::min(1.0, 2.0 * std::min(atOrBelow, atOrAbove) / total);
}

// The normal approximation; `ties` holds the size of every group of equal
// values.
double normalTwoSided(double u, int n1, int n2, const std::vector<int>& ties)
{
    const double n = n1 + n2;
    double tieSum = 0.0;
    for (int t : ties)
        tieSum += static_cast<double>(t) * t * t - t;
    const double variance =
        n1 * static_cast<double>(n2) / 12.0 * ((n + 1) - tieSum / (n * (n - 1)));
    if (!(variance > 0.0))
        return 1.0;
    const double z =
        (std::fabs(u - n1 * static_cast<double>(n2) / 2.0) - 0.5) / std::sqrt(variance);
    // 2 (1 - Phi(z)) without the cancellation of 1 - Phi for large z.
    return std::min(1.0, std::erfc(z / std::sqrt(2.0)));
}

} // namespace

RankComparison compareRanks(const std::vector<double>& condition,
                            const std::vector<double>& control)
{
    RankComparison result;
    for (double x : condition)
        for (double y : control)
            result.u += x > y ? 1.0 : x == y ? 0.5 : 0.0;
    const int n1 = static_cast<int>(condition.size());
    const int n2 = static_cast<int>(control.size());
    result.a12 = result.u / (static_cast<double>(n1) * n2);

    std::vector<double> pooled(condition);
    pooled.insert(pooled.end(), control.begin(), control.end());
    std::sort(pooled.begin(), pooled.end());
    std::vector<int> ties;
    for (std::size_t first = 0; first < pooled.size();) {
        std::size_t end = first + 1;
        while (end < pooled.size() && pooled[end] == pooled[first])
            ++end;
        if (end - first > 1)
            ties.push_back(static_cast<int>(end - first));
        first = end;
    }
    result.p = n1 <= exactUpTo && n2 <= exactUpTo && ties.empty()
                   ? exactTwoSided(result.u, n1, n2)
                   : normalTwoSided(result.u, n1, n2, ties);
    return result;
}

std::vector<double> holmAdjusted(const std::vector<double>& pValues)
{
    const std::size_t m = pValues.size();
    std::vector<std::size_t> order(m);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return pValues[a] < pValues[b]; });
    std::vector<double> adjusted(m);
    double largest = 0.0;
    for (std::size_t i = 0; i < m; ++i) {
        largest = std::max(largest, static_cast<double>(m - i) * pValues[order[i]]);
        adjusted[order[i]] = std::min(1.0, largest);
    }
    return adjusted;
}
