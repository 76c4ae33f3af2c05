#include "python/PythonArchive.h"

#include "analysis/GenerationRange.h"
#include "python/ArrayConversion.h"

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
