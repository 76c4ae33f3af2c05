#include "python/ArrayConversion.h"

namespace py = pybind11;

CellArray cellArrayOf(const py::array& cells, int dimensions, const char* what)
{
    if (cells.ndim() != dimensions)
        throw py::value_error(std::string(what) + ": expected a " + std::to_string(dimensions) +
                              "-D array, not " + std::to_string(cells.ndim()) + "-D");
    CellArray array = CellArray::ensure(cells);
    if (!array)
        throw py::value_error(std::string(what) + ": not convertible to uint8 cells");
    return array;
}

namespace
{

std::string shapeText(PatternShape shape)
{
    return "(" + std::to_string(shape.height) + ", " + std::to_string(shape.width) + ")";
}

} // namespace

Pattern patternOf(const py::array& cells, PatternShape shape, const char* what)
{
    const CellArray array = cellArrayOf(cells, 2, what);
    if (array.shape(0) != shape.height || array.shape(1) != shape.width)
        throw py::value_error(std::string(what) + ": expected shape " + shapeText(shape) +
                              ", the configuration's pattern (rows, columns)");
    Pattern pattern = makePattern(shape.cells());
    copyPatternCells(array.data(), pattern, shape);
    return pattern;
}

CellArray patternArrayOf(const py::array& cells, PatternShape shape, const char* what)
{
    CellArray array = cellArrayOf(cells, 3, what);
    if (array.shape(1) != shape.height || array.shape(2) != shape.width)
        throw py::value_error(std::string(what) + ": expected shape (M, " +
                              std::to_string(shape.height) + ", " + std::to_string(shape.width) +
                              "), the configuration's pattern (rows, columns)");
    return array;
}

void copyPatternCells(const std::uint8_t* cells, const Pattern& pattern, PatternShape shape)
{
    for (int i = 0; i < shape.cells(); ++i)
        pattern[i] = cells[i] != 0 ? 1 : 0;
}

std::string utf8Of(const QString& text)
{
    return text.toStdString();
}

QString qStringOf(const std::string& text)
{
    return QString::fromStdString(text);
}

void raiseValueError(const QString& message)
{
    throw py::value_error(utf8Of(message));
}
