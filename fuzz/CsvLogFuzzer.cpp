#include "records/CsvLogReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    parseCsvLog(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                QStringLiteral("fitness.csv"));
    return 0;
}
