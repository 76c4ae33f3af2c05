#include "python/ArrayConversion.h"

#include <type_traits>

namespace py = pybind11;

namespace
{

std::string shapeText(PatternShape shape)
{
    return "(" + std::to_string(shape.height) + ", " + std::to_string(shape.width) + ")";
}

// "what[i, j]": the element at `flat` of a C-ordered array of that shape.
std::string elementName(const char* what, const py::array& cells, py::ssize_t flat)
{
    std::vector<py::ssize_t> index(static_cast<std::size_t>(cells.ndim()));
    for (py::ssize_t k = cells.ndim() - 1; k >= 0; --k) {
        index[static_cast<std::size_t>(k)] = flat % cells.shape(k);
        flat /= cells.shape(k);
    }
    std::string name = std::string(what) + "[";
    for (std::size_t k = 0; k < index.size(); ++k)
        name += (k ? ", " : "") + std::to_string(index[k]);
    return name + "]";
}

[[noreturn]] void refuseValue(const char* what, const py::array& cells, py::ssize_t flat,
                              const std::string& value, int largestCode)
{
    const std::string allowed =
        largestCode == 1 ? "a pattern's cells are 0 or 1" : "a board's cells are 0, 1 or 2";
    throw py::value_error(elementName(what, cells, flat) + ": " + value +
                          " is not a cell: " + allowed + ", in an integer or bool array");
}

// Every value checked as the array's own type holds it, then narrowed.
template <typename Value>
CellArray checkedAs(const py::array& cells, int largestCode, const char* what)
{
    // Of the same type, made C-contiguous and of native byte order: the
    // values as they are, only laid out anew where need be.
    using Typed = py::array_t<Value, py::array::c_style>;
    const Typed typed = Typed::ensure(cells);
    if (!typed)
        throw py::error_already_set();
    const Value* in = typed.data();
    const py::ssize_t size = typed.size();
    for (py::ssize_t i = 0; i < size; ++i) {
        const Value value = in[i];
        bool bad = false;
        if constexpr (std::is_same_v<Value, bool>)
            bad = static_cast<int>(value) > largestCode;
        else if constexpr (std::is_signed_v<Value>)
            bad = value < 0 || value > largestCode;
        else
            bad = value > static_cast<unsigned>(largestCode);
        if (bad)
            refuseValue(what, cells, i, std::to_string(value), largestCode);
    }
    CellArray out(std::vector<py::ssize_t>(cells.shape(), cells.shape() + cells.ndim()));
    std::uint8_t* at = out.mutable_data();
    for (py::ssize_t i = 0; i < size; ++i)
        at[i] = static_cast<std::uint8_t>(in[i]);
    return out;
}

template <typename Signed, typename Unsigned>
CellArray checkedInteger(const py::array& cells, bool isSigned, int largestCode, const char* what)
{
    return isSigned ? checkedAs<Signed>(cells, largestCode, what)
                    : checkedAs<Unsigned>(cells, largestCode, what);
}

} // namespace

