#include "records/Checksum.h"

#include <zlib.h>

// zlib's, ten times quicker than a byte-at-a-time table: a checkpoint sums
// its state after every generation.
std::uint32_t crc32Continued(std::uint32_t soFar, const char* data, qsizetype size)
{
    return static_cast<std::uint32_t>(
        crc32_z(soFar, reinterpret_cast<const Bytef*>(data), static_cast<z_size_t>(size)));
}

std::uint32_t crc32Of(const char* data, qsizetype size)
{
    return crc32Continued(0, data, size);
}
