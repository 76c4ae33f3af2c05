#include "records/ArchivedLineage.h"

#include "records/ByteCodec.h"

#include <algorithm>
#include <bitset>
#include <cfloat>

namespace
{

// The widths of a packed form's numbers, and where a population's parts
// begin.
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
    qsizetype operatorBytes() const { return (members + 3) / 4; }
    qsizetype crossoverBytes() const { return indexBytes + 4 * coordinateBytes; }
    // A population's births without their crossovers' mates and rectangles.
    qsizetype fixedBirthBytes() const { return operatorBytes() + members * indexBytes; }
};

std::uint32_t unsignedAt(const char* at, qsizetype width)
{
    std::uint32_t value = 0;
    for (qsizetype k = width - 1; k >= 0; --k)
        value = value << 8 | static_cast<unsigned char>(at[k]);
    return value;
}

void putUnsigned(QByteArray& bytes, std::uint32_t value, qsizetype width)
{
    for (qsizetype k = 0; k < width; ++k, value >>= 8)
        bytes.append(static_cast<char>(value & 0xffu));
}

unsigned operatorCode(const char* operators, qsizetype member)
{
    return (static_cast<unsigned char>(operators[member / 4]) >> (2 * (member % 4))) & 3u;
}

qsizetype crossoversIn(const char* operators, qsizetype members)
{
    // Four operators a byte: a crossover is a pair of bits 01.
    qsizetype count = 0;
    const qsizetype whole = members / 4;
    for (qsizetype k = 0; k < whole; ++k) {
        const auto bits = static_cast<unsigned char>(operators[k]);
        count += std::bitset<8>(bits & ~(bits >> 1) & 0x55u).count();
    }
    for (qsizetype i = 4 * whole; i < members; ++i)
        count += operatorCode(operators, i) == 1 ? 1 : 0;
    return count;
}

// One population's births from `at`, which holds them whole.
Births birthsAt(const char* at, const LineageLayout& layout)
{
    Births births(static_cast<std::size_t>(layout.members));
    const char* parents = at + layout.operatorBytes();
    const char* crossing = parents + layout.members * layout.indexBytes;
    const qsizetype c = layout.coordinateBytes;
    for (qsizetype i = 0; i < layout.members; ++i) {
        Birth& birth = births[static_cast<std::size_t>(i)];
        birth.breedingOperator = static_cast<BreedingOperator>(operatorCode(at, i));
        birth.parent = static_cast<int>(unsignedAt(parents + i * layout.indexBytes, layout.indexBytes));
        if (birth.breedingOperator != BreedingOperator::Crossover)
            continue;
        birth.mate = static_cast<int>(unsignedAt(crossing, layout.indexBytes));
        const char* corners = crossing + layout.indexBytes;
        birth.rectangle = {static_cast<int>(unsignedAt(corners, c)),
                           static_cast<int>(unsignedAt(corners + c, c)),
                           static_cast<int>(unsignedAt(corners + 2 * c, c)),
                           static_cast<int>(unsignedAt(corners + 3 * c, c))};
        crossing += layout.crossoverBytes();
    }
    return births;
}

