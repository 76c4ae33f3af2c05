#include "analysis/ChampionGrid.h"
#include "analysis/RankTest.h"
#include "python/Bindings.h"
#include "python/PoolWait.h"
#include "python/PythonArchive.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cmath>
#include <optional>

namespace py = pybind11;

namespace
{

py::array championGrid(const PythonArchive& archive, std::optional<int> threads)
{
    const RunArchive& run = archive.run();
    std::vector<PackedPattern> champions1;
    std::vector<PackedPattern> champions2;
    for (const ArchivedGeneration& generation : run.generations) {
        champions1.push_back(generation.championOf(1));
        champions2.push_back(generation.championOf(2));
    }
    ChampionGrid grid(champions1, champions2, run.config().match);
    if (!grid.playable())
        throw py::value_error("archive: " + std::to_string(grid.distinctCount1()) + " and " +
                              std::to_string(grid.distinctCount2()) + " distinct champions, " +
                              std::to_string(grid.matchCount()) +
                              " matches, more than one grid plays (" +
                              std::to_string(ChampionGrid::mostMatches) + ")");
    const std::unique_ptr<MatchPool> pool = startPool(threads);
    runInterruptibly(*pool, grid.rowCount(),
                     [&grid](int row, Board& board) { grid.playRow(row, board); });
    const auto size = static_cast<py::ssize_t>(run.generations.size());
    py::array_t<double> scores({size, size, py::ssize_t{2}});
    auto at = scores.mutable_unchecked<3>();
    for (py::ssize_t i = 0; i < size; ++i)
        for (py::ssize_t j = 0; j < size; ++j) {
            const GridScores& cell = grid.at(static_cast<int>(i), static_cast<int>(j));
            at(i, j, 0) = cell.score1;
            at(i, j, 1) = cell.score2;
        }
    return std::move(scores);
}

void checkValues(const std::vector<double>& values, const char* what)
{
    if (values.empty())
        throw py::value_error(std::string(what) + ": at least one value");
    for (const double value : values)
        if (!std::isfinite(value))
            throw py::value_error(std::string(what) + ": finite values only");
}

py::tuple compare(const std::vector<double>& values, const std::vector<double>& control)
{
    checkValues(values, "values");
    checkValues(control, "control");
    const RankComparison test = compareRanks(values, control);
    return py::make_tuple(test.u, test.p, test.a12);
}

} // namespace

void bindAnalysis(py::module_& module)
{
    module.def("grid", &championGrid, py::arg("archive"), py::arg("threads") = py::none(),
               "Every archived champion of population 1 against every one of population 2, on "
               "the run's layout: float64 (G, G, 2), [i, j] the two scores of the i-th "
               "generation's first champion against the j-th's second, as coevolife-analyze "
               "grid writes them. Played on `threads` threads (default: one per core); Ctrl-C "
               "stops it with KeyboardInterrupt.");
    module.def("compare", &compare, py::arg("values"), py::arg("control"),
               "The Mann-Whitney U test of `values` against `control` (sequences of finite "
               "numbers, at least one each), as coevolife-analyze compare computes it: (u, p, "
               "a12), p two-sided, a12 the Vargha-Delaney effect size.");
}