namespace
{

std::string extentsText(const py::array& array)
{
    std::string text = "(";
    for (py::ssize_t k = 0; k < array.ndim(); ++k)
        text += (k ? ", " : "") + std::to_string(array.shape(k));
    return text + (array.ndim() == 1 ? ",)" : ")");
}

bool fits(const py::array& array, const CellShape& shape)
{
    if (array.ndim() != static_cast<py::ssize_t>(shape.extents.size()))
        return false;
    for (py::ssize_t k = 0; k < array.ndim(); ++k)
        if (shape.extents[static_cast<std::size_t>(k)] >= 0 &&
            array.shape(k) != shape.extents[static_cast<std::size_t>(k)])
            return false;
    return true;
}

// The array numpy makes of `cells`, as numpy.asarray makes it.
py::array asArray(const py::handle& cells, const char* what)
{
    const bool given = py::isinstance<py::array>(cells);
    py::array array;
    try {
        array = py::module_::import("numpy").attr("asarray")(cells);
    } catch (py::error_already_set& refused) {
        // Lists of rows of different lengths, say.
        if (!refused.matches(PyExc_ValueError))
            throw;
        throw py::value_error(std::string(what) + ": " + py::str(refused.value()).cast<std::string>());
    }
    const char kind = array.dtype().kind();
    if (!given && (array.ndim() == 0 || (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f')))
        throw py::type_error(std::string(what) +
                             ": an array-like of cells (an array, or nested lists of ints), not " +
                             py::repr(cells).cast<std::string>().substr(0, 60) + " (" +
                             Py_TYPE(cells.ptr())->tp_name + ")");
    return array;
}

} // namespace

CellShape patternShapeOf(PatternShape shape)
{
    return {{shape.height, shape.width},
            shapeText(shape) + ", the configuration's pattern (rows, columns)"};
}

CellShape patternsShapeOf(PatternShape shape)
{
    return {{-1, shape.height, shape.width},
            "(M, " + std::to_string(shape.height) + ", " + std::to_string(shape.width) +
                "), M patterns of the configuration's (rows, columns)"};
}

CellArray checkedCells(const py::handle& given, const CellShape& shape, int largestCode,
                       const char* what)
{
    const py::array cells = asArray(given, what);
    if (!fits(cells, shape))
        throw py::value_error(std::string(what) + ": expected shape " + shape.text + ", not " +
                              extentsText(cells));
    const py::dtype type = cells.dtype();
    const char kind = type.kind();
    if (kind == 'b')
        return checkedAs<bool>(cells, largestCode, what);
    if (kind == 'i' || kind == 'u') {
        const bool isSigned = kind == 'i';
        switch (type.itemsize()) {
        case 1:
            return checkedInteger<std::int8_t, std::uint8_t>(cells, isSigned, largestCode, what);
        case 2:
            return checkedInteger<std::int16_t, std::uint16_t>(cells, isSigned, largestCode, what);
        case 4:
            return checkedInteger<std::int32_t, std::uint32_t>(cells, isSigned, largestCode, what);
        case 8:
            return checkedInteger<std::int64_t, std::uint64_t>(cells, isSigned, largestCode, what);
        default:
            break;
        }
    }
    // A float, even 0.0 or 1.0, says the cells were computed as something
    // else; so does every other kind of value: the first one is named.
    const std::string typeName = py::str(static_cast<const py::handle&>(type));
    if (cells.size() == 0)
        throw py::value_error(std::string(what) + ": a " + typeName +
                              " array: cells are integers or bools");
    const std::string value = py::repr(cells.attr("item")(0));
    refuseValue(what, cells, 0, value + " of dtype " + typeName, largestCode);
}

Pattern patternOf(const py::handle& cells, PatternShape shape, const char* what)
{
    const CellArray array = checkedCells(cells, patternShapeOf(shape), 1, what);
    Pattern pattern = makePattern(shape.cells());
    copyPatternCells(array.data(), pattern, shape);
    return pattern;
}

CellArray patternArrayOf(const py::handle& cells, PatternShape shape, const char* what)
{
    return checkedCells(cells, patternsShapeOf(shape), 1, what);
}

void copyPatternCells(const std::uint8_t* cells, const Pattern& pattern, PatternShape shape)
{
    std::copy(cells, cells + shape.cells(), pattern.get());
}

std::string utf8Of(const QString& text)
{
    return text.toStdString();
}

QString qStringOf(const std::string& text)
{
    return QString::fromStdString(text);
}

py::object tableOf(const py::dict& columns, bool asFrame)
{
    if (!asFrame)
        return columns;
    return py::module_::import("pandas").attr("DataFrame")(columns);
}

void warnEach(const QStringList& lines)
{
    for (const QString& line : lines)
        if (PyErr_WarnEx(PyExc_UserWarning, utf8Of(line).c_str(), 1) != 0)
            throw py::error_already_set();
}

void raiseValueError(const QString& message)
{
    throw py::value_error(utf8Of(message));
}