// Whether the packed form is sound, checked in as few passes as a long
// archive's millions of births want; problemOf says what is wrong when not.
bool soundAt(const char* packed, const LineageLayout& layout, PatternShape shape, bool births)
{
    bool sound = true;
    for (qsizetype i = 0; i < 2 * layout.members; ++i) {
        const float score = bitCast<float>(uint32At(packed + 4 * i));
        sound &= score >= 0.0f && score <= FLT_MAX;
    }
    if (!sound || !births)
        return sound;
    const char* at = packed + 8 * layout.members;
    const qsizetype unused = 4 * layout.operatorBytes() - layout.members;
    for (int population = 1; population <= 2; ++population) {
        // Operator 3 is none, and the bits past the last member are zero.
        unsigned three = 0;
        for (qsizetype k = 0; k < layout.operatorBytes(); ++k) {
            const auto bits = static_cast<unsigned char>(at[k]);
            three |= bits & (bits >> 1) & 0x55u;
        }
        const auto lastByte = static_cast<unsigned char>(at[layout.operatorBytes() - 1]);
        if (three != 0 || (unused > 0 && (lastByte >> (2 * (4 - unused))) != 0))
            return false;
        const char* parents = at + layout.operatorBytes();
        std::uint32_t largest = 0;
        if (layout.indexBytes == 1)
            for (qsizetype i = 0; i < layout.members; ++i)
                largest = std::max<std::uint32_t>(largest, static_cast<unsigned char>(parents[i]));
        else
            for (qsizetype i = 0; i < layout.members; ++i)
                largest = std::max(largest,
                                   unsignedAt(parents + i * layout.indexBytes, layout.indexBytes));
        if (largest >= static_cast<std::uint32_t>(layout.members))
            return false;
        const char* crossing = parents + layout.members * layout.indexBytes;
        const qsizetype c = layout.coordinateBytes;
        const qsizetype crossovers = crossoversIn(at, layout.members);
        for (qsizetype k = 0; k < crossovers; ++k, crossing += layout.crossoverBytes()) {
            const char* corners = crossing + layout.indexBytes;
            const std::uint32_t x0 = unsignedAt(corners, c);
            const std::uint32_t x1 = unsignedAt(corners + c, c);
            const std::uint32_t y0 = unsignedAt(corners + 2 * c, c);
            const std::uint32_t y1 = unsignedAt(corners + 3 * c, c);
            const std::uint32_t mate = unsignedAt(crossing, layout.indexBytes);
            if (mate >= static_cast<std::uint32_t>(layout.members) || x0 > x1 ||
                x1 > static_cast<std::uint32_t>(shape.width) || y0 > y1 ||
                y1 > static_cast<std::uint32_t>(shape.height))
                return false;
        }
        at = crossing;
    }
    return true;
}

// Where population 2's births begin, population 1's being sound.
qsizetype secondBirthsAt(const char* packed, const LineageLayout& layout)
{
    const qsizetype first = 8 * layout.members;
    return first + layout.fixedBirthBytes() +
           crossoversIn(packed + first, layout.members) * layout.crossoverBytes();
}

} // namespace

ArchivedLineage::ArchivedLineage(const QByteArray& block, qsizetype offset, int members,
                                 PatternShape shape, bool births)
    : block(block), offset(offset),
      size(sizeAt(block.constData() + offset, block.size() - offset, members, shape, births)),
      members(members), shape(shape), births(births)
{
}

QByteArray ArchivedLineage::packed(const std::array<std::vector<float>, 2>& scores,
                                   const std::array<Births, 2>& births, PatternShape shape)
{
    const int members = static_cast<int>(scores[0].size());
    const LineageLayout layout(members, shape);
    QByteArray bytes;
    bytes.reserve(largestSize(members, shape));
    for (const std::vector<float>& population : scores)
        for (const float score : population)
            putUnsigned(bytes, bitCast<std::uint32_t>(score), 4);
    if (births[0].empty())
        return bytes;
    for (const Births& population : births) {
        QByteArray operators(layout.operatorBytes(), '\0');
        for (qsizetype i = 0; i < members; ++i)
            operators[i / 4] = static_cast<char>(
                operators[i / 4] |
                static_cast<char>(static_cast<unsigned>(population[static_cast<std::size_t>(i)]
                                                            .breedingOperator)
                                  << (2 * (i % 4))));
        bytes.append(operators);
        for (const Birth& birth : population)
            putUnsigned(bytes, static_cast<std::uint32_t>(birth.parent), layout.indexBytes);
        for (const Birth& birth : population) {
            if (birth.breedingOperator != BreedingOperator::Crossover)
                continue;
            putUnsigned(bytes, static_cast<std::uint32_t>(birth.mate), layout.indexBytes);
            const CrossoverRectangle& r = birth.rectangle;
            for (const int corner : {r.x0, r.x1, r.y0, r.y1})
                putUnsigned(bytes, static_cast<std::uint32_t>(corner), layout.coordinateBytes);
        }
    }
    return bytes;
}

qsizetype ArchivedLineage::sizeAt(const char* packed, qsizetype available, int members,
                                  PatternShape shape, bool births)
{
    const LineageLayout layout(members, shape);
    qsizetype size = 8 * layout.members;
    for (int population = 1; births && population <= 2 && size <= available; ++population) {
        if (available - size < layout.operatorBytes())
            return -1;
        const qsizetype crossovers = crossoversIn(packed + size, layout.members);
        size += layout.fixedBirthBytes() + crossovers * layout.crossoverBytes();
    }
    return size <= available ? size : -1;
}

qsizetype ArchivedLineage::largestSize(int members, PatternShape shape)
{
    const LineageLayout layout(members, shape);
    return 8 * layout.members +
           2 * (layout.fixedBirthBytes() + layout.members * layout.crossoverBytes());
}

