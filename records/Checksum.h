#pragma once

#include <QtGlobal>

#include <cstdint>

// The CRC-32 (the zlib and PNG one) that guards the archive's and the
// checkpoint's records.
std::uint32_t crc32Of(const char* data, qsizetype size);
