#include "analysis/Descent.h"

#include "records/CsvText.h"

#include <algorithm>

std::vector<DescentStep> firstParentLine(const BirthRecord& record, int generation, int population,
                                         int member)
{
    std::vector<DescentStep> line;
    for (;;) {
        DescentStep step;
        step.generation = generation;
        step.member = member;
        step.birth = record.recordedBirth(generation, population, member);
        const bool bred = step.birth.has_value();
        line.push_back(std::move(step));
        if (!bred)
            break;
        member = line.back().birth->parent;
        --generation;
    }
    std::reverse(line.begin(), line.end());
    return line;
}

std::vector<DescentStep> lineOfDescent(const LineageModel& model, int generation, int population,
                                       int member)
{
    const int p = population - 1;
    std::vector<DescentStep> line = firstParentLine(model, generation, population, member);
    for (DescentStep& step : line) {
        const LineageGeneration& played = model.at(step.generation);
        const std::vector<float>& scores = played.scores[p];
        if (!scores.empty())
            step.score = scores[static_cast<std::size_t>(step.member)];
        step.champion = played.champions[p] == step.member;
        if (step.birth) {
            const LineageGeneration& before = model.at(step.generation - 1);
            step.changed = changedCells(
                before.members[p][static_cast<std::size_t>(step.birth->parent)],
                played.members[p][static_cast<std::size_t>(step.member)], model.shape());
        }
    }
    return line;
}

QByteArray descentCsv(const std::vector<DescentStep>& line)
{
    QByteArray csv =
        QByteArrayLiteral("generation,member,operator,mate,changed,cells,score,champion\n");
    for (const DescentStep& step : line) {
        csv += QByteArray::number(step.generation) + ',' + QByteArray::number(step.member) + ',';
        if (step.birth) {
            csv += operatorName(step.birth->breedingOperator);
            csv += ',';
            if (step.birth->mate >= 0)
                csv += QByteArray::number(step.birth->mate);
            csv += ',' + QByteArray::number(static_cast<qsizetype>(step.changed.size())) + ',';
            for (std::size_t k = 0; k < step.changed.size(); ++k)
                csv += (k > 0 ? " " : "") + QByteArray::number(step.changed[k]);
            csv += ',';
        } else {
            csv += ",,,,";
        }
        if (step.score)
            csv += csvNumber(*step.score);
        csv += step.champion ? ",true\n" : ",false\n";
    }
    return csv;
}
