#include "python/PythonArchive.h"

#include "python/ArrayConversion.h"

#include <array>
#include <cstring>

namespace py = pybind11;

PythonArchive::PythonArchive(const std::string& path)
{
    ArchiveRead read = readArchive(qStringOf(path));
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

namespace
{

// Byte b's eight cells, bit k at cell k: a packed pattern's cells are its
// bits in order, so a pattern unpacks eight cells at a time.
struct CellBytesTable {
    std::array<std::array<std::uint8_t, 8>, 256> cells{};
    CellBytesTable()
    {
        for (int byte = 0; byte < 256; ++byte)
            for (int bit = 0; bit < 8; ++bit)
                cells[static_cast<std::size_t>(byte)][static_cast<std::size_t>(bit)] =
                    static_cast<std::uint8_t>((byte >> bit) & 1);
    }
};

std::uint8_t* unpackInto(const PackedPattern& packed, int cellCount, std::uint8_t* out)
{
    static const CellBytesTable table;
    const int wholeBytes = cellCount / 8;
    for (int b = 0; b < wholeBytes; ++b, out += 8)
        std::memcpy(
            out,
            table.cells[static_cast<unsigned char>(packed[static_cast<std::size_t>(b)])].data(), 8);
    if (const int rest = cellCount % 8; rest > 0) {
        std::memcpy(
            out,
            table.cells[static_cast<unsigned char>(packed[static_cast<std::size_t>(wholeBytes)])]
                .data(),
            static_cast<std::size_t>(rest));
        out += rest;
    }
    return out;
}

} // namespace

py::array PythonArchive::unpackPopulations() const
{
    const PatternShape shape = archive.config().match.pattern;
    const auto members = static_cast<py::ssize_t>(archive.config().populationSize);
    CellArray cells({size(), py::ssize_t{2}, members, static_cast<py::ssize_t>(shape.height),
                     static_cast<py::ssize_t>(shape.width)});
    std::uint8_t* out = cells.mutable_data();
    for (const ArchivedGeneration& generation : archive.generations)
        for (const std::vector<PackedPattern>* population :
             {&generation.population1, &generation.population2})
            for (const PackedPattern& member : *population)
                out = unpackInto(member, shape.cells(), out);
    return std::move(cells);
}
