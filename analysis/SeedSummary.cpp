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

void addTurnover(std::vector<SummaryRow>& rows, const std::vector<std::vector<TurnoverRow>>& runs)
{
    for (std::size_t k = 0; k < rows.size(); ++k)
        for (std::size_t series = 0; series < 4; ++series) {
            std::vector<double> values;
            for (const std::vector<TurnoverRow>& run : runs) {
                if (k >= run.size())
                    continue;
                const TurnoverRow& row = run[k];
                if (series < 2)
                    values.push_back(row.distinct[series]);
                else if (row.coalescence[series - 2])
                    values.push_back(*row.coalescence[series - 2]);
            }
            if (!values.empty())
                rows[k].turnover[series] = quartilesOf(values);
        }
}

QByteArray summaryHeader(bool withTurnover)
{
    QByteArray header("generation,seeds");
    for (const GenerationSeries& series : generationSeries)
        for (const SummaryStatistic& statistic : summaryStatistics)
            header.append(',').append(series.name).append('_').append(statistic.suffix);
    for (const char* name : turnoverSeriesNames)
        for (const SummaryStatistic& statistic : summaryStatistics)
            if (withTurnover)
                header.append(',').append(name).append('_').append(statistic.suffix);
    return header;
}

QByteArray summaryCsv(const std::vector<SummaryRow>& rows, bool withTurnover)
{
    QByteArray csv = summaryHeader(withTurnover) + '\n';
    for (const SummaryRow& row : rows) {
        csv.append(QByteArray::number(row.generation)).append(',');
        csv.append(QByteArray::number(row.seeds));
        for (const GenerationSeries& series : generationSeries)
            for (const SummaryStatistic& statistic : summaryStatistics)
                csv.append(',').append(csvNumber(seriesField(row, series.series).*statistic.field));
        for (const std::optional<Quartiles>& quartiles : row.turnover)
            for (const SummaryStatistic& statistic : summaryStatistics)
                if (withTurnover) {
                    csv.append(',');
                    if (quartiles)
                        appendCsvNumber(csv, (*quartiles).*statistic.field);
                }
        csv.append('\n');
    }
    return csv;
}
