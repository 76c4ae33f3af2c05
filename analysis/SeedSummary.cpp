#include "analysis/SeedSummary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

double quantileOfSorted(const std::vector<double>& sorted, double p)
{
    const double position = (sorted.size() - 1) * p;
    const std::size_t below = static_cast<std::size_t>(std::floor(position));
    const double fraction = position - below;
    if (below + 1 >= sorted.size())
        return sorted.back();
    return sorted[below] + fraction * (sorted[below + 1] - sorted[below]);
}

} // namespace

Quartiles quartilesOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values.front(), quantileOfSorted(values, 0.25), quantileOfSorted(values, 0.5),
            quantileOfSorted(values, 0.75), values.back()};
}

double quantileOf(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return quantileOfSorted(values, p);
}

std::vector<SummaryRow> summarizeRuns(const std::vector<QVector<GenerationRecord>>& runs)
{
    qsizetype longest = 0;
    for (const QVector<GenerationRecord>& run : runs)
        longest = std::max(longest, run.size());
    std::vector<SummaryRow> rows;
    for (qsizetype k = 0; k < longest; ++k) {
        std::vector<double> average1, average2, best1, best2;
        for (const QVector<GenerationRecord>& run : runs) {
            if (k >= run.size())
                continue;
            average1.push_back(run[k].average1);
            average2.push_back(run[k].average2);
            best1.push_back(run[k].best1);
            best2.push_back(run[k].best2);
        }
        rows.push_back({static_cast<int>(k + 1), static_cast<int>(average1.size()),
                        quartilesOf(average1), quartilesOf(average2), quartilesOf(best1),
                        quartilesOf(best2)});
    }
    return rows;
}

QByteArray summaryHeader()
{
    QByteArray header("generation,seeds");
    for (const char* series : summarySeries)
        for (const char* statistic : summaryStatistics)
            header.append(',').append(series).append('_').append(statistic);
    return header;
}

QByteArray summaryCsv(const std::vector<SummaryRow>& rows)
{
    QByteArray csv = summaryHeader() + '\n';
    char number[32];
    for (const SummaryRow& row : rows) {
        csv.append(QByteArray::number(row.generation)).append(',');
        csv.append(QByteArray::number(row.seeds));
        for (const Quartiles* series : {&row.average1, &row.average2, &row.best1, &row.best2})
            for (double value :
                 {series->minimum, series->lower, series->median, series->upper, series->maximum}) {
                const int length = std::snprintf(number, sizeof number, ",%.9g", value);
                csv.append(number, length);
            }
        csv.append('\n');
    }
    return csv;
}
