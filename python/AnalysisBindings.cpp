#include "analysis/ChampionGrid.h"
#include "analysis/Crossplay.h"
#include "analysis/GenerationRange.h"
#include "analysis/MasterTournament.h"
#include "analysis/RankTest.h"
#include "analysis/RunFolders.h"
#include "python/Arguments.h"
#include "python/ArrayConversion.h"
#include "python/Bindings.h"
#include "python/PoolWait.h"
#include "python/PythonArchive.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <QFile>

#include <cerrno>
#include <optional>

#include <sys/stat.h>

namespace py = pybind11;

namespace
{

// generations=(A, B), both included, either None for the archive's end, and
// every=K, as coevolife-analyze takes --generations A:B and --every K.
GenerationRange rangeOf(const py::object& generations, const GivenInteger& every)
{
    GenerationRange range;
    range.every = generationOf(every, "every");
    if (generations.is_none())
        return range;
    if (!py::isinstance<py::sequence>(generations) || py::isinstance<py::str>(generations) ||
        py::len(generations) != 2)
        throw py::type_error("generations: (first, last), both included, or None, not " +
                             py::repr(generations).cast<std::string>());
    const py::sequence ends = generations;
    if (!ends[0].is_none())
        range.first = generationOf({ends[0]}, "generations[0]");
    if (!ends[1].is_none())
        range.last = generationOf({ends[1]}, "generations[1]");
    if (range.first && range.last && *range.first > *range.last)
        throw py::value_error("generations: first <= last, not (" + std::to_string(*range.first) +
                              ", " + std::to_string(*range.last) + ")");
    return range;
}

// The archive's champions of the range, their grid played on the pool.
struct PlayedGrid {
    std::vector<int> generations;
    ChampionGrid grid;
};

PlayedGrid playedGrid(const GivenArchive& givenArchive, const py::object& generations,
                      const GivenInteger& every, const std::optional<GivenInteger>& threads)
{
    const RunArchive& run = archiveOf(givenArchive).run();
    const GenerationRange range = rangeOf(generations, every);
    const std::optional<int> threadCount = threadCountOf(threads);
    SelectedChampions champions = championsOf(run, range);
    if (!champions.error.isEmpty())
        raiseValueError(QStringLiteral("archive: ") + champions.error);
    PlayedGrid played{std::move(champions.generations),
                      ChampionGrid(champions.champions1, champions.champions2,
                                   run.config().match)};
    if (!played.grid.playable())
        raiseValueError(QStringLiteral("archive: generations %1 to %2 hold %3; choose fewer with "
                                       "generations= or every=")
                            .arg(played.generations.front())
                            .arg(played.generations.back())
                            .arg(unplayableGridProblem(played.grid)));
    const std::unique_ptr<MatchPool> pool = startPool(threadCount);
    ChampionGrid& grid = played.grid;
    runInterruptibly(*pool, grid.rowCount(),
                     [&grid](int row, Board& board) { grid.playRow(row, board); });
    return played;
}

template <typename Score> py::array gridScores(const ChampionGrid& grid)
{
    const auto size = static_cast<py::ssize_t>(grid.size1());
    py::array_t<Score> scores({size, size, py::ssize_t{2}});
    auto at = scores.template mutable_unchecked<3>();
    for (py::ssize_t i = 0; i < size; ++i)
        for (py::ssize_t j = 0; j < size; ++j) {
            const GridScores& cell = grid.at(static_cast<int>(i), static_cast<int>(j));
            at(i, j, 0) = cell.score1;
            at(i, j, 1) = cell.score2;
        }
    return std::move(scores);
}

py::array championGrid(const GivenArchive& archive, const py::object& generations,
                       const GivenInteger& every, const std::optional<GivenInteger>& threads,
                       const py::object& dtype)
{
    const py::dtype type = py::dtype::from_args(dtype);
    const bool single = type.equal(py::dtype::of<float>());
    if (!single && !type.equal(py::dtype::of<double>()))
        throw py::value_error("dtype: float32 or float64, not " + py::str(static_cast<const py::handle&>(type)).cast<std::string>());
    const PlayedGrid played = playedGrid(archive, generations, every, threads);
    return single ? gridScores<float>(played.grid) : gridScores<double>(played.grid);
}

template <typename Value> py::array arrayOf(const std::vector<Value>& values)
{
    return py::array_t<Value>(static_cast<py::ssize_t>(values.size()), values.data());
}

py::object master(const GivenArchive& archive, const py::object& generations,
                  const GivenInteger& every, const std::optional<GivenInteger>& threads,
                  const GivenFlag& asFrame)
{
    const bool frame = flagOf(asFrame, "as_frame");
    const PlayedGrid played = playedGrid(archive, generations, every, threads);
    const MasterScores scores = masterScores(played.grid, played.generations);
    py::dict columns;
    columns["generation"] = arrayOf(scores.generations);
    columns["mean1"] = arrayOf(scores.mean1);
    columns["mean2"] = arrayOf(scores.mean2);
    return tableOf(columns, frame);
}

// The condition folders given, each a str or os.PathLike; FileNotFoundError
// for one that does not exist.
QStringList conditionPathsOf(const py::object& conditions)
{
    if (py::isinstance<py::str>(conditions) || py::isinstance<py::bytes>(conditions) ||
        PyObject_HasAttrString(conditions.ptr(), "__fspath__") ||
        !py::isinstance<py::iterable>(conditions))
        throw py::type_error("conditions: a list of condition folders, the control first, not " +
                             py::repr(conditions).cast<std::string>());
    QStringList paths;
    for (const py::handle item : conditions) {
        const GivenPath given{py::reinterpret_borrow<py::object>(item)};
        const QString path = pathOf(given, "conditions[]");
        struct stat status;
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            raiseOSError(errno, given.value);
        if (!S_ISDIR(status.st_mode))
            raiseOSError(ENOTDIR, given.value);
        // A sweep's OUT given for its conditions.
        if (const QString hint = conditionFoldersHint(path, QStringLiteral("crossplay"));
            !hint.isEmpty())
            raiseValueError(hint);
        paths << path;
    }
    return paths;
}

py::object crossplay(const py::object& conditions, const std::optional<GivenInteger>& at,
                     const std::optional<GivenInteger>& threads, const GivenFlag& asFrame)
{
    const bool frame = flagOf(asFrame, "as_frame");
    const int generation = at ? generationOf(*at, "at") : 0;
    const std::optional<int> threadCount = threadCountOf(threads);
    const ConditionFolders folders = listConditionFolders(conditionPathsOf(conditions));
    if (!folders.error.isEmpty())
        raiseValueError(folders.error);
    for (const ConditionFolder& condition : folders.conditions)
        warnEach(condition.unfinished);
    const CrossplayRead read = readCrossplayRuns(folders.conditions, generation);
    warnEach(read.warnings);
    if (!read.error.isEmpty())
        raiseValueError(read.error);

    ChampionGrid grid = crossplayGrid(read.runs, read.layout);
    const std::unique_ptr<MatchPool> pool = startPool(threadCount);
    runInterruptibly(*pool, grid.rowCount(),
                     [&grid](int row, Board& board) { grid.playRow(row, board); });
    const CrossplayMeans means = crossplayMeans(grid);

    py::list names;
    std::vector<std::int64_t> seeds;
    for (const CrossplayRun& run : read.runs) {
        names.append(utf8Of(folders.conditions[static_cast<std::size_t>(run.condition)].name));
        seeds.push_back(run.seed);
    }
    py::dict columns;
    columns["condition"] = py::module_::import("numpy").attr("array")(names, py::arg("dtype") = "object");
    columns["seed"] = arrayOf(seeds);
    columns["generation"] = arrayOf(read.generations);
    columns["mean1"] = arrayOf(means.mean1);
    columns["mean2"] = arrayOf(means.mean2);
    return tableOf(columns, frame);
}

py::tuple compare(const GivenArray& values, const GivenArray& control)
{
    const RankComparison test =
        compareRanks(numbersOf(values, "values"), numbersOf(control, "control"));
    return py::make_tuple(test.u, test.p, test.a12);
}

} // namespace

