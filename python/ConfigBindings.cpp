#include "python/Arguments.h"
#include "python/ArrayConversion.h"
#include "python/Bindings.h"
#include "records/ConfigFile.h"
#include "records/ConfigKeys.h"

#include <pybind11/stl.h>

#include <vector>

namespace py = pybind11;

namespace
{

ExperimentConfig configOrRaise(const ConfigRead& read)
{
    if (!read.ok())
        raiseValueError(read.error);
    return read.config;
}

// The key a Python key names, or none: a str that is no key's name, or no
// str at all, as a dict finds no such key.
const ConfigKey* keyNamed(const py::handle& name)
{
    if (!py::isinstance<py::str>(name))
        return nullptr;
    // No key holds a lone surrogate.
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(name.ptr(), &size);
    if (!text) {
        PyErr_Clear();
        return nullptr;
    }
    const int index = findConfigKey(QString::fromUtf8(text, size));
    return index < 0 ? nullptr : &configKeys()[static_cast<std::size_t>(index)];
}

// An int, or for a breeding rate the float the shortest decimal that reads
// back as the rate's single-precision value gives: 0.3, not the float32's
// 0.30000001192092896.
py::object valueOf(const ConfigKey& key, ExperimentConfig& config)
{
    if (key.isReal())
        return py::float_(realText(key.real(config)).toDouble());
    return py::int_(key.whole(config));
}

py::object valueAt(ExperimentConfig& config, const py::object& name)
{
    const ConfigKey* key = keyNamed(name);
    if (!key)
        throw py::key_error(py::repr(name).cast<std::string>());
    return valueOf(*key, config);
}

py::object valueOr(ExperimentConfig& config, const py::object& name, const py::object& fallback)
{
    const ConfigKey* key = keyNamed(name);
    return key ? valueOf(*key, config) : fallback;
}

std::vector<std::string> keyPaths()
{
    std::vector<std::string> paths;
    for (const ConfigKey& key : configKeys())
        paths.push_back(utf8Of(key.path()));
    return paths;
}

} // namespace

void bindConfig(py::module_& module)
{
    py::class_<ExperimentConfig>(module, "Config",
                                 "An experiment's configuration: every number of a run.")
        .def(py::init<>(), "The default experiment, the one the window plays.")
        .def_static(
            "load",
            [](const GivenPath& given, const GivenTexts& overrides) {
                const QString path = pathOf(given, "path");
                checkReadable(path, given);
                return configOrRaise(readExperimentConfig(path, textsOf(overrides, "overrides")));
            },
            py::arg("path"), py::arg("overrides") = py::tuple(),
            "The configuration of the TOML file at `path` (a str or os.PathLike), with "
            "`overrides` over it, each as --set takes it (\"board.width=200\"). "
            "FileNotFoundError or OSError for a file that cannot be opened, ValueError with "
            "the command line's message when the file or an override is refused.")
        .def_static(
            "parse",
            [](const GivenText& text, const GivenTexts& overrides) {
                return configOrRaise(
                    parseExperimentConfig(QByteArray::fromStdString(textOf(text, "text")),
                                          QStringLiteral("<string>"),
                                          textsOf(overrides, "overrides")));
            },
            py::arg("text"), py::arg("overrides") = py::tuple(),
            "The configuration held by a TOML text, with `overrides` over it as in load(); "
            "errors name the text \"<string>\".")
        .def("__getitem__", &valueAt, py::arg("key"),
             "The value of a key named \"table.name\" (\"board.width\"): an int, or for the "
             "breeding rates a float, the shortest decimal that reads back as the rate's "
             "single-precision value (0.3). KeyError for any other key.")
        .def("get", &valueOr, py::arg("key"), py::arg("default") = py::none(),
             "config[key], or `default` for a key the configuration lacks.")
        .def(
            "__contains__",
            [](const ExperimentConfig&, const py::object& name) { return keyNamed(name) != nullptr; },
            py::arg("key"), "Whether `key` names one of the configuration's keys.")
        .def(
            "__len__", [](const ExperimentConfig&) { return configKeyCount; },
            "The number of keys.")
        .def(
            "__iter__",
            [](const ExperimentConfig&) { return py::iter(py::cast(keyPaths())); },
            "The keys' names, in the order the configuration file lists them.")
        .def_static("keys", &keyPaths,
                    "Every key's \"table.name\", in the order the configuration file lists "
                    "them.")
        .def(
            "to_toml",
            [](const ExperimentConfig& config) { return utf8Of(experimentConfigToml(config)); },
            "The configuration as TOML, exactly as coevolife-batch --print-config prints it.")
        .def(
            "__eq__",
            [](const ExperimentConfig& config, const py::object& other) -> py::object {
                if (!py::isinstance<ExperimentConfig>(other))
                    return py::reinterpret_borrow<py::object>(Py_NotImplemented);
                return py::bool_(config == other.cast<const ExperimentConfig&>());
            },
            py::arg("other"), "Whether every key has the same value.")
        .def("__repr__", [](const ExperimentConfig& config) {
            const QStringList differences = configDifferences(config);
            return utf8Of(QStringLiteral("Config(%1)").arg(differences.join(QStringLiteral(", "))));
        });
}
