// What experiments leave behind: RLE patterns read back by an independent
// reader, the rule table checked against the board's own rule and replayed,
// the CSV log against the progress lines, the fitness plot's pixels,
// checkpoints that resume a worker exactly, and files that are complete or
// absent, never half written.
#include "RecordsTestSupport.h"
#include "analysis/ChampionGrid.h"
#include "analysis/RunFolders.h"
#include "batch/ExperimentRecorder.h"
#include "board/Board.h"
#include "board/Match.h"
#include "charts/CiaoPlot.h"
#include "charts/ComparePlot.h"
#include "charts/CrossplayPlot.h"
#include "charts/FitnessPlot.h"
#include "charts/MasterPlot.h"
#include "charts/SummaryPlot.h"
#include "evolution/LifegameThread.h"
#include "evolution/ProgressLine.h"
#include "output/AtomicFile.h"
#include "random/RandomSources.h"
#include "records/CheckpointFormat.h"
#include "records/CsvLog.h"
#include "records/FormerCheckpoint.h"
#include "records/GenerationRecord.h"
#include "records/RleWriter.h"
#include "records/RuleTableWriter.h"
#include "view/SpriteTiles.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A reader for the RLE subset the writers use: "#" lines, the header, run
// counts, b/o and ./A/B states, "$" and "!".
struct RleGrid {
    int width = 0;
    int height = 0;
    QString rule;
    QStringList comments;
    std::vector<int> cells;
    int at(int x, int y) const { return cells[x + width * y]; }
};

bool readRle(const QString& text, RleGrid& grid)
{
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    static const QRegularExpression headerPattern(
        QStringLiteral("^x = (\\d+), y = (\\d+), rule = (\\S+)$"));
    int k = 0;
    for (; k < lines.size() && lines[k].startsWith(QLatin1Char('#')); ++k)
        grid.comments << lines[k];
    if (k == lines.size())
        return false;
    const QRegularExpressionMatch header = headerPattern.match(lines[k++]);
    if (!header.hasMatch())
        return false;
    grid.width = header.captured(1).toInt();
    grid.height = header.captured(2).toInt();
    grid.rule = header.captured(3);
    grid.cells.assign(static_cast<std::size_t>(grid.width * grid.height), 0);

    int x = 0;
    int y = 0;
    int count = 0;
    for (; k < lines.size(); ++k) {
        for (QChar c : lines[k]) {
            if (c.isDigit()) {
                count = count * 10 + c.digitValue();
                continue;
            }
            const int run = count == 0 ? 1 : count;
            count = 0;
            if (c == QLatin1Char('!'))
                return true;
            if (c == QLatin1Char('$')) {
                y += run;
                x = 0;
                continue;
            }
            int state = -1;
            if (c == QLatin1Char('b') || c == QLatin1Char('.'))
                state = 0;
            else if (c == QLatin1Char('o') || c == QLatin1Char('A'))
                state = 1;
            else if (c == QLatin1Char('B'))
                state = 2;
            if (state < 0 || x + run > grid.width || y >= grid.height)
                return false;
            for (int r = 0; r < run; ++r)
                grid.cells[static_cast<std::size_t>(x++ + grid.width * y)] = state;
        }
    }
    return false; // no "!"
}

int longestLine(const QString& text)
{
    int longest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        longest = std::max(longest, static_cast<int>(line.size()));
    return longest;
}

// A RuleTable as a lookup: with permutation symmetry a transition is its own
// state, the multiset of its neighbours and its result.
struct RuleTable {
    QStringList settings;
    std::map<std::vector<int>, int> transitions; // {own, N0, N1, N2} -> next
    std::map<int, QColor> colours;
    bool conflicting = false;

    int next(int own, int n1, int n2) const
    {
        const auto found = transitions.find({own, 8 - n1 - n2, n1, n2});
        return found == transitions.end() ? own : found->second;
    }
};

bool readRuleTable(const QString& text, RuleTable& table)
{
    QString section;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('@'))) {
            section = line.section(QLatin1Char(' '), 0, 0);
            continue;
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (section == QStringLiteral("@TABLE")) {
            if (line.contains(QLatin1Char(':'))) {
                table.settings << line;
                continue;
            }
            const QStringList fields = line.split(QLatin1Char(','));
            if (fields.size() != 10)
                return false;
            std::vector<int> key(4, 0);
            for (int f = 0; f < 10; ++f) {
                bool ok = false;
                const int state = fields[f].toInt(&ok);
                if (!ok || state < 0 || state > 2)
                    return false;
                if (f == 0)
                    key[0] = state;
                else if (f < 9)
                    ++key[1 + state];
            }
            const int next = fields[9].toInt();
            const auto [where, added] = table.transitions.emplace(key, next);
            if (!added && where->second != next)
                table.conflicting = true;
        } else if (section == QStringLiteral("@COLORS")) {
            const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (fields.size() != 4)
                return false;
            table.colours[fields[0].toInt()] =
                QColor(fields[1].toInt(), fields[2].toInt(), fields[3].toInt());
        }
    }
    return true;
}

void sizeBoard(Board& board, int width, int height)
{
    board.setWidth(width);
    board.setHeight(height);
    board.reset();
}

QString readText(const QString& path)
{
    return QString::fromUtf8(fileBytes(path));
}

