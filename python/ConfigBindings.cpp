#include "python/ArrayConversion.h"
#include "python/Bindings.h"
#include "records/ConfigFile.h"
#include "records/ConfigKeys.h"

#include <pybind11/operators.h>
#include <pybind11/stl.h>

#include <vector>

namespace py = pybind11;

namespace
{

QStringList settingsOf(const std::vector<std::string>& overrides)
{
    QStringList settings;
    for (const std::string& setting : overrides)
        settings.append(qStringOf(setting));
    return settings;
}

ExperimentConfig configOrRaise(const ConfigRead& read)
{
    if (!read.ok())
        raiseValueError(read.error);
    return read.config;
}

py::object valueAt(ExperimentConfig& config, const std::string& path)
{
    const int index = findConfigKey(qStringOf(path));
    if (index < 0)
        throw py::key_error(path);
    const ConfigKey& key = configKeys()[static_cast<std::size_t>(index)];
    if (key.isReal())
        return py::float_(key.real(config));
    return py::int_(key.whole(config));
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
            [](const std::string& path, const std::vector<std::string>& overrides) {
                return configOrRaise(readExperimentConfig(qStringOf(path), settingsOf(overrides)));
            },
            py::arg("path"), py::arg("overrides") = std::vector<std::string>{},
            "The configuration of the TOML file at `path`, with `overrides` over it, each as "
            "--set takes it (\"board.width=200\"). ValueError with the command line's message "
            "when the file or an override is refused.")
        .def_static(
            "parse",
            [](const std::string& text, const std::vector<std::string>& overrides) {
                return configOrRaise(parseExperimentConfig(QByteArray::fromStdString(text),
                                                           QStringLiteral("<string>"),
                                                           settingsOf(overrides)));
            },
            py::arg("text"), py::arg("overrides") = std::vector<std::string>{},
            "The configuration held by a TOML text, with `overrides` over it as in load(); "
            "errors name the text \"<string>\".")
        .def("__getitem__", &valueAt, py::arg("key"),
             "The value of a key named \"table.name\" (\"board.width\"): an int, or a float for "
             "the breeding rates. KeyError for an unknown key.")
        .def_static("keys", &keyPaths,
                    "Every key's \"table.name\", in the order the configuration file lists them.")
        .def(
            "to_toml",
            [](const ExperimentConfig& config) { return utf8Of(experimentConfigToml(config)); },
            "The configuration as TOML, exactly as coevolife-batch --print-config prints it.")
        .def(py::self == py::self, "Whether every key has the same value.")
        .def("__repr__", [](const ExperimentConfig& config) {
            const QStringList differences = configDifferences(config);
            return utf8Of(QStringLiteral("Config(%1)").arg(differences.join(QStringLiteral(", "))));
        });
}