QString ArchivedLineage::problemOf(const char* packed, int members, PatternShape shape,
                                   bool births)
{
    const LineageLayout layout(members, shape);
    if (soundAt(packed, layout, shape, births))
        return {};
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
    qsizetype at = 8 * layout.members;
    for (int population = 1; population <= 2; ++population) {
        const char* operators = packed + at;
        const auto member = [population](qsizetype i) {
            return QStringLiteral("population %1's member %2").arg(population).arg(i);
        };
        for (qsizetype i = 0; i < layout.members; ++i)
            if (operatorCode(operators, i) > static_cast<unsigned>(BreedingOperator::Copy))
                return QStringLiteral("%1 was bred by operator 3, which is none").arg(member(i));
        const qsizetype unused = 4 * layout.operatorBytes() - layout.members;
        if (unused > 0 && (static_cast<unsigned char>(operators[layout.operatorBytes() - 1]) >>
                           (2 * (4 - unused))) != 0)
            return QStringLiteral("population %1's operators go on past its last member")
                .arg(population);
        // Read in place: a long archive has millions of births to check.
        const char* parents = operators + layout.operatorBytes();
        const char* crossing = parents + layout.members * layout.indexBytes;
        const qsizetype c = layout.coordinateBytes;
        for (qsizetype i = 0; i < layout.members; ++i) {
            std::uint32_t mate = 0;
            if (unsignedAt(parents + i * layout.indexBytes, layout.indexBytes) >=
                static_cast<std::uint32_t>(members))
                return QStringLiteral("%1's parents are no member").arg(member(i));
            if (operatorCode(operators, i) != 1)
                continue;
            mate = unsignedAt(crossing, layout.indexBytes);
            const char* corners = crossing + layout.indexBytes;
            const std::uint32_t x0 = unsignedAt(corners, c);
            const std::uint32_t x1 = unsignedAt(corners + c, c);
            const std::uint32_t y0 = unsignedAt(corners + 2 * c, c);
            const std::uint32_t y1 = unsignedAt(corners + 3 * c, c);
            crossing += layout.crossoverBytes();
            if (mate >= static_cast<std::uint32_t>(members))
                return QStringLiteral("%1's parents are no member").arg(member(i));
            if (x0 > x1 || x1 > static_cast<std::uint32_t>(shape.width) || y0 > y1 ||
                y1 > static_cast<std::uint32_t>(shape.height))
                return QStringLiteral("%1's crossover rectangle lies outside the pattern")
                    .arg(member(i));
        }
        at += layout.fixedBirthBytes() +
              crossoversIn(operators, layout.members) * layout.crossoverBytes();
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
    // Only this member's: a line of descent reads one birth a generation.
    const LineageLayout layout(members, shape);
    const char* packed = block.constData() + offset;
    const char* at =
        packed + (population == 1 ? 8 * layout.members : secondBirthsAt(packed, layout));
    const char* parents = at + layout.operatorBytes();
    Birth birth;
    birth.breedingOperator = static_cast<BreedingOperator>(operatorCode(at, member));
    birth.parent =
        static_cast<int>(unsignedAt(parents + member * layout.indexBytes, layout.indexBytes));
    if (birth.breedingOperator != BreedingOperator::Crossover)
        return birth;
    const char* crossing = parents + layout.members * layout.indexBytes +
                           crossoversIn(at, member) * layout.crossoverBytes();
    birth.mate = static_cast<int>(unsignedAt(crossing, layout.indexBytes));
    const char* corners = crossing + layout.indexBytes;
    const qsizetype c = layout.coordinateBytes;
    birth.rectangle = {static_cast<int>(unsignedAt(corners, c)),
                       static_cast<int>(unsignedAt(corners + c, c)),
                       static_cast<int>(unsignedAt(corners + 2 * c, c)),
                       static_cast<int>(unsignedAt(corners + 3 * c, c))};
    return birth;
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
    if (!hasBirths())
        return {};
    const LineageLayout layout(members, shape);
    const char* packed = block.constData() + offset;
    return birthsAt(packed + (population == 1 ? 8 * layout.members : secondBirthsAt(packed, layout)),
                    layout);
}

bool ArchivedLineage::operator==(const ArchivedLineage& other) const
{
    return members == other.members && shape.cells() == other.shape.cells() &&
           births == other.births && packedBytes() == other.packedBytes();
}