// A path no one can write, even root: its parent is a regular file.
QString pathUnderRegularFile(const QTemporaryDir& dir, const QString& name)
{
    const QString blocker = dir.filePath(QStringLiteral("plain-file"));
    QFile file(blocker);
    if (file.open(QIODevice::WriteOnly))
        file.write("in the way\n");
    return blocker + QLatin1Char('/') + name;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// What the worker reports of each generation up to `lastGeneration`.
QVector<GenerationReport> playUpTo(LifegameThread& worker, int lastGeneration)
{
    QVector<GenerationReport> reports;
    QObject::connect(
        &worker, &LifegameThread::generationPlayed, &worker,
        [&](const GenerationReport& report) { reports << report; }, Qt::DirectConnection);
    worker.stopAfterGeneration(lastGeneration);
    worker.start();
    worker.wait();
    return reports;
}

bool samePlay(const GenerationReport& a, const GenerationReport& b)
{
    return std::tie(a.generation, a.matchesPlayed, a.scoreSums, a.bestScores, a.bestPatterns,
                    a.populations, a.scores, a.champions) ==
           std::tie(b.generation, b.matchesPlayed, b.scoreSums, b.bestScores, b.bestPatterns,
                    b.populations, b.scores, b.champions);
}

// A chart painted into an area; its panels.
using ChartPainter = std::function<std::vector<QRect>(QPainter&, const QRect&)>;

std::vector<QRect> panelsOf(const ChartLayout& layout)
{
    std::vector<QRect> panels;
    for (const ChartScale& panel : layout.panels)
        panels.push_back(panel.area);
    return panels;
}

// Champions of generations 2, 4, ... 12, random patterns, played.
const std::vector<int> gridGenerations{2, 4, 6, 8, 10, 12};
ChampionGrid playedGrid()
{
    std::mt19937_64 random(5);
    std::vector<PackedPattern> champions1;
    std::vector<PackedPattern> champions2;
    for (std::size_t k = 0; k < gridGenerations.size(); ++k) {
        champions1.push_back(randomPackedPattern(random));
        champions2.push_back(randomPackedPattern(random));
    }
    ChampionGrid grid(champions1, champions2);
    Board board;
    for (int row = 0; row < grid.rowCount(); ++row)
        grid.playRow(row, board);
    return grid;
}

// 30 generations whose quartiles rise with the generation, the best scores
// `bestFactor` times the averages, over 3 runs.
std::vector<SummaryRow> risingRows(double bestFactor = 1.0)
{
    std::vector<SummaryRow> rows;
    for (int g = 1; g <= 30; ++g) {
        const Quartiles q{0.0, g * 0.5, g * 1.0, g * 1.5, g * 2.0};
        const Quartiles best{0.0, q.lower * bestFactor, q.median * bestFactor, q.upper * bestFactor,
                             q.maximum * bestFactor};
        rows.push_back({g, 3, q, q, best, best, {}});
    }
    return rows;
}

// Where a chart's change is looked for: one of its panels (0, 1, ...), or
// the rows above or below them all.
constexpr int abovePanels = -1;
constexpr int belowPanels = -2;

// Where the tests paint a chart: the size of a window's chart, not of any
// chart's image, off the corner of the image.
const QRect paintArea(30, 20, 700, 400);
QImage paintImage()
{
    QImage image(760, 440, QImage::Format_ARGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

Q_DECLARE_METATYPE(ChartPainter)

Q_DECLARE_METATYPE(ExperimentConfig)

class ExperimentsTest : public QObject
{
    Q_OBJECT

private slots:
    void patternRleOfKnownPatterns_data();
    void patternRleOfKnownPatterns();
    void patternRleRoundTrip();
    void boardRleRoundTrip_data();
    void boardRleRoundTrip();
    void duelIsTheStampedMatchBoard();

    void ruleTableAgreesWithNextState();
    void ruleTableReplaysDuels_data();
    void ruleTableReplaysDuels();
    void ruleTableColoursAreTheTiles();

    void csvRowsMatchProgressLines();
    void csvLogKeepsUnfinishedRowsApart();
    void exportWritesPatternsOfTheRun();
    void checkpointResumesWorker_data();
    void checkpointResumesWorker();

    void plotHasSizeAndSeriesColours();
    void plotOfShortHistories_data();
    void plotOfShortHistories();
    void scaleReadsPixelsBack_data();
    void scaleReadsPixelsBack();
    void chartsPaintIntoTheirArea_data();
    void chartsPaintIntoTheirArea();
    void chartsSayWhatTheyCompare_data();
    void chartsSayWhatTheyCompare();
    void runsAreNamedByTheirFolder_data();
    void runsAreNamedByTheirFolder();
    void ciaoCellUnderAPixel_data();
    void ciaoCellUnderAPixel();
    void ciaoColoursOutlastAnOutlier_data();
    void ciaoColoursOutlastAnOutlier();

    void atomicWriteReplacesWholeFile();
    void unwritablePlacesGiveErrorsAndNoFiles_data();
    void unwritablePlacesGiveErrorsAndNoFiles();

private:
    QTemporaryDir temp;
};

void ExperimentsTest::patternRleOfKnownPatterns_data()
{
    QTest::addColumn<QList<QPoint>>("cells");
    QTest::addColumn<QString>("body");
    QTest::newRow("glider") << QList<QPoint>{{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}
                            << QStringLiteral("bo$2bo$3o!");
    QTest::newRow("empty") << QList<QPoint>{} << QStringLiteral("!");
    QTest::newRow("empty rows merged")
        << QList<QPoint>{{0, 1}, {7, 1}, {3, 3}} << QStringLiteral("$o6bo2$3bo!");
    QList<QPoint> bottomRow;
    for (int x = 0; x < patternWidth; ++x)
        bottomRow << QPoint(x, 5);
    QTest::newRow("bottom row only") << bottomRow << QStringLiteral("5$8o!");
    QList<QPoint> all;
    for (int y = 0; y < patternHeight; ++y)
        for (int x = 0; x < patternWidth; ++x)
            all << QPoint(x, y);
    QTest::newRow("full") << all << QStringLiteral("8o$8o$8o$8o$8o$8o!");
}

void ExperimentsTest::patternRleOfKnownPatterns()
{
    QFETCH(QList<QPoint>, cells);
    QFETCH(QString, body);
    Pattern pattern = makePattern();
    for (const QPoint& cell : cells)
        pattern[cell.x() + patternWidth * cell.y()] = 1;
    QCOMPARE(patternRle(pattern, {QStringLiteral("seed 7"), QStringLiteral("generation 3")}),
             QStringLiteral("#C seed 7\n#C generation 3\nx = 8, y = 6, rule = B3/S23\n") + body +
                 QLatin1Char('\n'));
}

void ExperimentsTest::patternRleRoundTrip()
{
    std::mt19937 random(2024);
    for (int k = 0; k < 300; ++k) {
        const Pattern pattern = randomPattern(random, (k % 10) / 9.0);
        const QString text = patternRle(pattern, {QStringLiteral("round trip %1").arg(k)});
        RleGrid grid;
        QVERIFY2(readRle(text, grid), qPrintable(text));
        QCOMPARE(grid.width, patternWidth);
        QCOMPARE(grid.height, patternHeight);
        QCOMPARE(grid.rule, QStringLiteral("B3/S23"));
        QCOMPARE(grid.comments, QStringList{QStringLiteral("#C round trip %1").arg(k)});
        for (int c = 0; c < patternCells; ++c)
            QCOMPARE(grid.cells[c], pattern[c]);
        QVERIFY(longestLine(text) <= rleLineLimit);
    }
}

void ExperimentsTest::boardRleRoundTrip_data()
{
    QTest::addColumn<double>("density");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("empty board") << 0.0 << 100 << 15;
    QTest::newRow("sparse") << 0.1 << 100 << 15;
    QTest::newRow("half") << 0.5 << 100 << 15;
    QTest::newRow("dense") << 0.95 << 100 << 15;
    QTest::newRow("tall and narrow") << 0.5 << 7 << 40;
}

void ExperimentsTest::boardRleRoundTrip()
{
    QFETCH(double, density);
    QFETCH(int, width);
    QFETCH(int, height);
    std::mt19937 random(static_cast<unsigned>(density * 1000) + width);
    std::bernoulli_distribution alive(density);
    Board board;
    sizeBoard(board, width, height);
    std::vector<int> expected;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int code = alive(random) ? 1 + static_cast<int>(random() % 2) : 0;
            // A stray code is empty to the board's rule, and so in the file.
            if (x == 3 && y == 2)
                code = 7;
            board.setCell(x, y, code);
            expected.push_back(code == 7 ? 0 : code);
        }
    const QString text = boardRle(board, {QStringLiteral("board")});
    RleGrid grid;
    QVERIFY2(readRle(text, grid), qPrintable(text));
    QCOMPARE(grid.width, width);
    QCOMPARE(grid.height, height);
    QCOMPARE(grid.rule, QStringLiteral("Coevolife:T%1,%2").arg(width).arg(height));
    QCOMPARE(grid.cells, expected);
    QVERIFY(longestLine(text) <= rleLineLimit);
    if (density == 0.5 && width == 100)
        QVERIFY(text.count(QLatin1Char('\n')) > 5); // the body had to be wrapped
}

void ExperimentsTest::duelIsTheStampedMatchBoard()
{
    std::mt19937 random(77);
    for (int k = 0; k < 20; ++k) {
        const Pattern first = randomPattern(random, 0.3 + 0.03 * k);
        const Pattern second = randomPattern(random, 0.9 - 0.03 * k);
        // A match board as the worker prepares one.
        Board match;
        prepareMatchBoard(match);
        setUpMatch(match, first, second);

        const QString text = duelRle(first, second, {QStringLiteral("duel")});
        RleGrid grid;
        QVERIFY2(readRle(text, grid), qPrintable(text));
        QCOMPARE(grid.width, 100);
        QCOMPARE(grid.height, 15);
        QCOMPARE(grid.rule, QStringLiteral("Coevolife:T100,15"));
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 100; ++x)
                QCOMPARE(grid.at(x, y), match.cellAt(x, y));
        QVERIFY(longestLine(text) <= rleLineLimit);
    }
}

void ExperimentsTest::ruleTableAgreesWithNextState()
{
    RuleTable table;
    QVERIFY(readRuleTable(coevolifeRuleTable(), table));
    QVERIFY(coevolifeRuleTable().startsWith(QStringLiteral("@RULE Coevolife\n")));
    QCOMPARE(table.settings,
             (QStringList{QStringLiteral("n_states:3"), QStringLiteral("neighborhood:Moore"),
                          QStringLiteral("symmetries:permute")}));
    QVERIFY(!table.conflicting);
    QVERIFY(!table.transitions.empty());

    // Every combination, with the neighbours scattered over the eight places
    // in several orders, on a board larger than the neighbourhood.
    static const QPoint around[8] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0},
                                     {1, 1},   {0, 1},  {-1, 1}, {-1, 0}};
    std::mt19937 random(5);
    Board board;
    int combinations = 0;
    for (int own = 0; own < 3; ++own)
        for (int n1 = 0; n1 <= 8; ++n1)
            for (int n2 = 0; n1 + n2 <= 8; ++n2) {
                ++combinations;
                for (int arrangement = 0; arrangement < 4; ++arrangement) {
                    std::vector<int> codes(8, 0);
                    std::fill_n(codes.begin(), n1, 1);
                    std::fill_n(codes.begin() + n1, n2, 2);
                    std::shuffle(codes.begin(), codes.end(), random);
                    sizeBoard(board, 6, 5);
                    board.setCell(2, 2, own);
                    for (int k = 0; k < 8; ++k)
                        board.setCell(2 + around[k].x(), 2 + around[k].y(), codes[k]);
                    const int expected = board.nextState(2, 2);
                    QVERIFY2(table.next(own, n1, n2) == expected,
                             qPrintable(QStringLiteral("own %1, N1 %2, N2 %3: table %4, rule %5")
                                            .arg(own)
                                            .arg(n1)
                                            .arg(n2)
                                            .arg(table.next(own, n1, n2))
                                            .arg(expected)));
                }
            }
    QCOMPARE(combinations, 3 * 45);
}

