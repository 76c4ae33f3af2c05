#include "analysis/RunFolders.h"
#include "analysis/SummaryCsvReader.h"
#include "python/Arguments.h"
#include "python/ArrayConversion.h"
#include "python/Bindings.h"
#include "python/PythonArchive.h"
#include "records/GenerationRecord.h"

#include <pybind11/numpy.h>

#include <QFileInfo>

#include <cerrno>
#include <limits>

namespace py = pybind11;

namespace
{

// The generation and the four series of `records`, into `columns`.
void addLogColumns(py::dict& columns, const std::vector<const GenerationRecord*>& records)
{
    const auto rows = static_cast<py::ssize_t>(records.size());
    py::array_t<std::int32_t> generation(rows);
    for (py::ssize_t i = 0; i < rows; ++i)
        generation.mutable_at(i) = records[static_cast<std::size_t>(i)]->generation;
    columns["generation"] = generation;
    for (const GenerationSeries& series : generationSeries) {
        py::array_t<double> values(rows);
        for (py::ssize_t i = 0; i < rows; ++i)
            values.mutable_at(i) = records[static_cast<std::size_t>(i)]->*series.field;
        columns[series.name] = values;
    }
}

QString readablePath(const GivenPath& given)
{
    const QString path = pathOf(given, "path");
    checkReadable(path, given);
    return path;
}

py::object readLog(const GivenPath& givenPath, const GivenFlag& asFrame)
{
    const bool frame = flagOf(asFrame, "as_frame");
    QStringList warnings;
    const CsvLogRead read = readLiveLog(readablePath(givenPath), warnings);
    if (!read.error.isEmpty())
        raiseValueError(read.error);
    warnEach(warnings);
    std::vector<const GenerationRecord*> records;
    for (const GenerationRecord& record : read.records)
        records.push_back(&record);
    py::dict columns;
    addLogColumns(columns, records);
    return tableOf(columns, frame);
}

py::object readSummary(const GivenPath& givenPath, const GivenFlag& asFrame)
{
    const bool frame = flagOf(asFrame, "as_frame");
    const SummaryRead read = readSummaryCsv(readablePath(givenPath));
    if (!read.error.isEmpty())
        raiseValueError(read.error);
    const auto rows = static_cast<py::ssize_t>(read.rows.size());
    py::array_t<std::int32_t> generation(rows), seeds(rows);
    for (py::ssize_t i = 0; i < rows; ++i) {
        generation.mutable_at(i) = read.rows[static_cast<std::size_t>(i)].generation;
        seeds.mutable_at(i) = read.rows[static_cast<std::size_t>(i)].seeds;
    }
    py::dict columns;
    columns["generation"] = generation;
    columns["seeds"] = seeds;
    for (const GenerationSeries& series : generationSeries)
        for (const SummaryStatistic& statistic : summaryStatistics) {
            py::array_t<double> values(rows);
            for (py::ssize_t i = 0; i < rows; ++i)
                values.mutable_at(i) =
                    seriesField(read.rows[static_cast<std::size_t>(i)], series.series).*statistic.field;
            columns[py::str(std::string(series.name) + "_" + statistic.suffix)] = values;
        }
    // The turnover's, NaN where the summary has none.
    for (std::size_t series = 0; read.withTurnover && series < 4; ++series)
        for (const SummaryStatistic& statistic : summaryStatistics) {
            py::array_t<double> values(rows);
            for (py::ssize_t i = 0; i < rows; ++i) {
                const auto& quartiles = read.rows[static_cast<std::size_t>(i)].turnover[series];
                values.mutable_at(i) = quartiles ? (*quartiles).*statistic.field
                                                 : std::numeric_limits<double>::quiet_NaN();
            }
            columns[py::str(std::string(turnoverSeriesNames[series]) + "_" + statistic.suffix)] =
                values;
        }
    return tableOf(columns, frame);
}

py::object readSweepFrame(const GivenPath& givenFolder)
{
    const QString path = pathOf(givenFolder, "folder");
    checkReadable(path, givenFolder);
    if (!QFileInfo(path).isDir())
        raiseOSError(ENOTDIR, givenFolder.value);
    const SweepRead read = readSweep(path);
    if (!read.error.isEmpty())
        raiseValueError(read.error);
    warnEach(read.warnings);
    // Pandas is needed for the frame; asked for first, before anything is built.
    const py::object dataFrame = py::module_::import("pandas").attr("DataFrame");
    std::vector<const GenerationRecord*> records;
    py::list conditions;
    std::vector<std::int64_t> seeds;
    std::vector<bool> finished;
    for (const SweepRun& run : read.runs) {
        const py::str condition(utf8Of(read.conditions[static_cast<std::size_t>(run.condition)]));
        for (const GenerationRecord& record : run.log) {
            records.push_back(&record);
            conditions.append(condition);
            seeds.push_back(run.seed);
            finished.push_back(run.finished);
        }
    }
    const auto rows = static_cast<py::ssize_t>(records.size());
    py::dict columns;
    columns["condition"] =
        py::module_::import("numpy").attr("array")(conditions, py::arg("dtype") = "object");
    columns["seed"] = py::array_t<std::int64_t>(rows, seeds.data());
    addLogColumns(columns, records);
    py::array_t<bool> marks(rows);
    for (py::ssize_t i = 0; i < rows; ++i)
        marks.mutable_at(i) = finished[static_cast<std::size_t>(i)];
    columns["finished"] = marks;
    return dataFrame(columns);
}

std::string archiveRepr(const PythonArchive& archive)
{
    const RunArchive& run = archive.run();
    const ExperimentConfig& config = run.config();
    return "<Archive " + py::repr(py::str(utf8Of(archive.path()))).cast<std::string>() +
           ": seed " + std::to_string(run.header.seed) + ", generations " +
           std::to_string(run.oldestGeneration()) + " to " +
           std::to_string(run.newestGeneration()) + ", populations (" +
           std::to_string(archive.size()) + ", 2, " + std::to_string(config.populationSize) +
           ", " + std::to_string(config.match.pattern.height) + ", " +
           std::to_string(config.match.pattern.width) + ")>";
}

} // namespace

