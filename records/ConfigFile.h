#pragma once

#include "evolution/ExperimentConfig.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

// A configuration's text holds at most this many bytes, in a file as in an
// archive's header: far more than every key with a comment takes.
constexpr int configTextLimit = 1 << 16;

// The version of an archive, or of a checkpoint as programs before its
// version 3 wrote it: 1 for the default experiment, the window's, whose
// configuration the file leaves out, 2 for any other, which it holds.
std::uint32_t configuredFormatVersion(const ExperimentConfig& config);

// An experiment's configuration as read, or the one line that says why it
// could not be (then the config is the default).
struct ConfigRead {
    ExperimentConfig config;
    QString error;

    bool ok() const { return error.isEmpty(); }
};

// Why a configuration built in code is not one a file could give (a value
// out of its key's range, the patterns' placements, the thresholds' order),
// as one line naming the keys; empty when it is.
QString checkExperimentConfig(const ExperimentConfig& config);
// The configuration of the TOML file at `filePath` (none when empty) with the
// `settings` ("table.key=value", each value in TOML) over it, a later setting
// over an earlier one. Keys given nowhere keep their defaults. Every value is
// checked, and so are the placements of the patterns and the order of the
// thresholds.
ConfigRead readExperimentConfig(const QString& filePath, const QStringList& settings = {});
// The configuration held by a TOML text alone, e.g. one an archive carries;
// `sourceName` names the text in errors.
ConfigRead parseExperimentConfigToml(const QString& text, const QString& sourceName);
// The same reading as readExperimentConfig of a file's bytes, `sourceName`
// standing for its path.
ConfigRead parseExperimentConfig(const QByteArray& toml, const QString& sourceName,
                                 const QStringList& settings);
// The shortest text that a reader, going through double as toml++ does,
// rounds back to the same float: "0.3" for the float nearest 0.3.
QString realText(float value);
// Every key with its value, in tables, such that reading the text back gives
// the same configuration.
QString experimentConfigToml(const ExperimentConfig& config);