void ExperimentsTest::ruleTableReplaysDuels_data()
{
    QTest::addColumn<unsigned>("seed");
    // Another layout: its board, steps, pattern shape and placements.
    QTest::addColumn<bool>("odd");
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u})
        QTest::newRow(qPrintable(QStringLiteral("duel %1").arg(seed))) << seed << false;
    for (unsigned seed : {7u, 8u})
        QTest::newRow(qPrintable(QStringLiteral("odd layout duel %1").arg(seed))) << seed << true;
}

// A simulator that knows nothing but the two files plays the duel as the
// board does, to the last cell after a whole match.
void ExperimentsTest::ruleTableReplaysDuels()
{
    QFETCH(unsigned, seed);
    QFETCH(bool, odd);
    const MatchLayout layout = odd ? oddTestConfig().match : MatchLayout();
    std::mt19937 random(seed);
    // Patterns of fewer cells use the first of these.
    const Pattern first = randomPattern(random, 0.5);
    const Pattern second = randomPattern(random, 0.5);

    RuleTable table;
    QVERIFY(readRuleTable(coevolifeRuleTable(), table));
    RleGrid grid;
    QVERIFY(readRle(duelRle(first, second, {}, layout), grid));
    const QRegularExpressionMatch torus =
        QRegularExpression(QStringLiteral("^Coevolife:T(\\d+),(\\d+)$")).match(grid.rule);
    QVERIFY(torus.hasMatch());
    const int width = torus.captured(1).toInt();
    const int height = torus.captured(2).toInt();
    QCOMPARE(width, grid.width);
    QCOMPARE(height, grid.height);

    QCOMPARE(width, layout.boardWidth);
    QCOMPARE(height, layout.boardHeight);

    std::vector<int> cells = grid.cells;
    for (int step = 0; step < layout.steps; ++step) {
        std::vector<int> next(cells.size());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                int counts[3] = {0, 0, 0};
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (dx != 0 || dy != 0)
                            ++counts[cells[(x + dx + width) % width +
                                           width * ((y + dy + height) % height)]];
                next[x + width * y] = table.next(cells[x + width * y], counts[1], counts[2]);
            }
        cells.swap(next);
    }

    Board match;
    playMatch(match, first, second, layout);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            QCOMPARE(cells[x + width * y], match.cellAt(x, y));
}

