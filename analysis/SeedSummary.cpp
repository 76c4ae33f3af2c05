#include "analysis/SeedSummary.h"

#include "records/CsvText.h"

#include <algorithm>
#include <cmath>

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
        SummaryRow row;
        row.generation = static_cast<int>(k + 1);
        for (const GenerationSeries& series : generationSeries) {
            std::vector<double> values;
            for (const QVector<GenerationRecord>& run : runs)
                if (k < run.size())
                    values.push_back(run[k].*series.field);
            row.seeds = static_cast<int>(values.size());
            seriesField(row, series.series) = quartilesOf(values);
        }
        rows.push_back(row);
    }
    return rows;
}

QByteArray summaryHeader()
{
    QByteArray header("generation,seeds");
    for (const GenerationSeries& series : generationSeries)
        for (const SummaryStatistic& statistic : summaryStatistics)
            header.append(',').append(series.name).append('_').append(statistic.suffix);
    return header;
}

QByteArray summaryCsv(const std::vector<SummaryRow>& rows)
{
    QByteArray csv = summaryHeader() + '\n';
    for (const SummaryRow& row : rows) {
        csv.append(QByteArray::number(row.generation)).append(',');
        csv.append(QByteArray::number(row.seeds));
        for (const GenerationSeries& series : generationSeries)
            for (const SummaryStatistic& statistic : summaryStatistics)
                csv.append(',').append(csvNumber(seriesField(row, series.series).*statistic.field));
        csv.append('\n');
    }
    return csv;
}