void bindAnalysis(py::module_& module)
{
    module.def("grid", &championGrid, py::arg("archive"), py::arg("generations") = py::none(),
               py::arg("every") = 1, py::arg("threads") = py::none(),
               py::arg("dtype") = py::module_::import("numpy").attr("float32"),
               "Every archived champion of population 1 against every one of population 2, on "
               "the run's layout, as coevolife-analyze grid plays them: (G, G, 2), [i, j] the "
               "two scores of the i-th generation's first champion against the j-th's second. "
               "`generations` (first, last), both included, either None for the archive's end, "
               "and `every` K keep every K-th generation from the first, as --generations and "
               "--every do: the rows are archive.generations of that range, [::every]. The "
               "scores are float32, as runs store them; dtype=numpy.float64 gives them as "
               "float64. Played on `threads` threads (default: one per core); Ctrl-C stops "
               "the match in progress with KeyboardInterrupt.");
    module.def("master", &master, py::arg("archive"), py::arg("generations") = py::none(),
               py::arg("every") = 1, py::arg("threads") = py::none(),
               py::arg("as_frame") = false,
               "The master tournament, as coevolife-analyze master writes it: \"generation\" "
               "(int32), \"mean1\" and \"mean2\" (float64), mean1[k] the mean of generation k's "
               "population-1 champion's scores against the population-2 champions of every "
               "generation kept (a row of grid()), mean2[k] the same for population 2 (a "
               "column). A dict of arrays, or with `as_frame` a pandas DataFrame; "
               "`generations`, `every` and `threads` as grid() takes them.");
    module.def("crossplay", &crossplay, py::arg("conditions"), py::arg("at") = py::none(),
               py::arg("threads") = py::none(), py::arg("as_frame") = false,
               "Each run's champions of generation `at` (default: each run's last) against "
               "the other runs' of every condition, as coevolife-analyze crossplay writes its "
               "--csv: a row per finished run of each condition folder (the control first), "
               "\"condition\" (its folder's name), \"seed\", \"generation\" (where its "
               "champions come from), \"mean1\" (its population-1 champion's mean score "
               "against every other run's population-2 champion) and \"mean2\" (the same for "
               "population 2). A dict of arrays, or with `as_frame` a pandas DataFrame; "
               "compare() gives the statistics of --stats. Unfinished runs are left out with "
               "a UserWarning each.");
    module.def("compare", &compare, py::arg("values"), py::arg("control"),
               "The Mann-Whitney U test of `values` against `control` (sequences of finite "
               "numbers, at least one each), as coevolife-analyze compare computes it: (u, p, "
               "a12), p two-sided, a12 the Vargha-Delaney effect size.");
}
