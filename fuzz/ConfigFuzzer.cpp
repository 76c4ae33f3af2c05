#include "records/ConfigFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// The input is a configuration file, then, after a NUL byte, the --set
// settings one a line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype end = input.indexOf('\0');
    QStringList settings;
    if (end >= 0)
        for (const QByteArray& line : input.mid(end + 1).split('\n'))
            settings << QString::fromUtf8(line);
    const ConfigRead read = parseExperimentConfig(end >= 0 ? input.left(end) : input,
                                                  QStringLiteral("fuzz.toml"), settings);
    if (!read.ok())
        return 0;
    // Whatever was accepted is written so that it reads back the same.
    const ConfigRead readBack =
        parseExperimentConfigToml(experimentConfigToml(read.config), QStringLiteral("written"));
    if (!readBack.ok() || !(readBack.config == read.config))
        std::abort();
    return 0;
}
