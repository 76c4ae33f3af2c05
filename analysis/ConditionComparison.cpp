#include "analysis/ConditionComparison.h"

#include "records/CsvText.h"

#include <algorithm>
#include <limits>


int lastCommonGeneration(const std::vector<ConditionRuns>& conditions)
{
    qsizetype shortest = std::numeric_limits<int>::max();
    for (const ConditionRuns& condition : conditions)
        for (const QVector<GenerationRecord>& run : condition.runs)
            shortest = std::min(shortest, run.size());
    return static_cast<int>(shortest);
}

int lastGain(const QVector<GenerationRecord>& run, int population, int generation)
{
    const auto best = [&](int g) {
        const GenerationRecord& record = run[g - 1];
        return population == 1 ? record.best1 : record.best2;
    };
    for (int g = generation; g > 1; --g)
        if (best(g) > best(g - 1))
            return g;
    return 1;
}

std::vector<SeriesValues> seriesAt(const std::vector<ConditionRuns>& conditions, int generation)
{
    std::vector<SeriesValues> series;
    for (const GenerationSeries& logSeries : generationSeries)
        series.push_back({QString::fromLatin1(logSeries.name), {}});
    series.push_back({QStringLiteral("last_gain1"), {}});
    series.push_back({QStringLiteral("last_gain2"), {}});
    for (SeriesValues& values : series)
        values.values.resize(conditions.size());
    for (std::size_t c = 0; c < conditions.size(); ++c)
        for (const QVector<GenerationRecord>& run : conditions[c].runs) {
            const GenerationRecord& record = run[generation - 1];
            std::size_t s = 0;
            for (const GenerationSeries& logSeries : generationSeries)
                series[s++].values[c].push_back(record.*logSeries.field);
            series[s++].values[c].push_back(lastGain(run, 1, generation));
            series[s].values[c].push_back(lastGain(run, 2, generation));
        }
    return series;
}

void appendTurnoverSeries(std::vector<SeriesValues>& series,
                          const std::vector<std::vector<std::vector<TurnoverRow>>>& turnovers,
                          int generation)
{
    const char* const names[] = {"distinct1", "distinct2", "coalescence1", "coalescence2"};
    for (int s = 0; s < 4; ++s) {
        SeriesValues values{QString::fromLatin1(names[s]), {}};
        for (const std::vector<std::vector<TurnoverRow>>& condition : turnovers) {
            std::vector<double>& of = values.values.emplace_back();
            for (const std::vector<TurnoverRow>& run : condition) {
                if (generation < 1 || static_cast<std::size_t>(generation) > run.size())
                    continue;
                const TurnoverRow& row = run[static_cast<std::size_t>(generation - 1)];
                if (s < 2)
                    of.push_back(row.distinct[static_cast<std::size_t>(s)]);
                else if (const auto& coalescence = row.coalescence[static_cast<std::size_t>(s - 2)])
                    of.push_back(*coalescence);
            }
        }
        series.push_back(std::move(values));
    }
}

std::vector<ComparisonRow> compareConditions(const std::vector<QString>& names,
                                             const std::vector<SeriesValues>& series)
{
    std::vector<ComparisonRow> rows;
    for (const SeriesValues& values : series) {
        const std::vector<double>& control = values.values.front();
        for (std::size_t c = 1; c < values.values.size(); ++c) {
            const std::vector<double>& condition = values.values[c];
            if (condition.empty() || control.empty())
                continue;
            ComparisonRow row;
            row.series = values.series;
            row.condition = names[c];
            row.n = static_cast<int>(condition.size());
            row.median = quartilesOf(condition).median;
            row.controlN = static_cast<int>(control.size());
            row.controlMedian = quartilesOf(control).median;
            row.test = compareRanks(condition, control);
            rows.push_back(row);
        }
    }
    std::vector<double> p;
    for (const ComparisonRow& row : rows)
        p.push_back(row.test.p);
    const std::vector<double> adjusted = holmAdjusted(p);
    for (std::size_t k = 0; k < rows.size(); ++k)
        rows[k].pHolm = adjusted[k];
    return rows;
}

QByteArray comparisonCsv(const std::vector<ComparisonRow>& rows)
{
    QByteArray csv("series,condition,n,median,control_n,control_median,u,p,a12,p_holm\n");
    for (const ComparisonRow& row : rows) {
        csv.append(row.series.toUtf8()).append(',').append(csvField(row.condition)).append(',');
        csv.append(QByteArray::number(row.n)).append(',').append(csvNumber(row.median)).append(',');
        csv.append(QByteArray::number(row.controlN)).append(',');
        csv.append(csvNumber(row.controlMedian)).append(',').append(csvNumber(row.test.u)).append(',');
        csv.append(csvNumber(row.test.p)).append(',').append(csvNumber(row.test.a12)).append(',');
        csv.append(csvNumber(row.pHolm)).append('\n');
    }
    return csv;
}
