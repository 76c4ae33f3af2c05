#include "records/DistinctMembers.h"

#include "records/ByteCodec.h"

#include <cstring>
#include <string_view>
#include <unordered_map>

namespace
{

qsizetype indexBytesOf(int members)
{
    return members <= 256 ? 1 : members <= 65536 ? 2 : 4;
}

} // namespace

void appendDistinctMembers(QByteArray& bytes, const PackedPopulation& population, int members,
                           PatternShape shape)
{
    const auto patternBytes = static_cast<std::size_t>(packedBytesOf(shape));
    const qsizetype width = indexBytesOf(members);
    std::unordered_map<std::string_view, std::uint32_t> indexOf;
    indexOf.reserve(static_cast<std::size_t>(members));
    std::vector<std::uint32_t> indices;
    indices.reserve(static_cast<std::size_t>(members));
    QByteArray patterns;
    for (int member = 0; member < members; ++member) {
        const std::string_view pattern(population.bytesOf(static_cast<std::size_t>(member)),
                                       patternBytes);
        const auto [found, added] =
            indexOf.emplace(pattern, static_cast<std::uint32_t>(indexOf.size()));
        if (added)
            patterns.append(pattern.data(), static_cast<qsizetype>(patternBytes));
        indices.push_back(found->second);
    }
    char count[4];
    putUint32At(count, static_cast<std::uint32_t>(indexOf.size()));
    bytes.append(count, 4);
    bytes.append(patterns);
    for (std::uint32_t index : indices)
        for (qsizetype k = 0; k < width; ++k, index >>= 8)
            bytes.append(static_cast<char>(index & 0xffu));
}

qsizetype takeDistinctMembers(const char* at, qsizetype available, int members, int patternBytes,
                              QByteArray& expanded, QString& problem)
{
    if (available < 4) {
        problem = QStringLiteral("its members end early");
        return -1;
    }
    const std::uint32_t distinct = uint32At(at);
    if (distinct < 1 || distinct > static_cast<std::uint32_t>(members)) {
        problem = QStringLiteral("%1 distinct patterns in a population of %2")
                      .arg(distinct)
                      .arg(members);
        return -1;
    }
    const qsizetype width = indexBytesOf(members);
    const qsizetype size =
        4 + static_cast<qsizetype>(distinct) * patternBytes + static_cast<qsizetype>(members) * width;
    if (size > available) {
        problem = QStringLiteral("its members end early");
        return -1;
    }
    const char* patterns = at + 4;
    const char* indices = patterns + static_cast<qsizetype>(distinct) * patternBytes;
    const qsizetype from = expanded.size();
    expanded.resize(from + static_cast<qsizetype>(members) * patternBytes);
    char* to = expanded.data() + from;
    for (qsizetype member = 0; member < members; ++member) {
        std::uint32_t index = 0;
        for (qsizetype k = width - 1; k >= 0; --k)
            index = index << 8 | static_cast<unsigned char>(indices[member * width + k]);
        if (index >= distinct) {
            problem = QStringLiteral("member %1 is distinct pattern %2 of %3")
                          .arg(member)
                          .arg(index)
                          .arg(distinct);
            return -1;
        }
        std::memcpy(to + member * patternBytes, patterns + static_cast<qsizetype>(index) * patternBytes,
                    static_cast<std::size_t>(patternBytes));
    }
    return size;
}
