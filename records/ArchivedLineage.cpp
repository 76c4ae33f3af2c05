#include "records/ArchivedLineage.h"

#include "records/ByteCodec.h"

#include <cfloat>

namespace
{

// Where a population's scores and births lie in the packed form.
struct LineageLayout {
    qsizetype members;
    qsizetype indexBytes;
    qsizetype coordinateBytes;

    LineageLayout(int members, PatternShape shape)
        : members(members),
          indexBytes(members <= 256 ? 1 : members <= 65536 ? 2 : 4),
          coordinateBytes(shape.cells() <= 255 ? 1 : 2)
    {
    }
    qsizetype scoresAt(int population) const { return (population - 1) * 4 * members; }
    qsizetype birthBytes() const { return members * (1 + 2 * indexBytes + 4 * coordinateBytes); }
    qsizetype operatorsAt(int population) const
    {
        return 8 * members + (population - 1) * birthBytes();
    }
    qsizetype parentsAt(int population) const { return operatorsAt(population) + members; }
    qsizetype matesAt(int population) const { return parentsAt(population) + members * indexBytes; }
    qsizetype rectanglesAt(int population) const
    {
        return matesAt(population) + members * indexBytes;
    }
};

std::uint32_t unsignedAt(const char* at, qsizetype width)
{
    std::uint32_t value = 0;
    for (qsizetype k = width - 1; k >= 0; --k)
        value = value << 8 | static_cast<unsigned char>(at[k]);
    return value;
}

void putUnsignedAt(char* at, std::uint32_t value, qsizetype width)
{
    for (qsizetype k = 0; k < width; ++k, value >>= 8)
        at[k] = static_cast<char>(value & 0xffu);
}

Birth birthAt(const char* packed, const LineageLayout& layout, int population, int member)
{
    const qsizetype i = member;
    Birth birth;
    birth.breedingOperator = static_cast<BreedingOperator>(
        static_cast<unsigned char>(packed[layout.operatorsAt(population) + i]));
    birth.parent = static_cast<int>(
        unsignedAt(packed + layout.parentsAt(population) + i * layout.indexBytes, layout.indexBytes));
    if (birth.breedingOperator == BreedingOperator::Crossover) {
        birth.mate = static_cast<int>(unsignedAt(
            packed + layout.matesAt(population) + i * layout.indexBytes, layout.indexBytes));
        const char* corners =
            packed + layout.rectanglesAt(population) + i * 4 * layout.coordinateBytes;
        const qsizetype c = layout.coordinateBytes;
        birth.rectangle = {static_cast<int>(unsignedAt(corners, c)),
                           static_cast<int>(unsignedAt(corners + c, c)),
                           static_cast<int>(unsignedAt(corners + 2 * c, c)),
                           static_cast<int>(unsignedAt(corners + 3 * c, c))};
    }
    return birth;
}

bool allZero(const char* at, qsizetype count)
{
    for (qsizetype k = 0; k < count; ++k)
        if (at[k] != 0)
            return false;
    return true;
}

} // namespace

ArchivedLineage::ArchivedLineage(const QByteArray& block, qsizetype offset, int members,
                                 PatternShape shape, bool births)
    : block(block), offset(offset), members(members), shape(shape), births(births)
{
}

QByteArray ArchivedLineage::packed(const std::array<std::vector<float>, 2>& scores,
                                   const std::array<Births, 2>& births, PatternShape shape)
{
    const int members = static_cast<int>(scores[0].size());
    const bool recorded = !births[0].empty();
    const LineageLayout layout(members, shape);
    QByteArray bytes(sizeOf(members, shape, recorded), '\0');
    char* at = bytes.data();
    for (int population = 1; population <= 2; ++population) {
        for (int i = 0; i < members; ++i)
            putUint32At(at + layout.scoresAt(population) + 4 * i,
                        bitCast<std::uint32_t>(scores[population - 1][i]));
        if (!recorded)
            continue;
        for (int i = 0; i < members; ++i) {
            const Birth& birth = births[population - 1][i];
            at[layout.operatorsAt(population) + i] = static_cast<char>(birth.breedingOperator);
            putUnsignedAt(at + layout.parentsAt(population) + i * layout.indexBytes,
                          static_cast<std::uint32_t>(birth.parent), layout.indexBytes);
            if (birth.breedingOperator != BreedingOperator::Crossover)
                continue;
            putUnsignedAt(at + layout.matesAt(population) + i * layout.indexBytes,
                          static_cast<std::uint32_t>(birth.mate), layout.indexBytes);
            char* corners = at + layout.rectanglesAt(population) + i * 4 * layout.coordinateBytes;
            const qsizetype c = layout.coordinateBytes;
            const CrossoverRectangle& r = birth.rectangle;
            putUnsignedAt(corners, static_cast<std::uint32_t>(r.x0), c);
            putUnsignedAt(corners + c, static_cast<std::uint32_t>(r.x1), c);
            putUnsignedAt(corners + 2 * c, static_cast<std::uint32_t>(r.y0), c);
            putUnsignedAt(corners + 3 * c, static_cast<std::uint32_t>(r.y1), c);
        }
    }
    return bytes;
}