void ExperimentsTest::ruleTableColoursAreTheTiles()
{
    RuleTable table;
    QVERIFY(readRuleTable(coevolifeRuleTable(), table));
    const QImage tiles = drawSpriteTiles();
    QCOMPARE(table.colours.size(), std::size_t(3));
    QCOMPARE(table.colours[0], QColor(Qt::white));
    // The sheet's right tile is the first species, the left one the second.
    QCOMPARE(table.colours[1], tiles.pixelColor(12, 4));
    QCOMPARE(table.colours[2], tiles.pixelColor(4, 4));
}

void ExperimentsTest::csvRowsMatchProgressLines()
{
    const QString path = temp.filePath(QStringLiteral("fitness.csv"));
    const QString partial = CsvLog::partialPathOf(path);
    reseedRandomSources(12345);
    LifegameThread worker;
    CsvLog log;
    QCOMPARE(log.open(path), QString());

    QStringList lines;
    QStringList errors;
    QList<int> partialLineCounts;
    connect(
        &worker, &LifegameThread::sendMessage, &worker,
        [&](const QString& line) {
            if (line != stoppedLine)
                lines << line;
        },
        Qt::DirectConnection);
    connect(
        &worker, &LifegameThread::generationPlayed, &worker,
        [&](const GenerationReport& report) {
            errors << log.append(generationRecord(report));
            // Each row must be on disk before the next generation starts.
            partialLineCounts << readText(partial).count(QLatin1Char('\n'));
            if (errors.size() == 3)
                worker.requestStop();
        },
        Qt::DirectConnection);
    worker.start();
    QVERIFY(worker.wait(120000));

    QCOMPARE(errors, QStringList(3, QString()));
    QCOMPARE(partialLineCounts, (QList<int>{2, 3, 4}));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(log.finish(), QString());
    QVERIFY(!QFile::exists(partial));

    const QStringList rows = readText(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 4);
    compareCsvWithLines(rows, lines);
    // The averages are not all round numbers, so precision beyond the
    // progress line shows somewhere.
    QVERIFY(
        rows.join(QLatin1Char('\n')).contains(QRegularExpression(QStringLiteral("\\.\\d{6,}"))));
}

void ExperimentsTest::csvLogKeepsUnfinishedRowsApart()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an earlier complete log\n");
    }
    {
        CsvLog log;
        QCOMPARE(log.open(path), QString());
        QCOMPARE(log.append(GenerationRecord{1, 0.5, 0.25, 3.0, 2.0}), QString());
        QVERIFY(QFile::exists(CsvLog::partialPathOf(path)));
    } // never finished: the partial log stays, for a resume or a reader
    QCOMPARE(readText(path), QStringLiteral("an earlier complete log\n"));
    QCOMPARE(readText(CsvLog::partialPathOf(path)),
             QStringLiteral("generation,average1,average2,best1,best2\n1,0.5,0.25,3,2\n"));

    CsvLog log;
    QCOMPARE(log.open(path), QString());
    QCOMPARE(log.append(GenerationRecord{4, 0.1, 0.2, 0.3, 1e9}), QString());
    QCOMPARE(log.finish(), QString());
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("log.csv")});
    QCOMPARE(readText(path),
             QStringLiteral("generation,average1,average2,best1,best2\n4,0.1,0.2,0.3,1e+09\n"));
}

