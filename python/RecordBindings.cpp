#include "python/ArrayConversion.h"
#include "python/Bindings.h"
#include "python/PythonArchive.h"
#include "records/CsvLogReader.h"

#include <pybind11/numpy.h>

namespace py = pybind11;

namespace
{

py::object readLog(const std::string& path, bool asFrame)
{
    const CsvLogRead read = readCsvLog(qStringOf(path));
    if (!read.error.isEmpty())
        raiseValueError(read.error);
    const auto rows = static_cast<py::ssize_t>(read.records.size());
    py::array_t<std::int32_t> generation(rows);
    py::array_t<double> average1(rows), average2(rows), best1(rows), best2(rows);
    for (py::ssize_t i = 0; i < rows; ++i) {
        const GenerationRecord& record = read.records[i];
        generation.mutable_at(i) = record.generation;
        average1.mutable_at(i) = record.average1;
        average2.mutable_at(i) = record.average2;
        best1.mutable_at(i) = record.best1;
        best2.mutable_at(i) = record.best2;
    }
    py::dict columns;
    columns["generation"] = generation;
    columns["average1"] = average1;
    columns["average2"] = average2;
    columns["best1"] = best1;
    columns["best2"] = best2;
    if (!asFrame)
        return std::move(columns);
    return py::module_::import("pandas").attr("DataFrame")(columns);
}

} // namespace

void bindRecords(py::module_& module)
{
    py::class_<PythonArchive>(module, "Archive",
                              "A run archive: every generation's two populations and champions.")
        .def(py::init<const std::string&>(), py::arg("path"),
             "Reads and checks the archive at `path`. One cut inside a record (a run killed "
             "while writing) is read up to its last whole generation, with a warning; a damaged "
             "one raises ValueError with the reader's message.")
        .def_property_readonly(
            "config", [](const PythonArchive& self) { return self.run().config(); },
            "The configuration the run played.")
        .def_property_readonly(
            "seed", [](const PythonArchive& self) { return self.run().header.seed; },
            "The run's seed.")
        .def_property_readonly(
            "version", [](const PythonArchive& self) { return self.run().header.formatVersion; },
            "The archive format's version (1 for the default experiment, else 2).")
        .def_property_readonly(
            "program_version",
            [](const PythonArchive& self) { return utf8Of(self.run().header.programVersion); },
            "The version of the program that wrote the archive.")
        .def("__len__", &PythonArchive::size, "The number of generations archived.")
        .def_property_readonly("generations", &PythonArchive::generations,
                               "The generation numbers, int32 (G,).")
        .def_property_readonly("populations", &PythonArchive::populations,
                               "Every member's cells, uint8 0/1 of shape (G, 2, N, H, W): "
                               "generation, population, member, row, column.")
        .def_property_readonly("champions", &PythonArchive::champions,
                               "Each population's champion, its member index: int32 (G, 2).")
        .def_property_readonly("champion_scores", &PythonArchive::championScores,
                               "The champions' scores as the run stored them: float32 (G, 2).");

    module.def("read_log", &readLog, py::arg("path"), py::arg("as_frame") = false,
               "The CSV log of a run as a dict of numpy arrays, \"generation\" (int32), "
               "\"average1\", \"average2\", \"best1\" and \"best2\" (float64), or with "
               "`as_frame` as a pandas DataFrame of those columns (ImportError without pandas). "
               "ValueError with the reader's message for a log it refuses.");
}
