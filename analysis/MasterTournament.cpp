#include "analysis/MasterTournament.h"

#include "analysis/ChampionGrid.h"
#include "records/CsvText.h"


MasterScores masterScores(const ChampionGrid& grid, const std::vector<int>& generations)
{
    MasterScores scores;
    scores.generations = generations;
    const int count = static_cast<int>(generations.size());
    for (int k = 0; k < count; ++k) {
        // Summed in a fixed order, so the means never depend on the threads.
        double sum1 = 0.0;
        double sum2 = 0.0;
        for (int other = 0; other < count; ++other) {
            sum1 += grid.at(k, other).score1;
            sum2 += grid.at(other, k).score2;
        }
        scores.mean1.push_back(sum1 / count);
        scores.mean2.push_back(sum2 / count);
    }
    return scores;
}

QByteArray masterCsv(const MasterScores& scores)
{
    QByteArray csv("generation,mean1,mean2\n");
    for (std::size_t k = 0; k < scores.generations.size(); ++k)
        csv.append(QByteArray::number(scores.generations[k]))
            .append(',')
            .append(csvNumber(scores.mean1[k]))
            .append(',')
            .append(csvNumber(scores.mean2[k]))
            .append('\n');
    return csv;
}