void ExperimentsTest::exportWritesPatternsOfTheRun()
{
    reseedRandomSources(99);
    LifegameThread worker;
    connect(
        &worker, &LifegameThread::sendMessage, &worker,
        [&](const QString&) { worker.requestStop(); }, Qt::DirectConnection);
    worker.start();
    QVERIFY(worker.wait(120000));

    const QString folder = temp.filePath(QStringLiteral("export/nested"));
    QCOMPARE(exportPatterns(folder, bestPatternsOf(worker.saveState()), 99), QString());
    QCOMPARE(filesIn(folder),
             (QStringList{QStringLiteral("Coevolife.rule"), QStringLiteral("best1.rle"),
                          QStringLiteral("best2.rle"), QStringLiteral("duel.rle")}));
    for (int population : {1, 2}) {
        RleGrid grid;
        QVERIFY(readRle(
            readText(QDir(folder).filePath(QStringLiteral("best%1.rle").arg(population))), grid));
        const Pattern best = worker.evolution().bestPatternOf(population);
        for (int c = 0; c < patternCells; ++c)
            QCOMPARE(grid.cells[c], best[c]);
        const QString comments = grid.comments.join(QLatin1Char('\n'));
        QVERIFY(comments.contains(QStringLiteral("#C seed 99")));
        QVERIFY(comments.contains(QStringLiteral("#C generation 1")));
        QVERIFY(comments.contains(
            QStringLiteral("#C best score %1")
                .arg(QString::asprintf("%.9g",
                                       static_cast<double>(worker.evolution().bestScoreOf(population))))));
    }
    RleGrid duel;
    QVERIFY(readRle(readText(QDir(folder).filePath(QStringLiteral("duel.rle"))), duel));
    Board match;
    prepareMatchBoard(match);
    setUpMatch(match, worker.evolution().bestPatternOf(1), worker.evolution().bestPatternOf(2));
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 100; ++x)
            QCOMPARE(duel.at(x, y), match.cellAt(x, y));
    QCOMPARE(readText(QDir(folder).filePath(QStringLiteral("Coevolife.rule"))),
             coevolifeRuleTable());

    const QString blocked = pathUnderRegularFile(temp, QStringLiteral("export"));
    QVERIFY(!exportPatterns(blocked, bestPatternsOf(worker.saveState()), 99).isEmpty());
}

void ExperimentsTest::checkpointResumesWorker_data()
{
    QTest::addColumn<ExperimentConfig>("config");
    QTest::addColumn<int>("formatVersion");
    QTest::newRow("default experiment") << ExperimentConfig() << 3;
    QTest::newRow("small odd experiment with a hall of fame") << oddExperiment() << 3;
    // As the programs before version 3 wrote them.
    QTest::newRow("default experiment, format 1") << ExperimentConfig() << 1;
    QTest::newRow("small odd experiment, format 2") << oddExperiment() << 2;
}

void ExperimentsTest::checkpointResumesWorker()
{
    QFETCH(ExperimentConfig, config);
    QFETCH(int, formatVersion);
    const int stoppedAt = 3;
    const int lastGeneration = 5;
    reseedRandomSources(41);
    LifegameThread neverStopped(config);
    const QVector<GenerationReport> expected = playUpTo(neverStopped, lastGeneration);
    QCOMPARE(expected.size(), lastGeneration);

    reseedRandomSources(41);
    LifegameThread stopped(config);
    QCOMPARE(playUpTo(stopped, stoppedAt).size(), stoppedAt);
    Checkpoint checkpoint;
    checkpoint.config = config;
    checkpoint.seed = 41;
    checkpoint.generationsAsked = lastGeneration;
    checkpoint.csvPath = QStringLiteral("/runs/fitness.csv");
    checkpoint.evolution = stopped.saveState();
    checkpoint.randomSources = randomSourcesState();
    const auto encode = formatVersion == static_cast<int>(checkpointFormatVersion)
                            ? encodeCheckpoint
                            : encodeFormerCheckpoint;
    const QByteArray bytes = encode(checkpoint);
    QCOMPARE(qFromLittleEndian<std::uint32_t>(bytes.constData() + 8),
             static_cast<std::uint32_t>(formatVersion));
    QString error;
    const std::optional<Checkpoint> read = decodeCheckpoint(bytes, error);
    QVERIFY2(read, qPrintable(error));
    QVERIFY(read->config == config);
    QCOMPARE(static_cast<int>(read->evolution.hall2.size()), config.hallOfFame > 0 ? stoppedAt : 0);
    // Every part of the state is written, so a changed part would show here.
    QVERIFY(encode(*read) == bytes);

    LifegameThread resumed(read->config);
    resumed.restoreState(read->evolution);
    QVERIFY(restoreRandomSources(read->randomSources));
    const QVector<GenerationReport> rest = playUpTo(resumed, lastGeneration);
    QCOMPARE(rest.size(), lastGeneration - stoppedAt);
    for (int k = 0; k < rest.size(); ++k)
        QVERIFY2(samePlay(rest[k], expected[stoppedAt + k]),
                 qPrintable(QStringLiteral("generation %1").arg(rest[k].generation)));
}

