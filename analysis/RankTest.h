#pragma once

#include <vector>

// The Mann-Whitney U test of one group of runs against a control group, as
// R's wilcox.test and SciPy's mannwhitneyu compute it, with the
// Vargha-Delaney effect size.
struct RankComparison {
    // The (condition, control) pairs in which the condition's value is
    // higher, plus half the pairs that tie.
    double u = 0.0;
    // Two-sided: exact (the permutation distribution of U) when both groups
    // hold at most exactUpTo values and no two of all the values tie;
    // otherwise the normal approximation with the tie correction and a
    // continuity correction of 0.5. 1 when every value ties.
    double p = 1.0;
    // U / (n1 n2): the chance that a run of the condition beats one of the
    // control, a tie counting half.
    double a12 = 0.5;
};

constexpr int exactUpTo = 20;

// Both groups must hold at least one value.
RankComparison compareRanks(const std::vector<double>& condition,
                            const std::vector<double>& control);

// Holm's step-down correction: the i-th smallest of m p-values becomes the
// largest of (m - j + 1) p_(j) over j <= i, at most 1; in the order given.
std::vector<double> holmAdjusted(const std::vector<double>& pValues);
