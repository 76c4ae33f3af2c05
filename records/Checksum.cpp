#include "records/Checksum.h"

#include <boost/crc.hpp>

std::uint32_t crc32Of(const char* data, qsizetype size)
{
    boost::crc_32_type crc;
    crc.process_bytes(data, static_cast<std::size_t>(size));
    return crc.checksum();
}