void ExperimentsTest::plotHasSizeAndSeriesColours()
{
    // Plateaus and slopes at different heights, so every curve has runs of
    // fully covered pixels.
    QVector<GenerationRecord> records;
    for (int g = 1; g <= 60; ++g)
        records.append({g, 20.0 + (g % 7), 4.0 + (g % 3), 40.0 + g / 10 * 10, 10.0 + g / 20 * 3});
    const QString path = temp.filePath(QStringLiteral("plot.png"));
    QCOMPARE(saveFitnessPlot(path, records, QStringLiteral("seed 1")), QString());
    QVERIFY(readText(path).isEmpty() == false);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
    file.close();

    const QImage image(path);
    QCOMPARE(image.size(), QSize(960, 540));
    QCOMPARE(image.pixelColor(2, 2), QColor(Qt::white));

    auto countIn = [&image](const QRect& area, const QColor& colour) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixelColor(x, y) == colour)
                    ++count;
        return count;
    };
    const struct {
        FitnessSeries series;
        int panel;
    } curves[] = {{FitnessSeries::average1, 1},
                  {FitnessSeries::best1, 1},
                  {FitnessSeries::average2, 2},
                  {FitnessSeries::best2, 2}};
    QSet<QRgb> colours;
    for (const auto& curve : curves) {
        const QColor colour = fitnessSeriesColor(curve.series);
        colours.insert(colour.rgb());
        QVERIFY2(countIn(fitnessPanelArea(curve.panel), colour) > 100, qPrintable(colour.name()));
        // A population's curves stay in its own panel.
        QCOMPARE(countIn(fitnessPanelArea(3 - curve.panel), colour), 0);
    }
    QCOMPARE(colours.size(), 4);
    QCOMPARE(fitnessSeriesColor(FitnessSeries::average1), firstSpeciesColor);
    QCOMPARE(fitnessSeriesColor(FitnessSeries::average2), secondSpeciesColor);
}

void ExperimentsTest::plotOfShortHistories_data()
{
    QTest::addColumn<int>("generations");
    QTest::newRow("none") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("two") << 2;
}

void ExperimentsTest::plotOfShortHistories()
{
    QFETCH(int, generations);
    QVector<GenerationRecord> records;
    for (int g = 1; g <= generations; ++g)
        records.append({g, 0.0, 0.0, 0.0, 0.0});
    const QImage image = drawFitnessPlot(records, QStringLiteral("short")).image();
    QCOMPARE(image.size(), QSize(fitnessPlotWidth, fitnessPlotHeight));
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == fitnessSeriesColor(FitnessSeries::average2))
                ++coloured;
    // The legend's swatch at least; a single point is still marked.
    QVERIFY(coloured > 0);
    if (generations == 1)
        QVERIFY(coloured > 40);
}

void ExperimentsTest::scaleReadsPixelsBack_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    // Values whose pixels are exact in binary, so the round trip is exact.
    QTest::newRow("low ends") << 0.0 << -4.0;
    QTest::newRow("high ends") << 50.0 << 4.0;
    QTest::newRow("inside") << 12.5 << 1.0;
    QTest::newRow("outside") << -25.0 << 6.0;
}

void ExperimentsTest::scaleReadsPixelsBack()
{
    QFETCH(double, x);
    QFETCH(double, y);
    const ChartScale scale{QRect(10, 20, 200, 100), {0.0, 50.0, 10.0}, {-4.0, 4.0, 2.0}};
    COMPARE_EXACTLY(scale.fromX(scale.toX(x)), x);
    COMPARE_EXACTLY(scale.fromY(scale.toY(y)), y);
}

void ExperimentsTest::chartsPaintIntoTheirArea_data()
{
    QTest::addColumn<ChartPainter>("paint");
    QTest::addColumn<int>("panels");
    const QString title = QStringLiteral("a title");
    QVector<GenerationRecord> records;
    MasterScores master;
    for (int g = 1; g <= 30; ++g) {
        records.append({g, 20.0 + g % 7, 4.0 + g % 3, 40.0 + g, 10.0 + g / 2});
        master.generations.push_back(g);
        master.mean1.push_back(g % 5);
        master.mean2.push_back(g);
    }
    const std::vector<SummaryRow> summary = risingRows();
    // Names long enough for the legend and the condition labels to wrap.
    std::vector<ConditionSummary> compare;
    std::vector<CrossplayCondition> crossplay;
    for (int c = 0; c < 4; ++c) {
        const QString name = QStringLiteral("hall_of_fame=%1,mutation_rate=0.0%1").arg(c);
        compare.push_back({name, summary});
        crossplay.push_back({name, {1.0 + c, 2.0, 3.0}, {4.0, 5.0 - c}, {30, 30, 30 - c}});
    }

    QTest::newRow("fitness") << ChartPainter([=](QPainter& painter, const QRect& area) {
        return panelsOf(paintFitnessPlot(painter, area, records, title));
    }) << 2;
    QTest::newRow("master") << ChartPainter([=](QPainter& painter, const QRect& area) {
        return panelsOf(paintMasterPlot(painter, area, master, title));
    }) << 2;
    QTest::newRow("summary") << ChartPainter([=](QPainter& painter, const QRect& area) {
        return panelsOf(paintSummaryPlot(painter, area, summary, title));
    }) << 4;
    QTest::newRow("compare") << ChartPainter([=](QPainter& painter, const QRect& area) {
        return panelsOf(paintComparePlot(painter, area, compare, 20));
    }) << 4;
    QTest::newRow("crossplay") << ChartPainter([=](QPainter& painter, const QRect& area) {
        return panelsOf(paintCrossplayPlot(painter, area, crossplay));
    }) << 2;
    QTest::newRow("ciao") << ChartPainter([=, grid = playedGrid()](QPainter& painter,
                                                                   const QRect& area) {
        std::vector<QRect> panels;
        for (const CiaoMap& map : paintCiaoPlot(painter, area, grid, gridGenerations, title).maps)
            panels.push_back(map.scale.area);
        return panels;
    }) << 2;
}

void ExperimentsTest::chartsPaintIntoTheirArea()
{
    QFETCH(ChartPainter, paint);
    QFETCH(int, panels);
    QImage image = paintImage();
    QPainter painter(&image);
    const std::vector<QRect> painted = paint(painter, paintArea);
    painter.end();

    QCOMPARE(static_cast<int>(painted.size()), panels);
    for (const QRect& panel : painted) {
        QVERIFY(!panel.isEmpty());
        QVERIFY(paintArea.contains(panel));
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!paintArea.contains(x, y) && image.pixel(x, y) != qRgb(255, 255, 255))
                QFAIL(qPrintable(QStringLiteral("painted outside at %1, %2").arg(x).arg(y)));
}