void bindRecords(py::module_& module)
{
    py::class_<PythonArchive>(module, "Archive",
                              "A run archive: every generation's two populations and champions.")
        .def(py::init([](const GivenPath& path) {
                 return std::make_unique<PythonArchive>(readablePath(path));
             }),
             py::arg("path"),
             "Reads and checks the archive at `path` (a str or os.PathLike). One cut inside a "
             "record (a run killed while writing) is read up to its last whole generation, "
             "with a UserWarning; FileNotFoundError for a missing file, OSError for one that "
             "cannot be opened, ValueError with the reader's message for a damaged one.")
        .def_property_readonly(
            "config", [](const PythonArchive& self) { return self.run().config(); },
            "The configuration the run played.")
        .def_property_readonly(
            "seed", [](const PythonArchive& self) { return self.run().header.seed; },
            "The run's seed.")
        .def_property_readonly(
            "version", [](const PythonArchive& self) { return self.run().header.formatVersion; },
            "The archive format's version: 3 as runs write it; 1 and 2, written before, keep "
            "no member's score or birth.")
        .def_property_readonly(
            "program_version",
            [](const PythonArchive& self) { return utf8Of(self.run().header.programVersion); },
            "The version of the program that wrote the archive.")
        .def("__len__", &PythonArchive::size, "The number of generations archived.")
        .def("__repr__", &archiveRepr)
        .def_property_readonly("generations", &PythonArchive::generations,
                               "The generation numbers, int32 (G,).")
        .def_property_readonly("populations", &PythonArchive::populations,
                               "Every member's cells, uint8 0/1 of shape (G, 2, N, H, W): "
                               "generation, population, member, row, column; read-only.")
        .def_property_readonly("champions", &PythonArchive::champions,
                               "Each population's champion, its member index: int32 (G, 2), "
                               "the member with the highest score, the lowest index on a tie.")
        .def_property_readonly("champion_patterns", &PythonArchive::championPatterns,
                               "The champions' cells, uint8 0/1 (G, 2, H, W): "
                               "populations[g, p, champions[g, p]].")
        .def_property_readonly(
            "champion_scores", &PythonArchive::championScores,
            "The champions' scores as the run stored them: float32 (G, 2), the highest member "
            "score of each generation's population (Generation.scores).")
        .def_property_readonly(
            "scores", &PythonArchive::scores,
            "Every member's score as the run played it: float32 (G, 2, N), "
            "scores[g, p, champions[g, p]] == champion_scores[g, p] (Generation.scores). "
            "ValueError for an archive that keeps none (format 1 or 2).")
        .def_property_readonly(
            "parents", &PythonArchive::parents,
            "How each member was bred: int32 (G, 2, N, 2), [g, p, i, 0] the member of the "
            "generation before that member i was selected from, [g, p, i, 1] its mate for a "
            "crossover, -1 otherwise; -1 throughout for the first generation (Generation."
            "parents). ValueError for an archive that keeps no births (format 1 or 2).")
        .def_property_readonly(
            "operators", &PythonArchive::operators,
            "The operator that bred each member: int8 (G, 2, N), 0 mutation, 1 crossover, "
            "2 copy, -1 where parents is (Generation.operators). ValueError for an archive "
            "that keeps no births.");

    module.def("read_log", &readLog, py::arg("path"), py::arg("as_frame") = false,
               "The CSV log of a run as a dict of numpy arrays, \"generation\" (int32), "
               "\"average1\", \"average2\", \"best1\" and \"best2\" (float64, as "
               "Generation has them), or with `as_frame` as a pandas DataFrame of those "
               "columns (ImportError without pandas). A log cut inside its last line (a run "
               "still writing, or killed) is read up to its last whole one, with a "
               "UserWarning. FileNotFoundError, OSError, or ValueError with the reader's "
               "message for a log it refuses.");
    module.def("read_summary", &readSummary, py::arg("path"), py::arg("as_frame") = false,
               "The summary CSV that coevolife-analyze summary (or a sweep's --summary) "
               "writes: \"generation\" and \"seeds\" (int32, the runs that reached it), then "
               "for average1, average2, best1 and best2 in turn \"<series>_min\", \"_q1\", "
               "\"_median\", \"_q3\" and \"_max\" (float64), the quartiles over those runs "
               "(numpy.quantile's linear ones). A dict of arrays, or with `as_frame` a pandas "
               "DataFrame; FileNotFoundError, OSError, or ValueError for a file that is no "
               "such summary.");
    module.def("read_sweep", &readSweepFrame, py::arg("folder"),
               "Every seed's log of a sweep as one long pandas DataFrame: \"condition\" (the "
               "condition folder's name; for a folder of seed folders, its own), \"seed\", "
               "\"generation\", \"average1\", \"average2\", \"best1\", \"best2\" and "
               "\"finished\". `folder` is a sweep's OUT (of condition folders or of seed "
               "folders) or one condition's folder; its runs are its seed-S folders. A run is "
               "finished once it has its fitness.csv, as compare and crossplay take it; an "
               "unfinished one is read from its fitness.csv.partial up to the last whole "
               "line (a UserWarning when it ends inside one), marked finished False. "
               "FileNotFoundError, NotADirectoryError, ValueError for a log that does not "
               "read.");
}
