#pragma once

#include <QtGlobal>

#include <cstdint>

// The CRC-32 (the zlib and PNG one) that guards the archive's and the
// checkpoint's records.
std::uint32_t crc32Of(const char* data, qsizetype size);
// The CRC-32 of some bytes followed by `data`, from `soFar`, the CRC-32 of
// the bytes before (0 for none).
std::uint32_t crc32Continued(std::uint32_t soFar, const char* data, qsizetype size);