void ExperimentsTest::chartsSayWhatTheyCompare_data()
{
    QTest::addColumn<ChartPainter>("paint");
    QTest::addColumn<ChartPainter>("paintChanged");
    QTest::addColumn<int>("region");
    // Whether the change shows there.
    QTest::addColumn<bool>("shows");

    const std::vector<SummaryRow> rows = risingRows();
    std::vector<SummaryRow> stopped = rows;
    stopped.back().seeds = 2;
    const auto summary = [](const std::vector<SummaryRow>& summaryRows, const QString& condition) {
        return ChartPainter([=](QPainter& painter, const QRect& area) {
            return panelsOf(paintSummaryPlot(painter, area, summaryRows, condition));
        });
    };
    const auto compare = [&rows](const std::vector<SummaryRow>& second, int generation) {
        const std::vector<ConditionSummary> conditions = {{QStringLiteral("A"), rows},
                                                          {QStringLiteral("B"), second}};
        return ChartPainter([=](QPainter& painter, const QRect& area) {
            return panelsOf(paintComparePlot(painter, area, conditions, generation));
        });
    };
    const auto crossplay = [](int lastRunsGeneration) {
        const std::vector<CrossplayCondition> conditions = {
            {QStringLiteral("A"), {1.0, 2.0}, {3.0, 4.0}, {30, 30}},
            {QStringLiteral("B"), {2.0, 3.0}, {4.0, 5.0}, {30, lastRunsGeneration}}};
        return ChartPainter([=](QPainter& painter, const QRect& area) {
            return panelsOf(paintCrossplayPlot(painter, area, conditions));
        });
    };
    const QString name = QStringLiteral("hall_of_fame=0");
    QTest::newRow("summary: the condition")
        << summary(rows, name) << summary(rows, QStringLiteral("hall_of_fame=5")) << abovePanels
        << true;
    QTest::newRow("summary: runs that stop early")
        << summary(rows, name) << summary(stopped, name) << abovePanels << true;
    // On a scale shared with the best scores, the average would shrink.
    QTest::newRow("summary: the average's own scale")
        << summary(rows, name) << summary(risingRows(20.0), name) << 0 << false;
    QTest::newRow("compare: G") << compare(rows, 20) << compare(rows, 10) << 0 << true;
    QTest::newRow("compare: runs that reach G")
        << compare(rows, 30) << compare(stopped, 30) << abovePanels << true;
    QTest::newRow("compare: runs that stop after G")
        << compare(rows, 20) << compare(stopped, 20) << abovePanels << true;
    QTest::newRow("crossplay: runs that reach G")
        << crossplay(30) << crossplay(20) << belowPanels << true;
}

void ExperimentsTest::chartsSayWhatTheyCompare()
{
    QFETCH(ChartPainter, paint);
    QFETCH(ChartPainter, paintChanged);
    QFETCH(int, region);
    QFETCH(bool, shows);
    QImage image = paintImage();
    QImage changed = paintImage();
    QPainter painter(&image);
    const std::vector<QRect> panels = paint(painter, paintArea);
    painter.end();
    painter.begin(&changed);
    paintChanged(painter, paintArea);
    painter.end();

    int top = paintArea.bottom();
    int bottom = paintArea.top();
    for (const QRect& panel : panels) {
        top = std::min(top, panel.top());
        bottom = std::max(bottom, panel.bottom());
    }
    // A panel's axes lie on its edges, which it includes.
    QRect where = region >= 0 ? panels[static_cast<std::size_t>(region)] : paintArea;
    if (region == abovePanels)
        where.setBottom(top - 1);
    if (region == belowPanels)
        where.setTop(bottom + 1);
    int differing = 0;
    for (int y = where.top(); y <= where.bottom(); ++y)
        for (int x = where.left(); x <= where.right(); ++x)
            differing += image.pixel(x, y) != changed.pixel(x, y) ? 1 : 0;
    QCOMPARE(differing > 0, shows);
}

void ExperimentsTest::runsAreNamedByTheirFolder_data()
{
    QTest::addColumn<QStringList>("runs");
    QTest::addColumn<QString>("name");
    QTest::newRow("a condition's seed folders")
        << QStringList{QStringLiteral("hof/hall_of_fame=5/seed-1"),
                       QStringLiteral("hof/hall_of_fame=5/seed-2/")}
        << QStringLiteral("hall_of_fame=5");
    QTest::newRow("their logs")
        << QStringList{QStringLiteral("hof/hall_of_fame=5/seed-1/fitness.csv"),
                       QStringLiteral("hof/hall_of_fame=5/seed-2/fitness.csv")}
        << QStringLiteral("hall_of_fame=5");
    QTest::newRow("logs side by side")
        << QStringList{QStringLiteral("logs/a.csv"), QStringLiteral("logs/b.csv")}
        << QStringLiteral("logs");
    QTest::newRow("seeds of two conditions")
        << QStringList{QStringLiteral("hof/a/seed-1"), QStringLiteral("hof/b/seed-1")}
        << QStringLiteral("hof");
    QTest::newRow("a run at the root") << QStringList{QStringLiteral("/seed-1")} << QString();
}

void ExperimentsTest::runsAreNamedByTheirFolder()
{
    QFETCH(QStringList, runs);
    QFETCH(QString, name);
    QCOMPARE(runsFolderName(runs), name);
}

void ExperimentsTest::ciaoCellUnderAPixel_data()
{
    QTest::addColumn<int>("population");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("filled");
    QTest::newRow("first, bottom left") << 1 << 0 << 0 << true;
    QTest::newRow("first, inside") << 1 << 5 << 2 << true;
    QTest::newRow("second, diagonal") << 2 << 3 << 3 << true;
    QTest::newRow("first, empty triangle") << 1 << 1 << 4 << false;
    QTest::newRow("second, empty triangle") << 2 << 0 << 5 << false;
    QTest::newRow("below the cells") << 1 << -1 << 0 << false;
}

