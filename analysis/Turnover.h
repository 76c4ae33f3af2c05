#pragma once

#include "analysis/Lineage.h"

#include <QByteArray>

#include <array>
#include <optional>
#include <vector>

// How fast a population turns over, in one generation.
struct TurnoverRow {
    int generation = 0;
    // Distinct patterns in populations 1 and 2.
    std::array<int, 2> distinct{};
    // The time to coalescence: how many generations back the population's
    // most recent common ancestor lies, following each member's first
    // parent; none when the lines have not all met by the model's first
    // generation or by the first whose births are not recorded.
    std::array<std::optional<int>, 2> coalescence;
};

// A row per generation the model holds, in order.
std::vector<TurnoverRow> turnoverOf(const LineageModel& model);

// "generation,distinct1,distinct2,coalescence1,coalescence2", a row per
// generation, a coalescence empty where the lines do not meet.
QByteArray turnoverCsv(const std::vector<TurnoverRow>& rows);
