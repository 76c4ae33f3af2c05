#pragma once

#include <pybind11/pybind11.h>

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ExperimentConfig;
class PythonArchive;

// An argument as Python gave it, taken whatever it is and checked by the
// function that uses it: a wrong type or value is refused in words that
// name the argument and what it takes, never by pybind's list of the
// signatures it could not match. `Kind` gives the type the signatures show.
template <typename Kind> struct Given {
    pybind11::object value;
};

struct IntegerKind {
    static constexpr auto name = pybind11::detail::const_name("int");
};
struct FlagKind {
    static constexpr auto name = pybind11::detail::const_name("bool");
};
struct PathKind {
    static constexpr auto name = pybind11::detail::const_name("Union[str, os.PathLike[str]]");
};
struct TextKind {
    static constexpr auto name = pybind11::detail::const_name("str");
};
struct TextsKind {
    static constexpr auto name = pybind11::detail::const_name("Iterable[str]");
};
struct ArrayKind {
    static constexpr auto name = pybind11::detail::const_name("numpy.typing.ArrayLike");
};
struct ConfigKind {
    static constexpr auto name = pybind11::detail::const_name("Config");
};
struct ArchiveKind {
    static constexpr auto name = pybind11::detail::const_name("Archive");
};

using GivenInteger = Given<IntegerKind>;
using GivenFlag = Given<FlagKind>;
using GivenPath = Given<PathKind>;
using GivenText = Given<TextKind>;
using GivenTexts = Given<TextsKind>;
using GivenArray = Given<ArrayKind>;
using GivenConfig = Given<ConfigKind>;
using GivenArchive = Given<ArchiveKind>;

namespace pybind11::detail
{
template <typename Kind> struct type_caster<Given<Kind>> {
    PYBIND11_TYPE_CASTER(Given<Kind>, Kind::name);
    bool load(handle source, bool)
    {
        value.value = reinterpret_borrow<object>(source);
        return true;
    }
    static handle cast(const Given<Kind>& given, return_value_policy, handle)
    {
        return given.value.inc_ref();
    }
};
} // namespace pybind11::detail

// A whole number from `lowest` to `highest`: an int, a bool or anything with
// __index__ (numpy's integer scalars); TypeError for anything else (a float
// too), ValueError outside the range, both naming `what`.
long long integerIn(const GivenInteger& given, const char* what, long long lowest,
                    long long highest);
// A seed as the batch takes it, 0 to 4294967295.
std::uint32_t seedOf(const GivenInteger& given);
// A generation number or count, 1 to the largest int, as the batch takes
// --generations; `lowest` 0 for a count that may be none.
int generationOf(const GivenInteger& given, const char* what, int lowest = 1);
// A thread count, 1 to 1024 as on the command line; none for one per core.
std::optional<int> threadCountOf(const std::optional<GivenInteger>& given);
// True or False (numpy's bool too, and the ints 0 and 1); TypeError for
// anything else.
bool flagOf(const GivenFlag& given, const char* what);

// A path given as a str, bytes or os.PathLike, as the libraries take it;
// TypeError for anything else.
QString pathOf(const GivenPath& given, const char* what);
// The UTF-8 of a Python str; UnicodeEncodeError for one with a lone surrogate.
std::string utf8OfText(const pybind11::handle& text);
// A str; TypeError for anything else.
std::string textOf(const GivenText& given, const char* what);
// An iterable of str (a str itself is refused, not read as its letters).
QStringList textsOf(const GivenTexts& given, const char* what);
// Sequences of finite numbers, at least one: any 1-D array-like of a bool,
// integer or float dtype.
std::vector<double> numbersOf(const GivenArray& given, const char* what);

// The configuration given, or the default experiment for None.
ExperimentConfig configOf(const std::optional<GivenConfig>& given);
PythonArchive& archiveOf(const GivenArchive& given);

// Before a reader takes `path`: the file opened for reading as the reader
// will open it, so that a missing one raises FileNotFoundError, one that
// cannot be opened the OSError of its errno, the path given as its
// filename. What is read after that and refused is damaged: ValueError.
void checkReadable(const QString& path, const GivenPath& given);
// Before a file is written at `path`: its folder exists and takes new
// files, or the OSError of the errno that says why not.
void checkWritable(const QString& path, const GivenPath& given);
// The OSError of `errorNumber` (FileNotFoundError, PermissionError, ... as
// Python maps them), its filename `filename`.
[[noreturn]] void raiseOSError(int errorNumber, const pybind11::handle& filename);
