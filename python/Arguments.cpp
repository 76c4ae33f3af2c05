#include "python/Arguments.h"

#include "board/MatchPool.h"
#include "evolution/ExperimentConfig.h"
#include "python/PythonArchive.h"

#include <pybind11/numpy.h>

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <limits>

#include <fcntl.h>
#include <unistd.h>

namespace py = pybind11;

namespace
{

// At most this many characters of a value a message shows.
constexpr std::size_t shownLength = 60;

std::string shortened(std::string text)
{
    if (text.size() > shownLength)
        text = text.substr(0, shownLength) + "...";
    return text;
}

// "1.5 (float)": the value, and its type's name.
std::string described(py::handle value)
{
    return shortened(py::repr(value).cast<std::string>()) + " (" + Py_TYPE(value.ptr())->tp_name +
           ")";
}

[[noreturn]] void refuseType(const char* what, const std::string& expected, py::handle value)
{
    throw py::type_error(std::string(what) + ": " + expected + ", not " + described(value));
}

} // namespace

long long integerIn(const GivenInteger& given, const char* what, long long lowest,
                    long long highest)
{
    PyObject* index = PyNumber_Index(given.value.ptr());
    if (!index) {
        PyErr_Clear();
        refuseType(what, "an integer", given.value);
    }
    const auto number = py::reinterpret_steal<py::object>(index);
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(index, &overflow);
    if (overflow == 0 && value == -1 && PyErr_Occurred())
        throw py::error_already_set();
    if (overflow != 0 || value < lowest || value > highest)
        throw py::value_error(std::string(what) + ": " + std::to_string(lowest) + " to " +
                              std::to_string(highest) + ", not " +
                              shortened(py::str(number).cast<std::string>()));
    return value;
}

std::uint32_t seedOf(const GivenInteger& given)
{
    return static_cast<std::uint32_t>(
        integerIn(given, "seed", 0, std::numeric_limits<std::uint32_t>::max()));
}

int generationOf(const GivenInteger& given, const char* what, int lowest)
{
    return static_cast<int>(integerIn(given, what, lowest, std::numeric_limits<int>::max()));
}

std::optional<int> threadCountOf(const std::optional<GivenInteger>& given)
{
    if (!given)
        return std::nullopt;
    return static_cast<int>(integerIn(*given, "threads", 1, MatchPool::maximumThreadCount));
}

bool flagOf(const GivenFlag& given, const char* what)
{
    const py::handle value = given.value;
    if (PyBool_Check(value.ptr()))
        return value.ptr() == Py_True;
    // numpy's bool, and the ints 0 and 1, are as good as False and True.
    if (py::isinstance<py::int_>(value) ||
        std::string(Py_TYPE(value.ptr())->tp_name) == "numpy.bool_") {
        const int truth = PyObject_IsTrue(value.ptr());
        if (truth < 0)
            throw py::error_already_set();
        if (!py::isinstance<py::int_>(value) || value.equal(py::int_(truth)))
            return truth != 0;
    }
    refuseType(what, "True or False", value);
}

QString pathOf(const GivenPath& given, const char* what)
{
    const py::handle value = given.value;
    if (!py::isinstance<py::str>(value) && !py::isinstance<py::bytes>(value) &&
        !PyObject_HasAttrString(value.ptr(), "__fspath__"))
        refuseType(what, "a path, a str or os.PathLike", value);
    // The bytes the system takes, as os.fsencode makes them of a str.
    const py::bytes encoded = py::module_::import("os").attr("fsencode")(value);
    const std::string bytes = encoded;
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

std::string utf8OfText(const py::handle& text)
{
    Py_ssize_t size = 0;
    // A lone surrogate has no UTF-8: UnicodeEncodeError, a ValueError.
    const char* bytes = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
    if (!bytes)
        throw py::error_already_set();
    return std::string(bytes, static_cast<std::size_t>(size));
}

std::string textOf(const GivenText& given, const char* what)
{
    if (!py::isinstance<py::str>(given.value))
        refuseType(what, "a str", given.value);
    return utf8OfText(given.value);
}

QStringList textsOf(const GivenTexts& given, const char* what)
{
    const py::handle value = given.value;
    if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value) ||
        !py::isinstance<py::iterable>(value))
        refuseType(what, "an iterable of str such as [\"board.width=200\"]", value);
    QStringList texts;
    for (const py::handle item : value) {
        if (!py::isinstance<py::str>(item))
            refuseType(what, "str items", item);
        texts.append(QString::fromStdString(utf8OfText(item)));
    }
    return texts;
}

std::vector<double> numbersOf(const GivenArray& given, const char* what)
{
    py::array array;
    try {
        array = py::module_::import("numpy").attr("asarray")(given.value);
    } catch (py::error_already_set& refused) {
        // Lists of different lengths, say.
        if (!refused.matches(PyExc_ValueError))
            throw;
        throw py::value_error(std::string(what) + ": " +
                              py::str(refused.value()).cast<std::string>());
    }
    const char kind = array.dtype().kind();
    if (kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f')
        refuseType(what, "numbers", given.value);
    if (array.ndim() != 1)
        throw py::value_error(std::string(what) + ": a sequence of numbers, not a " +
                              std::to_string(array.ndim()) + "-D array");
    if (array.size() == 0)
        throw py::value_error(std::string(what) + ": at least one value");
    const auto values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(array);
    if (!values)
        throw py::error_already_set();
    std::vector<double> numbers(values.data(), values.data() + values.size());
    for (std::size_t i = 0; i < numbers.size(); ++i)
        if (!std::isfinite(numbers[i]))
            throw py::value_error(std::string(what) + "[" + std::to_string(i) + "]: " +
                                  py::repr(py::float_(numbers[i])).cast<std::string>() +
                                  ": finite values only");
    return numbers;
}

ExperimentConfig configOf(const std::optional<GivenConfig>& given)
{
    if (!given)
        return ExperimentConfig();
    if (!py::isinstance<ExperimentConfig>(given->value))
        refuseType("config", "a coevolife.Config or None", given->value);
    return given->value.cast<ExperimentConfig>();
}

PythonArchive& archiveOf(const GivenArchive& given)
{
    if (!py::isinstance<PythonArchive>(given.value))
        refuseType("archive", "a coevolife.Archive", given.value);
    return given.value.cast<PythonArchive&>();
}

void raiseOSError(int errorNumber, const py::handle& filename)
{
    // Python picks the OSError subclass of the errno it reads.
    errno = errorNumber;
    PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, filename.ptr());
    throw py::error_already_set();
}

void checkReadable(const QString& path, const GivenPath& given)
{
    // Without blocking on a FIFO, as the readers open it; a folder opens too,
    // and the reader refuses it as no regular file.
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0)
        raiseOSError(errno, given.value);
    ::close(descriptor);
}

void checkWritable(const QString& path, const GivenPath& given)
{
    const QString folder = QFileInfo(path).path();
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        raiseOSError(errno, given.value);
    if (QFileInfo(path).isDir())
        raiseOSError(EISDIR, given.value);
}
