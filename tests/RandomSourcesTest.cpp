// The two process-wide sources against the published MT19937 sequence (the
// standard library's std::mt19937 serves as the independent reference).
#include "random/RandomSources.h"
#include "TestSupport.h"

#include <QTest>

#include <cmath>
#include <cstdint>
#include <ctime>
#include <random>

namespace
{

double timesTwoToMinus32(std::uint32_t x)
{
    return std::ldexp(static_cast<double>(x), -32);
}

// A stand-in engine that yields one fixed output and counts its calls, to see
// how the distribution turns outputs into doubles.
struct FixedEngine {
    using result_type = std::uint32_t;
    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return 0xFFFFFFFFu; }
    result_type operator()()
    {
        ++calls;
        return value;
    }
    result_type value = 0;
    int calls = 0;
};

} // namespace

class RandomSourcesTest : public QObject
{
    Q_OBJECT

private slots:
    void referenceOutputsForDefaultSeed();
    void integerSourceFollowsPublishedSequence_data();
    void integerSourceFollowsPublishedSequence();
    void firstRealDrawIsFirstOutputScaled_data();
    void firstRealDrawIsFirstOutputScaled();
    void sourcesAdvanceIndependently_data();
    void sourcesAdvanceIndependently();
    void uniformRealUsesOneOutputPerDouble_data();
    void uniformRealUsesOneOutputPerDouble();
    void reseedRestartsBothSources();
    void clockSeedIsLowBitsOfSeconds();
};

void RandomSourcesTest::referenceOutputsForDefaultSeed()
{
    reseedRandomSources(5489u);
    QCOMPARE(integerSource(), 3499211612u);
    for (int i = 2; i < 10000; ++i)
        integerSource();
    QCOMPARE(integerSource(), 4123659995u);
}

void RandomSourcesTest::integerSourceFollowsPublishedSequence_data()
{
    QTest::addColumn<std::uint32_t>("seed");
    QTest::newRow("zero") << 0u;
    QTest::newRow("one") << 1u;
    QTest::newRow("12345") << 12345u;
    QTest::newRow("all bits") << 0xFFFFFFFFu;
}

void RandomSourcesTest::integerSourceFollowsPublishedSequence()
{
    QFETCH(std::uint32_t, seed);
    reseedRandomSources(seed);
    std::mt19937 reference(seed);
    for (int i = 0; i < 2000; ++i) {
        const std::uint32_t expected = reference();
        const std::uint32_t actual = integerSource();
        if (actual != expected)
            QFAIL(qPrintable(QStringLiteral("output %1 differs").arg(i + 1)));
    }
}

void RandomSourcesTest::firstRealDrawIsFirstOutputScaled_data()
{
    integerSourceFollowsPublishedSequence_data();
}

void RandomSourcesTest::firstRealDrawIsFirstOutputScaled()
{
    QFETCH(std::uint32_t, seed);
    reseedRandomSources(seed);
    std::mt19937 reference(seed);
    const double draw = realSource();
    COMPARE_EXACTLY(draw, timesTwoToMinus32(reference()));
    // The real source runs on its own copy: the integer source is untouched.
    QCOMPARE(integerSource(), std::mt19937(seed)());
}

void RandomSourcesTest::sourcesAdvanceIndependently_data()
{
    QTest::addColumn<int>("integerDraws");
    QTest::addColumn<int>("realDraws");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("integers only") << 7 << 0;
    QTest::newRow("reals only") << 0 << 5;
    QTest::newRow("more integers") << 700 << 3;
    QTest::newRow("more reals") << 2 << 1300;
}

void RandomSourcesTest::sourcesAdvanceIndependently()
{
    QFETCH(int, integerDraws);
    QFETCH(int, realDraws);
    const std::uint32_t seed = 20240u;
    reseedRandomSources(seed);
    // Interleave so that neither source can lean on the other's position.
    int madeInteger = 0;
    int madeReal = 0;
    while (madeInteger < integerDraws || madeReal < realDraws) {
        if (madeInteger < integerDraws) {
            integerSource();
            ++madeInteger;
        }
        if (madeReal < realDraws) {
            realSource();
            ++madeReal;
        }
    }
    std::mt19937 reference(seed);
    reference.discard(static_cast<unsigned long long>(integerDraws));
    QCOMPARE(integerSource(), reference());
    std::mt19937 realReference(seed);
    realReference.discard(static_cast<unsigned long long>(realDraws));
    COMPARE_EXACTLY(realSource(), timesTwoToMinus32(realReference()));
}

void RandomSourcesTest::uniformRealUsesOneOutputPerDouble_data()
{
    QTest::addColumn<std::uint32_t>("output");
    QTest::newRow("zero") << 0u;
    QTest::newRow("one") << 1u;
    QTest::newRow("half") << 0x80000000u;
    QTest::newRow("odd") << 0x12345679u;
    QTest::newRow("largest") << 0xFFFFFFFFu;
}

void RandomSourcesTest::uniformRealUsesOneOutputPerDouble()
{
    QFETCH(std::uint32_t, output);
    FixedEngine engine;
    engine.value = output;
    boost::uniform_real<> distribution(0.0, 1.0);
    const double draw = distribution(engine);
    QCOMPARE(engine.calls, 1);
    COMPARE_EXACTLY(draw, timesTwoToMinus32(output));
    QVERIFY(draw < 1.0);
}

void RandomSourcesTest::reseedRestartsBothSources()
{
    reseedRandomSources(777u);
    const std::uint32_t firstInteger = integerSource();
    const double firstReal = realSource();
    for (int i = 0; i < 50; ++i) {
        integerSource();
        realSource();
    }
    // The real source is rebuilt on the freshly seeded engine, not on the
    // integer source as it stood before reseeding.
    reseedRandomSources(777u);
    COMPARE_EXACTLY(realSource(), firstReal);
    QCOMPARE(integerSource(), firstInteger);
    std::mt19937 reference(777u);
    reference();
    COMPARE_EXACTLY(realSource(), timesTwoToMinus32(reference()));
}

void RandomSourcesTest::clockSeedIsLowBitsOfSeconds()
{
    // The seed's clock is time(), which glibc reads from the coarse clock: it
    // can lag QDateTime's by a second just after a boundary, so compare with
    // time() itself.
    const auto before = static_cast<std::uint64_t>(std::time(nullptr));
    const std::uint32_t seed = clockSeed();
    const auto after = static_cast<std::uint64_t>(std::time(nullptr));
    QVERIFY(seed == static_cast<std::uint32_t>(before) ||
            seed == static_cast<std::uint32_t>(after));
}

QTEST_APPLESS_MAIN(RandomSourcesTest)
#include "RandomSourcesTest.moc"