qsizetype ArchivedLineage::sizeOf(int members, PatternShape shape, bool births)
{
    const LineageLayout layout(members, shape);
    return 8 * layout.members + (births ? 2 * layout.birthBytes() : 0);
}

QString ArchivedLineage::problemOf(const char* packed, int members, PatternShape shape,
                                   bool births)
{
    const LineageLayout layout(members, shape);
    for (int population = 1; population <= 2; ++population)
        for (int i = 0; i < members; ++i) {
            const float score = bitCast<float>(uint32At(packed + layout.scoresAt(population) + 4 * i));
            // A score is cells, or cells times contacts: never negative,
            // never infinite, always a number.
            if (!(score >= 0.0f && score <= FLT_MAX))
                return QStringLiteral("population %1's member %2 has the score %3, not a finite "
                                      "score of 0 or more")
                    .arg(population)
                    .arg(i)
                    .arg(static_cast<double>(score));
        }
    if (!births)
        return {};
    const qsizetype c = layout.coordinateBytes;
    for (int population = 1; population <= 2; ++population)
        for (int i = 0; i < members; ++i) {
            const QString member = QStringLiteral("population %1's member %2").arg(population).arg(i);
            const auto code = static_cast<unsigned char>(packed[layout.operatorsAt(population) + i]);
            if (code > static_cast<unsigned char>(BreedingOperator::Copy))
                return QStringLiteral("%1 was bred by operator %2, which is none").arg(member).arg(code);
            const Birth birth = birthAt(packed, layout, population, i);
            if (birth.parent >= members || birth.mate >= members)
                return QStringLiteral("%1's parents are no member").arg(member);
            const CrossoverRectangle& r = birth.rectangle;
            if (r.x0 > r.x1 || r.x1 > shape.width || r.y0 > r.y1 || r.y1 > shape.height)
                return QStringLiteral("%1's crossover rectangle lies outside the pattern").arg(member);
            // Only a crossover has a mate and a rectangle.
            if (birth.breedingOperator != BreedingOperator::Crossover &&
                !(allZero(packed + layout.matesAt(population) + i * layout.indexBytes,
                          layout.indexBytes) &&
                  allZero(packed + layout.rectanglesAt(population) + i * 4 * c, 4 * c)))
                return QStringLiteral("%1 has a mate but was not bred by crossover").arg(member);
        }
    return {};
}

float ArchivedLineage::score(int population, int member) const
{
    const LineageLayout layout(members, shape);
    return bitCast<float>(
        uint32At(block.constData() + offset + layout.scoresAt(population) + 4 * member));
}

Birth ArchivedLineage::birth(int population, int member) const
{
    return birthAt(block.constData() + offset, LineageLayout(members, shape), population, member);
}

std::vector<float> ArchivedLineage::scoresOf(int population) const
{
    std::vector<float> scores(static_cast<std::size_t>(members));
    for (int i = 0; i < members; ++i)
        scores[static_cast<std::size_t>(i)] = score(population, i);
    return scores;
}

Births ArchivedLineage::birthsOf(int population) const
{
    Births births;
    if (!hasBirths())
        return births;
    births.reserve(static_cast<std::size_t>(members));
    for (int i = 0; i < members; ++i)
        births.push_back(birth(population, i));
    return births;
}

bool ArchivedLineage::operator==(const ArchivedLineage& other) const
{
    return members == other.members && shape.cells() == other.shape.cells() &&
           births == other.births && packedBytes() == other.packedBytes();
}
