#pragma once
// Small helpers shared by the test programs.

#include "board/StepThread.h"
#include "records/ArchiveFormat.h"

#include <QDir>
#include <QDirIterator>
#include <QEvent>
#include <QFontMetricsF>
#include <QObject>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QProcess>
#include <QString>
#include <QTest>
#include <QVector>

#include <functional>
#include <random>

// QCOMPARE compares floating point fuzzily; these values must match exactly.
#define COMPARE_EXACTLY(actual, expected)                                                          \
    do {                                                                                           \
        const double actualValue = (actual);                                                       \
        const double expectedValue = (expected);                                                   \
        QVERIFY2(actualValue == expectedValue, qPrintable(QStringLiteral("%1 != %2")               \
                                                              .arg(actualValue, 0, 'g', 17)        \
                                                              .arg(expectedValue, 0, 'g', 17)));   \
    } while (false)

// The board's cells row by row (a Board or a StepThread).
template <typename AnyBoard> QVector<int> cellsOf(const AnyBoard& board)
{
    QVector<int> cells;
    for (int y = 0; y < board.boardHeight(); ++y)
        for (int x = 0; x < board.boardWidth(); ++x)
            cells << board.cellAt(x, y);
    return cells;
}

// Counts the paint events of the widget it filters.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A program run to its end: exit code (-1 if it crashed or hung) and output.
struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QStringList errorLines;
};

