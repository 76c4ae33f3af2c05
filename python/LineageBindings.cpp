#include "analysis/Descent.h"
#include "analysis/Phylogeny.h"
#include "analysis/Turnover.h"
#include "python/Arguments.h"
#include "python/ArrayConversion.h"
#include "python/Bindings.h"
#include "python/PythonArchive.h"

#include <pybind11/stl.h>

#include <optional>

namespace py = pybind11;

namespace
{

// A column of the CSV as pandas is to read it: its dtype, and whether an
// empty field is missing (otherwise it stays an empty str).
struct CsvColumn {
    const char* name;
    const char* dtype;
    bool mayBeMissing = false;
};

// The CSV coevolife-analyze writes, read by pandas as a frame: the same rows
// and numbers whichever way a user takes them.
py::object frameOfCsv(const QByteArray& csv, std::initializer_list<CsvColumn> columns)
{
    py::dict dtypes;
    py::dict missing;
    for (const CsvColumn& column : columns) {
        dtypes[column.name] = column.dtype;
        if (column.mayBeMissing)
            missing[column.name] = py::make_tuple("");
    }
    const py::object bytes = py::module_::import("io").attr("BytesIO")(
        py::bytes(csv.constData(), static_cast<std::size_t>(csv.size())));
    return py::module_::import("pandas").attr("read_csv")(bytes, py::arg("dtype") = dtypes,
                                                          py::arg("keep_default_na") = false,
                                                          py::arg("na_values") = missing);
}

// --of: a generation the archive holds, its last by default.
int tracedGeneration(const LineageModel& model, const std::optional<GivenInteger>& of)
{
    if (!of)
        return model.lastGeneration();
    return static_cast<int>(integerIn(*of, "of", model.firstGeneration(), model.lastGeneration()));
}

py::object descentFrame(const GivenArchive& givenArchive, const GivenInteger& givenPopulation,
                        const std::optional<GivenInteger>& givenMember,
                        const std::optional<GivenInteger>& of)
{
    PythonArchive& archive = archiveOf(givenArchive);
    const int population = static_cast<int>(integerIn(givenPopulation, "population", 1, 2));
    const LineageModel& model = archive.lineageModel();
    const int generation = tracedGeneration(model, of);
    const int member =
        givenMember
            ? static_cast<int>(integerIn(*givenMember, "member", 0, model.populationSize() - 1))
            : model.at(generation).champions[static_cast<std::size_t>(population - 1)];
    return frameOfCsv(descentCsv(lineOfDescent(model, generation, population, member)),
                      {{"generation", "int32"},
                       {"member", "int32"},
                       {"operator", "str", true},
                       {"mate", "Int32", true},
                       {"changed", "Int32", true},
                       {"cells", "str"},
                       {"score", "float32", true},
                       {"champion", "bool"}});
}

py::object lineageFrame(const GivenArchive& givenArchive, const std::optional<GivenInteger>& of,
                        const GivenFlag& all)
{
    PythonArchive& archive = archiveOf(givenArchive);
    const bool every = flagOf(all, "all");
    const LineageModel& model = archive.lineageModel();
    const int generation = tracedGeneration(model, of);
    return frameOfCsv(
        phylogenyCsv(model, every ? everyMember(model) : ancestryOf(model, generation)),
        {{"id", "uint64"},
         {"ancestor_list", "str"},
         {"origin_time", "int32"},
         {"population", "int8"},
         {"member", "int32"},
         {"operator", "str", true},
         {"x0", "Int32", true},
         {"x1", "Int32", true},
         {"y0", "Int32", true},
         {"y1", "Int32", true},
         {"score", "float32", true},
         {"champion", "bool"},
         {"pattern", "str"}});
}

py::object turnoverFrame(const GivenArchive& givenArchive)
{
    PythonArchive& archive = archiveOf(givenArchive);
    return frameOfCsv(turnoverCsv(turnoverOf(archive.lineageModel())),
                      {{"generation", "int32"},
                       {"distinct1", "int32"},
                       {"distinct2", "int32"},
                       {"coalescence1", "Int32", true},
                       {"coalescence2", "Int32", true}});
}

} // namespace

void bindLineage(py::module_& module)
{
    module.def(
        "descent", &descentFrame, py::arg("archive"), py::arg("population") = 1,
        py::arg("member") = py::none(), py::arg("of") = py::none(),
        "The line of descent of population `population`'s member `member` (default: "
        "its champion) of generation `of` (default: the archive's last), along first "
        "parents back to the first generation, as coevolife-analyze descent writes its "
        "--csv: a pandas DataFrame, a row per ancestor, oldest first, \"generation\", "
        "\"member\", \"operator\" (\"mutation\", \"crossover\" or \"copy\"), \"mate\" "
        "(a crossover's), \"changed\" (how many cells differ from its first parent; "
        "these three missing for the first), \"cells\" (their indices x + W * y, separated by "
        "spaces), \"score\" (float32, as Archive.scores) and \"champion\". ValueError "
        "for an archive that keeps no births (format 1 or 2).");
    module.def("lineage", &lineageFrame, py::arg("archive"), py::arg("of") = py::none(),
               py::arg("all") = false,
               "The phylogeny in the ALife Data Standards' form, as coevolife-analyze lineage "
               "writes its --csv: a pandas DataFrame, a row per member of generation `of` "
               "(default: the archive's last) and each of its ancestors, or with `all` of "
               "every generation: \"id\" ((generation - 1) * 2 + population - 1) * N + "
               "member), \"ancestor_list\" (\"[a]\", \"[a, b]\" for a crossover, \"[none]\"), "
               "\"origin_time\" (the generation), \"population\", \"member\", \"operator\", a "
               "crossover's \"x0\", \"x1\", \"y0\", \"y1\", \"score\" (float32), \"champion\" "
               "and \"pattern\" (the packed pattern in hex). ValueError for an archive that "
               "keeps no births.");
    module.def("turnover", &turnoverFrame, py::arg("archive"),
               "How fast each population turns over, as coevolife-analyze turnover writes its "
               "--csv: a pandas DataFrame, a row per generation, \"generation\", "
               "\"distinct1\" and \"distinct2\" (distinct patterns), \"coalescence1\" and "
               "\"coalescence2\" (how many generations back the population's most recent "
               "common ancestor lies along first parents; missing where the lines do not "
               "meet). ValueError for an archive that keeps no births.");
}
