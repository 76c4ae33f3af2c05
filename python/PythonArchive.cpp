#include "python/PythonArchive.h"

#include "analysis/GenerationRange.h"
#include "python/ArrayConversion.h"
#include "python/BirthArrays.h"

#include <algorithm>

namespace py = pybind11;

PythonArchive::PythonArchive(const QString& path) : archivePath(path)
{
    ArchiveRead read = readArchive(path);
    if (!read.error.isEmpty())
        raiseValueError(read.error);
    if (!read.warning.isEmpty() &&
        PyErr_WarnEx(PyExc_UserWarning, utf8Of(read.warning).c_str(), 1) != 0)
        throw py::error_already_set();
    archive = std::move(read.archive);
}

py::array PythonArchive::generations() const
{
    py::array_t<std::int32_t> numbers(size());
    auto at = numbers.mutable_unchecked<1>();
    for (py::ssize_t g = 0; g < size(); ++g)
        at(g) = archive.generations[static_cast<std::size_t>(g)].generation;
    return std::move(numbers);
}

py::object PythonArchive::populations()
{
    // Read-only, as it is shared by every read of the property.
    if (!populationCells) {
        populationCells = unpackPopulations();
        populationCells.attr("setflags")(py::arg("write") = false);
    }
    return populationCells;
}

py::array PythonArchive::champions() const
{
    py::array_t<std::int32_t> indices({size(), py::ssize_t{2}});
    auto at = indices.mutable_unchecked<2>();
    for (py::ssize_t g = 0; g < size(); ++g) {
        const ArchivedGeneration& generation = archive.generations[static_cast<std::size_t>(g)];
        at(g, 0) = generation.champion1;
        at(g, 1) = generation.champion2;
    }
    return std::move(indices);
}

py::array PythonArchive::championPatterns() const
{
    const PatternShape shape = archive.config().match.pattern;
    CellArray cells({size(), py::ssize_t{2}, static_cast<py::ssize_t>(shape.height),
                     static_cast<py::ssize_t>(shape.width)});
    const SelectedChampions champions = championsOf(archive);
    std::uint8_t* out = cells.mutable_data();
    for (std::size_t g = 0; g < champions.generations.size(); ++g)
        for (const PackedPattern* champion : {&champions.champions1[g], &champions.champions2[g]}) {
            unpackCells(*champion, out, shape);
            out += shape.cells();
        }
    return std::move(cells);
}

py::array PythonArchive::championScores() const
{
    py::array_t<float> scores({size(), py::ssize_t{2}});
    auto at = scores.mutable_unchecked<2>();
    for (py::ssize_t g = 0; g < size(); ++g) {
        const ArchivedGeneration& generation = archive.generations[static_cast<std::size_t>(g)];
        at(g, 0) = generation.championScore1;
        at(g, 1) = generation.championScore2;
    }
    return std::move(scores);
}

void PythonArchive::requireLineage() const
{
    const QString refusal = lineageRefusalOf(archive);
    if (!refusal.isEmpty())
        raiseValueError(refusal);
}

py::array PythonArchive::scores() const
{
    requireLineage();
    const auto members = static_cast<py::ssize_t>(archive.config().populationSize);
    py::array_t<float> scores({size(), py::ssize_t{2}, members});
    for (py::ssize_t g = 0; g < size(); ++g)
        for (py::ssize_t p = 0; p < 2; ++p) {
            const std::vector<float> population =
                archive.generations[static_cast<std::size_t>(g)].lineage.scoresOf(
                    static_cast<int>(p) + 1);
            std::copy(population.begin(), population.end(), scores.mutable_data(g, p));
        }
    return std::move(scores);
}

py::array PythonArchive::parents() const
{
    requireLineage();
    const int members = archive.config().populationSize;
    py::array_t<std::int32_t> parents(
        {size(), py::ssize_t{2}, static_cast<py::ssize_t>(members), py::ssize_t{2}});
    for (py::ssize_t g = 0; g < size(); ++g)
        for (py::ssize_t p = 0; p < 2; ++p)
            writeParents(archive.generations[static_cast<std::size_t>(g)].lineage.birthsOf(
                             static_cast<int>(p) + 1),
                         members, parents.mutable_data(g, p));
    return std::move(parents);
}

py::array PythonArchive::operators() const
{
    requireLineage();
    const int members = archive.config().populationSize;
    py::array_t<std::int8_t> operators({size(), py::ssize_t{2}, static_cast<py::ssize_t>(members)});
    for (py::ssize_t g = 0; g < size(); ++g)
        for (py::ssize_t p = 0; p < 2; ++p)
            writeOperators(archive.generations[static_cast<std::size_t>(g)].lineage.birthsOf(
                               static_cast<int>(p) + 1),
                           members, operators.mutable_data(g, p));
    return std::move(operators);
}

const LineageModel& PythonArchive::lineageModel()
{
    if (!lineage) {
        QString error;
        auto model = std::make_unique<LineageModel>(lineageModelOf(archive, error));
        if (!error.isEmpty())
            raiseValueError(error);
        lineage = std::move(model);
    }
    return *lineage;
}

py::array PythonArchive::unpackPopulations() const
{
    const PatternShape shape = archive.config().match.pattern;
    const auto members = static_cast<py::ssize_t>(archive.config().populationSize);
    CellArray cells({size(), py::ssize_t{2}, members, static_cast<py::ssize_t>(shape.height),
                     static_cast<py::ssize_t>(shape.width)});
    std::uint8_t* out = cells.mutable_data();
    for (const ArchivedGeneration& generation : archive.generations)
        for (const PackedPopulation* population :
             {&generation.population1, &generation.population2})
            for (std::size_t member = 0; member < population->size(); ++member) {
                unpackCellsAt(population->bytesOf(member), out, shape);
                out += shape.cells();
            }
    return std::move(cells);
}