// `inChild` runs in the child before the program starts, e.g. to limit it.
inline ProgramRun runProgram(const QString& program, const QStringList& arguments,
                             const std::function<void()>& inChild = {})
{
    QProcess process;
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(300000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.errorLines = QString::fromLocal8Bit(process.readAllStandardError())
                         .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

// A small experiment unlike the default in every number an archive or an
// analysis depends on.
inline ExperimentConfig oddTestConfig()
{
    ExperimentConfig config;
    config.populationSize = 23;
    config.matchesPerGeneration = 60;
    config.match.pattern = {6, 4};
    config.match.boardWidth = 50;
    config.match.boardHeight = 25;
    config.match.steps = 80;
    config.match.firstColumn = 1;
    config.match.firstRow = 2;
    config.match.secondColumn = 30;
    config.match.secondRow = 12;
    return config;
}

// The odd layout with odd numbers everywhere else too: 90 matches, rates
// 0.2 / 0.6 / 0.04 and a hall of fame of 2.
inline ExperimentConfig oddExperiment()
{
    ExperimentConfig config = oddTestConfig();
    config.matchesPerGeneration = 90;
    config.mutationThreshold = 0.2f;
    config.crossoverThreshold = 0.6f;
    config.mutationRate = 0.04f;
    config.hallOfFame = 2;
    return config;
}

// A random pattern of the shape, packed.
inline PackedPattern randomPackedPattern(std::mt19937_64& random, PatternShape shape = {})
{
    PackedPattern packed(static_cast<std::size_t>(packedBytesOf(shape)), '\0');
    for (char& byte : packed)
        byte = static_cast<char>(random());
    // Bits past the last cell stay clear, as packing leaves them.
    if (shape.cells() % 8 != 0)
        packed.back() = static_cast<char>(packed.back() & ((1 << (shape.cells() % 8)) - 1));
    return packed;
}

// An archive of `generations` generations of random patterns, numbered from
// `firstGeneration`, of the configuration's population and pattern shape.
inline QByteArray randomArchive(int generations, std::uint32_t seed,
                                const ExperimentConfig& config = ExperimentConfig(),
                                int firstGeneration = 1)
{
    std::mt19937_64 random(seed);
    const ArchiveHeader header = archiveHeaderOf(seed, QStringLiteral("test"), config);
    const PatternShape shape = config.match.pattern;
    QByteArray bytes = encodeArchiveHeader(header);
    for (int k = 0; k < generations; ++k) {
        ArchivedGeneration generation;
        generation.generation = firstGeneration + k;
        for (int k = 0; k < config.populationSize; ++k) {
            generation.population1.push_back(randomPackedPattern(random, shape));
            generation.population2.push_back(randomPackedPattern(random, shape));
        }
        generation.champion1 = static_cast<int>(random() % config.populationSize);
        generation.champion2 = static_cast<int>(random() % config.populationSize);
        bytes += encodeArchivedGeneration(generation, header);
    }
    return bytes;
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every file and folder under `folder`, hidden ones too, as paths relative to
// it, sorted: what a refused command must leave as it was.
inline QStringList treeUnder(const QString& folder)
{
    const QDir root(folder);
    QStringList paths;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << root.relativeFilePath(it.next());
    paths.sort();
    return paths;
}

// Text from outside as every error line shows it: a backslash, ESC with an
// OSC that would retitle a terminal, BEL, a C1 CSI and a bidi override. And
// the same as quotedText shows it.
inline QString hostileText()
{
    return QStringLiteral("x\\\x1b]0;pwned\a") + QChar(0x9b) + QStringLiteral("31m") +
           QChar(0x202e);
}
inline QString quotedHostileText()
{
    return QStringLiteral("x\\\\\\x1b]0;pwned\\x07\\u009b31m\\u202e");
}

// Where `text` holds a control character a terminal would obey (C0 but the
// line end that ends it, DEL, or a C1 control in UTF-8), or empty: what no
// error line may print.
inline QString controlCharacterIn(QByteArray text)
{
    if (text.endsWith('\n'))
        text.chop(1);
    for (qsizetype k = 0; k < text.size(); ++k) {
        const auto byte = static_cast<unsigned char>(text[k]);
        const bool c1 = byte == 0xc2 && k + 1 < text.size() &&
                        static_cast<unsigned char>(text[k + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[k + 1]) <= 0x9f;
        if (byte < 0x20 || byte == 0x7f || c1)
            return QStringLiteral("a control character at byte %1 of %2")
                .arg(k)
                .arg(QString::fromLatin1(text.toPercentEncoding()));
    }
    return {};
}

// The whole file, or nothing when it cannot be read.
inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A batch log cut back after the line of `generation`, as a resume expects
// it: what a run printed after the generation its checkpoint holds is
// printed again by the resumed run. Empty if that line is missing.
inline QByteArray logUpToGeneration(const QByteArray& log, int generation)
{
    const QByteArray line = "generation" + QByteArray::number(generation) + " average ";
    qsizetype at = 0;
    if (!log.startsWith(line)) {
        at = log.indexOf("\n" + line);
        if (at < 0)
            return {};
        ++at;
    }
    const qsizetype end = log.indexOf('\n', at);
    return end < 0 ? QByteArray() : log.left(end + 1);
}

// A piece of text a painting drew and the rectangle it covers on the device:
// its advance, from its ascent to its descent, through the painter's
// transformation.
struct PaintedText {
    QString text;
    QRectF rect;
};

// A device that keeps the text painted on it and draws nothing else: what a
// chart or a pane wrote, and where, read back from the painting itself.
class TextRecordingDevice : public QPaintDevice
{
public:
    explicit TextRecordingDevice(const QSize& size) : size(size) {}
    QPaintEngine* paintEngine() const override { return &engine; }
    const std::vector<PaintedText>& texts() const { return engine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return size.width();
        case PdmHeight:
            return size.height();
        case PdmWidthMM:
            return size.width() * 254 / 960;
        case PdmHeightMM:
            return size.height() * 254 / 960;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return 0x7fffffff;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return 96;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& state) override
        {
            if (state.state() & QPaintEngine::DirtyTransform)
                transform = state.transform();
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawImage(const QRectF&, const QImage&, const QRectF&,
                       Qt::ImageConversionFlags) override
        {
        }
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawRects(const QRectF*, int) override {}
        void drawLines(const QLineF*, int) override {}
        void drawEllipse(const QRectF&) override {}
        void drawTextItem(const QPointF& point, const QTextItem& item) override
        {
            const QFontMetricsF metrics(item.font());
            const QRectF rect(point.x(), point.y() - metrics.ascent(), item.width(),
                              metrics.ascent() + metrics.descent());
            texts.push_back({item.text(), transform.mapRect(rect)});
        }
        Type type() const override { return QPaintEngine::User; }

        std::vector<PaintedText> texts;
        QTransform transform;
    };

    QSize size;
    mutable Engine engine;
};

// The texts `paint` draws into a device of `size`.
inline std::vector<PaintedText> paintedTexts(const QSize& size,
                                             const std::function<void(QPainter&)>& paint)
{
    TextRecordingDevice device(size);
    QPainter painter(&device);
    paint(painter);
    painter.end();
    return device.texts();
}

// The first problem with texts painted in `area`: one outside it, two on
// top of each other (beyond a pixel of their line's leading), or, where
// `whole`, one shortened with an ellipsis; empty when there is none.
inline QString textLayoutProblem(const std::vector<PaintedText>& texts, const QRectF& area,
                                 bool whole)
{
    const auto ink = [](const QRectF& rect) { return rect.adjusted(1, 1, -1, -1); };
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const PaintedText& text = texts[k];
        if (!area.adjusted(-0.5, -0.5, 0.5, 0.5).contains(text.rect))
            return QStringLiteral("'%1' leaves the pane").arg(text.text);
        if (whole && text.text.contains(QChar(0x2026)))
            return QStringLiteral("'%1' is cut").arg(text.text);
        for (std::size_t other = 0; other < k; ++other)
            if (ink(text.rect).intersects(ink(texts[other].rect)))
                return QStringLiteral("'%1' overlaps '%2'").arg(text.text, texts[other].text);
    }
    return {};
}