void ExperimentsTest::ciaoCellUnderAPixel()
{
    QFETCH(int, population);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, filled);
    const ChampionGrid grid = playedGrid();
    QImage image = paintImage();
    QPainter painter(&image);
    const CiaoLayout layout =
        paintCiaoPlot(painter, paintArea, grid, gridGenerations, QStringLiteral("a title"));
    painter.end();

    QCOMPARE(static_cast<int>(layout.maps.size()), 2);
    const CiaoMap& map = layout.maps[population - 1];
    const QRectF rect = map.cellRect(row, column);
    const QPointF centre = rect.center();
    const std::optional<CiaoCell> cell = layout.cellAt(centre);
    QCOMPARE(cell.has_value(), filled);
    // The empty triangle is hatched, so that no score, 0 included, looks
    // like it.
    int hatching = 0;
    for (int y = static_cast<int>(rect.top()) + 1; y < static_cast<int>(rect.bottom()) - 1; ++y)
        for (int x = static_cast<int>(rect.left()) + 1; x < static_cast<int>(rect.right()) - 1; ++x)
            hatching += image.pixelColor(x, y) == ciaoUnplayedColor ? 1 : 0;
    QCOMPARE(hatching > 0, !filled && map.cells.contains(centre));
    if (!filled)
        return;
    // The champion's generation is the row's, its opponent's the column's.
    const int champion = gridGenerations[row];
    const int opponent = gridGenerations[column];
    QCOMPARE(cell->population, population);
    QCOMPARE(cell->generation1, population == 1 ? champion : opponent);
    QCOMPARE(cell->generation2, population == 1 ? opponent : champion);
    const GridScores& scores = population == 1 ? grid.at(row, column) : grid.at(column, row);
    COMPARE_EXACTLY(cell->score, population == 1 ? scores.score1 : scores.score2);
    // The cell drawn there is that cell.
    QCOMPARE(image.pixelColor(centre.toPoint()), map.colourOf(cell->score));
}

void ExperimentsTest::ciaoColoursOutlastAnOutlier_data()
{
    QTest::addColumn<bool>("fullRange");
    QTest::addColumn<bool>("paled");
    QTest::newRow("clipped") << false << false;
    QTest::newRow("full range") << true << true;
}

void ExperimentsTest::ciaoColoursOutlastAnOutlier()
{
    QFETCH(bool, fullRange);
    QFETCH(bool, paled);
    const CiaoColourRange range = fullRange ? CiaoColourRange::full : CiaoColourRange::clipped;
    // A thousand scores evenly spread, then the same and one far above them.
    std::vector<double> scores;
    for (int k = 0; k < 1000; ++k)
        scores.push_back(k);
    CiaoMap even;
    even.colours = ciaoColourScale(scores, range);
    scores.push_back(1e6);
    CiaoMap outlier;
    outlier.colours = ciaoColourScale(scores, range);
    QCOMPARE(outlier.colours.clipped(), !fullRange);

    const QColor before = even.colourOf(500);
    const QColor after = outlier.colourOf(500);
    const int shift =
        std::max({std::abs(before.red() - after.red()), std::abs(before.green() - after.green()),
                  std::abs(before.blue() - after.blue())});
    QVERIFY2((shift > 16) == paled, qPrintable(QString::number(shift)));
}

void ExperimentsTest::atomicWriteReplacesWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    QCOMPARE(writeFileAtomically(path, QByteArray(100000, 'a')), QString());
    QCOMPARE(readText(path).size(), 100000);
    QCOMPARE(writeFileAtomically(path, "short\n"), QString());
    QCOMPARE(readText(path), QStringLiteral("short\n"));
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("out.txt")});
    // A FIFO named as the file is refused, not replaced by a regular file.
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QCOMPARE(writeFileAtomically(fifo, "x"),
             QStringLiteral("cannot write %1: a FIFO, not a regular file").arg(fifo));
    struct stat kept;
    QVERIFY(::stat(QFile::encodeName(fifo).constData(), &kept) == 0 && S_ISFIFO(kept.st_mode));
    QVERIFY(::unlink(QFile::encodeName(fifo).constData()) == 0);
    QCOMPARE(makeFolder(dir.filePath(QStringLiteral("a/b/c"))), QString());
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("a/b/c"))).isDir());
    QCOMPARE(makeFolder(dir.filePath(QStringLiteral("a/b/c"))), QString());
}

void ExperimentsTest::unwritablePlacesGiveErrorsAndNoFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("underRegularFile");
    for (const char* kind : {"atomic", "csv", "plot", "folder"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 under a regular file").arg(kind)))
            << QString::fromLatin1(kind) << true;
        QTest::newRow(qPrintable(QStringLiteral("%1 in /proc").arg(kind)))
            << QString::fromLatin1(kind) << false;
    }
}

void ExperimentsTest::unwritablePlacesGiveErrorsAndNoFiles()
{
    QFETCH(QString, kind);
    QFETCH(bool, underRegularFile);
    QTemporaryDir dir;
    const QString path = underRegularFile ? pathUnderRegularFile(dir, QStringLiteral("target"))
                                          : QStringLiteral("/proc/coevolife-experiments-test");
    QString error;
    if (kind == QStringLiteral("atomic")) {
        error = writeFileAtomically(path, "x");
    } else if (kind == QStringLiteral("csv")) {
        CsvLog log;
        error = log.open(path);
        QVERIFY(!log.isOpen());
    } else if (kind == QStringLiteral("plot")) {
        error = saveFitnessPlot(path, {{1, 1.0, 1.0, 1.0, 1.0}}, QStringLiteral("x"));
    } else {
        error = makeFolder(path);
    }
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!QFileInfo::exists(CsvLog::partialPathOf(path)));
    if (underRegularFile)
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("plain-file")});
}

QTEST_MAIN(ExperimentsTest)
#include "ExperimentsTest.moc"
