// The explorer's panes, driven directly and checked against the libraries
// they show: the board, the champion grid and the exports.
#include "PaintTestSupport.h"
#include "RecordsTestSupport.h"
#include "analysis/ChampionGrid.h"
#include "analysis/Descent.h"
#include "analysis/GenerationRange.h"
#include "board/Board.h"
#include "board/Match.h"
#include "charts/FitnessPlot.h"
#include "explorer/CiaoPane.h"
#include "explorer/DuelBoardPane.h"
#include "explorer/ExplorerWindow.h"
#include "explorer/FitnessPane.h"
#include "explorer/LineageStripPane.h"
#include "explorer/PopulationsPane.h"
#include "explorer/SweepPane.h"
#include "output/PartialFile.h"
#include "output/QuotedText.h"
#include "records/ArchiveReader.h"
#include "records/PatternExport.h"
#include "records/RuleTableWriter.h"
#include "view/SpriteSheet.h"

#include <cmath>

#include <QDir>
#include <QPainter>
#include <QProgressBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// Two random members on the window's layout or the odd one, chosen so that
// both species live to the end and meet.
struct TestDuel {
    MatchLayout layout;
    PackedPattern first;
    PackedPattern second;
};

TestDuel testDuel(bool odd)
{
    const MatchLayout layout = odd ? oddTestConfig().match : MatchLayout();
    std::mt19937_64 random(odd ? 76 : 11);
    const PackedPattern first = randomPackedPattern(random, layout.pattern);
    return {layout, first, randomPackedPattern(random, layout.pattern)};
}

void setTestDuel(DuelBoardPane& pane, const TestDuel& duel)
{
    pane.setDuel(duel.layout, unpackPattern(duel.first, duel.layout.pattern),
                 unpackPattern(duel.second, duel.layout.pattern), QStringLiteral("a test duel"));
    pane.waitForStep();
}

const QString batchPath = QStringLiteral(COEVOLIFE_BATCH_PATH);

// A small run of another experiment, recorded by the batch.
bool recordRun(const QString& folder, int generations)
{
    QDir().mkpath(folder);
    const QDir dir(folder);
    return runProgram(batchPath,
                      {QStringLiteral("--seed"), QStringLiteral("4"),
                       QStringLiteral("--generations"), QString::number(generations),
                       QStringLiteral("--set"), QStringLiteral("population.size=9"),
                       QStringLiteral("--set"), QStringLiteral("board.width=40"),
                       QStringLiteral("--csv"), dir.filePath(QStringLiteral("fitness.csv")),
                       QStringLiteral("--archive"), dir.filePath(QStringLiteral("run.arc"))})
               .exitCode == 0;
}

// The first `generations` generations of a finished archive, or of its log,
// as a batch has written them by then.
QByteArray archiveUpTo(const QByteArray& archive, int generations)
{
    qsizetype headerSize = 0;
    QString problem;
    const auto header = decodeArchiveHeader(archive, headerSize, problem);
    if (!header)
        return {};
    qsizetype end = headerSize;
    for (int k = 0; k < generations; ++k)
        end += archiveRecordSizeAt(archive.constData() + end, archive.size() - end, *header);
    return archive.left(end);
}

QByteArray logUpTo(const QByteArray& log, int generations)
{
    qsizetype end = -1;
    for (int line = 0; line <= generations; ++line)
        end = log.indexOf('\n', end + 1);
    return log.left(end + 1);
}

// A configuration whose matches take no time: long runs play their maps
// at once.
ExperimentConfig quickConfig()
{
    ExperimentConfig config;
    config.populationSize = 2;
    config.matchesPerGeneration = 1;
    config.match.pattern = {3, 3};
    config.match.boardWidth = 12;
    config.match.boardHeight = 8;
    config.match.steps = 3;
    config.match.firstColumn = 0;
    config.match.firstRow = 0;
    config.match.secondColumn = 6;
    config.match.secondRow = 4;
    return config;
}

// A run folder of `generations` generations, its log rising from about 400
// to 800 and its archive of the quick configuration.
bool writeQuickRun(const QString& folder, int generations)
{
    QByteArray log("generation,average1,average2,best1,best2\n");
    for (int g = 1; g <= generations; ++g) {
        const double rise = 400.0 + 400.0 * g / generations;
        log += QStringLiteral("%1,%2,%3,%4,%5\n")
                   .arg(g)
                   .arg(rise - 20 + (g % 7))
                   .arg(rise * 0.5 + (g % 5))
                   .arg(rise + 10)
                   .arg(rise * 0.5 + 10)
                   .toLatin1();
    }
    const QDir dir(folder);
    return QDir().mkpath(folder) && writeBytes(dir.filePath(QStringLiteral("fitness.csv")), log) &&
           writeBytes(dir.filePath(QStringLiteral("run.arc")),
                      randomArchive(generations, 21, quickConfig()));
}

// The generations first, first + stride, ... up to last, and last.
std::vector<int> everyOf(int first, int last, int stride)
{
    std::vector<int> generations;
    for (int g = first; g <= last; g += stride)
        generations.push_back(g);
    if (generations.back() != last)
        generations.push_back(last);
    return generations;
}

void clickAt(QWidget* widget, QPointF point)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, point.toPoint());
}

} // namespace

class ExplorerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void duelBoardStepsAsTheBoard_data();
    void duelBoardStepsAsTheBoard();
    void duelBoardSpacePlaysAndPauses();
    void duelBoardShowsItsBoardImage();
    void duelBoardImageIsTheTiles();
    void duelBoardExportsAsTheAnalyzer();

    void ciaoClickPlaysThatDuel();
    void ciaoMapPaintsOnlyFinishedRows();
    void thumbnailsChooseTheirMembers();
    void lineageOfTheClickedMember_data();
    void lineageOfTheClickedMember();
    void selectionIsOneDuel_data();
    void selectionIsOneDuel();
    void followedRunToItsEnd_data();
    void followedRunToItsEnd();
    void followingReadsOnlyWhatWasAppended();
    void followedImageShowsTheLastGeneration();
    void sweepFolderOpensAsItsSeeds();
    void damagedRunLeavesTheOpenOne();
    void openingSupersedesTheOneBefore();
    void fitnessPaneShowsItsChart_data();
    void fitnessPaneShowsItsChart();
    void hugeRunStaysResponsive();
    void hostileArgumentsAreQuoted_data();
    void hostileArgumentsAreQuoted();
    void axesSpanWhatIsDrawn_data();
    void axesSpanWhatIsDrawn();
    void textFitsItsPane_data();
    void textFitsItsPane();
    void picturesForAPaper_data();
    void picturesForAPaper();
};

void ExplorerTest::initTestCase()
{
    // The window's recent runs and layout go to a test folder of settings.
    QStandardPaths::setTestModeEnabled(true);
    loadSpriteSheet();
    QVERIFY(spriteSheet && !spriteSheet->isNull());
}

void ExplorerTest::duelBoardStepsAsTheBoard_data()
{
    QTest::addColumn<bool>("odd");
    QTest::addColumn<int>("from");
    // 0 for none.
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");
    QTest::newRow("step 0") << false << 0 << 0 << 0;
    QTest::newRow("S") << false << 0 << int(Qt::Key_S) << 1;
    QTest::newRow("Right") << false << 36 << int(Qt::Key_Right) << 37;
    QTest::newRow("Left, a step back") << false << 60 << int(Qt::Key_Left) << 59;
    QTest::newRow("Left at 0") << false << 0 << int(Qt::Key_Left) << 0;
    QTest::newRow("Home") << false << 50 << int(Qt::Key_Home) << 0;
    QTest::newRow("End") << false << 50 << int(Qt::Key_End) << 100;
    QTest::newRow("last step") << false << 100 << 0 << 100;
    QTest::newRow("S at the last step") << false << 100 << int(Qt::Key_S) << 100;
    QTest::newRow("odd layout, last step") << true << 80 << 0 << 80;
    QTest::newRow("odd layout, back from the last") << true << 80 << int(Qt::Key_Left) << 79;
}

// The pane's board is a Board played as many steps from the match's set-up;
// at the last step its scores are the champion grid's cell for the pair.
void ExplorerTest::duelBoardStepsAsTheBoard()
{
    QFETCH(bool, odd);
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);
    const TestDuel duel = testDuel(odd);
    DuelBoardPane pane;
    setTestDuel(pane, duel);
    pane.goToStep(from);
    if (key != 0) {
        QTest::keyClick(&pane, Qt::Key(key));
        pane.waitForStep();
        // Help > Keys names it.
        const QString name = QKeySequence(key).toString();
        QVERIFY2(ExplorerWindow::keysHelp().contains(
                     QRegularExpression(QStringLiteral("[ ,;]%1[:,]").arg(name))),
                 qPrintable(name));
    }
    pane.waitForStep();
    QCOMPARE(pane.step(), to);

    Board board;
    setUpMatch(board, unpackPattern(duel.first, duel.layout.pattern),
               unpackPattern(duel.second, duel.layout.pattern), duel.layout);
    board.setSteps(to);
    board.run();
    QCOMPARE(cellsOf(pane.board()), cellsOf(board));
    QCOMPARE(pane.board().contactCount(), board.contactCount());

    const QString status = pane.statusText();
    QVERIFY2(status.startsWith(QStringLiteral("step %1 of %2:").arg(to).arg(duel.layout.steps)),
             qPrintable(status));
    ChampionGrid grid({duel.first}, {duel.second}, duel.layout);
    grid.playRow(0, board);
    const QString scores =
        QString::asprintf("scores %.9g and %.9g", static_cast<double>(grid.at(0, 0).score1),
                          static_cast<double>(grid.at(0, 0).score2));
    QCOMPARE(status.endsWith(scores), to == duel.layout.steps);
    // A duel whose scores say something.
    QVERIFY(grid.at(0, 0).score1 > 0.0f && grid.at(0, 0).score2 > 0.0f);
}

void ExplorerTest::duelBoardSpacePlaysAndPauses()
{
    DuelBoardPane pane;
    setTestDuel(pane, testDuel(false));
    pane.setStepsPerSecond(DuelBoardPane::fastestSpeed);
    QTest::keyClick(&pane, Qt::Key_Space);
    QVERIFY(pane.isPlaying());
    QTRY_VERIFY(pane.step() > 0);
    QTest::keyClick(&pane, Qt::Key_Space);
    QVERIFY(!pane.isPlaying());
    // A step already on its way still lands; none after it.
    pane.waitForStep();
    const int paused = pane.step();
    QTest::qWait(50);
    QCOMPARE(pane.step(), paused);
    // Played on, it stops at the last step.
    pane.setFullSpeed(true);
    QTest::keyClick(&pane, Qt::Key_Space);
    QTRY_COMPARE(pane.step(), pane.lastStep());
    QVERIFY(!pane.isPlaying());
}

// What the pane shows is the board's image at the pane's cell size.
void ExplorerTest::duelBoardShowsItsBoardImage()
{
    DuelBoardPane pane;
    setTestDuel(pane, testDuel(false));
    pane.goToStep(20);
    pane.waitForStep();
    QVERIFY(pane.board().countFirstSpecies() > 0);
    pane.resize(650, 300);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    const QRect area = pane.boardArea();
    const int cellSize = area.width() / pane.board().boardWidth();
    QVERIFY(cellSize >= 1);
    QCOMPARE(area.size(), cellSize * QSize(100, 15));
    const QImage shown = pane.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.copy(area), pane.boardImage(cellSize).convertToFormat(QImage::Format_RGB32));
}

void ExplorerTest::duelBoardImageIsTheTiles()
{
    DuelBoardPane pane;
    setTestDuel(pane, testDuel(false));
    const QImage image = pane.boardImage(3);
    QCOMPARE(image.size(), QSize(3 * 100, 3 * 15));
    const QImage tile = spriteSheet->copy(8, 0, 8, 8).scaled(3, 3).toImage();
    int tiles = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 100; ++x)
            if (pane.board().cellAt(x, y) == 1) {
                QCOMPARE(image.copy(3 * x, 3 * y, 3, 3).convertToFormat(tile.format()), tile);
                ++tiles;
            }
    QVERIFY(tiles > 0);
}

// The files coevolife-analyze duel writes, with the pane's caption.
void ExplorerTest::duelBoardExportsAsTheAnalyzer()
{
    const TestDuel duel = testDuel(true);
    DuelBoardPane pane;
    setTestDuel(pane, duel);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("duel"));
    QCOMPARE(pane.exportDuel(folder, 42, {QStringLiteral("member 3 against member 7")}), QString());

    const Pattern first = unpackPattern(duel.first, duel.layout.pattern);
    const Pattern second = unpackPattern(duel.second, duel.layout.pattern);
    Board board;
    const MatchResult result = playMatch(board, first, second, duel.layout);
    const QStringList comments = {
        QStringLiteral("Coevolife: a test duel"), QStringLiteral("member 3 against member 7"),
        QStringLiteral("seed 42"),
        QString::asprintf("scores %.9g and %.9g",
                          static_cast<double>(static_cast<float>(result.firstScore())),
                          static_cast<double>(static_cast<float>(result.secondScore())))};
    QCOMPARE(QString::fromUtf8(fileBytes(QDir(folder).filePath(QStringLiteral("duel.rle")))),
             duelExport(first, second, comments, duel.layout).second);
    QCOMPARE(QString::fromUtf8(fileBytes(QDir(folder).filePath(QStringLiteral("Coevolife.rule")))),
             coevolifeRuleTable());
}

QTEST_MAIN(ExplorerTest)
#include "ExplorerTest.moc"

void ExplorerTest::ciaoClickPlaysThatDuel()
{
    QTemporaryDir dir;
    QVERIFY(recordRun(dir.filePath(QStringLiteral("seed-4")), 6));
    ExplorerWindow window;
    window.resize(1200, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.openPath(dir.filePath(QStringLiteral("seed-4"))), QString());
    CiaoPane* ciao = window.ciao();
    ciao->waitForGrid();
    ciao->repaint();
    const CiaoLayout& layout = ciao->lastLayout();
    QVERIFY(!layout.maps.empty());
    // Population 1's map, the row of generation 5, the column of generation 2.
    const CiaoMap& map = layout.maps.front();
    const QPointF centre = map.cellRect(4, 1).center();
    const auto cell = layout.cellAt(centre);
    QVERIFY(cell);
    QCOMPARE(cell->generation1, 5);
    QCOMPARE(cell->generation2, 2);
    clickAt(ciao, centre);
    QCOMPARE(window.selection().generation1, 5);
    QCOMPARE(window.selection().generation2, 2);
    // The status bar names the cell's generations, those the map plays.
    QCOMPARE(window.statusBar()->currentMessage(),
             QStringLiteral("Population 1's champion of generation 5 against population 2's of "
                            "generation 2"));

    // The duel board plays those champions, step for step as a Board does,
    // and ends on the grid's scores.
    const RunArchive& archive = *window.openedRun()->archive;
    const MatchLayout layout5 = archive.config().match;
    Board expected;
    setUpMatch(expected, unpackPattern(archive.generations[4].championOf(1), layout5.pattern),
               unpackPattern(archive.generations[1].championOf(2), layout5.pattern), layout5);
    DuelBoardPane* duel = window.duelBoard();
    for (int step : {0, 7, layout5.steps}) {
        duel->goToStep(step);
        duel->waitForStep();
        Board played = expected;
        played.setSteps(step);
        played.run();
        QCOMPARE(cellsOf(duel->board()), cellsOf(played));
    }
    ChampionGrid grid({archive.generations[4].championOf(1)},
                      {archive.generations[1].championOf(2)}, layout5);
    Board board;
    grid.playRow(0, board);
    QVERIFY2(duel->statusText().endsWith(
                 QStringLiteral("scores %1 and %2")
                     .arg(scoreText(grid.at(0, 0).score1), scoreText(grid.at(0, 0).score2))),
             qPrintable(duel->statusText()));
}

// A map paints only the rows of its grid already played, the others hatched
// as matches not played; painted over and over while the pool plays, it reads
// no cell a thread is still writing (the ThreadSanitizer build checks that).
void ExplorerTest::ciaoMapPaintsOnlyFinishedRows()
{
    const RunArchive ten = decodeArchive(randomArchive(10, 8), QStringLiteral("ten")).archive;
    const SelectedChampions champions = championsOf(ten);
    ChampionGrid grid(champions.champions1, champions.champions2, ten.config().match);
    QCOMPARE(grid.rowCount(), 2);
    Board board;
    grid.playRow(0, board);
    QImage image(ciaoPlotWidth, ciaoPlotHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    const CiaoLayout layout = paintCiaoPlot(painter, image.rect(), grid, champions.generations, {});
    painter.end();
    const CiaoMap& map = layout.maps.front();
    int hatched = 0;
    for (int row = 0; row < 10; ++row)
        for (int column = 0; column <= row; ++column) {
            // Ten distinct champions a side: the match of row and column is
            // match row * 10 + column of the grid, in its first row of 64 or not.
            const bool played = row * 10 + column < ChampionGrid::matchesPerRow;
            const float score = map.scores[row][column];
            QCOMPARE(std::isnan(score), !played);
            const QColor shown = image.pixelColor(map.cellRect(row, column).center().toPoint());
            if (played) {
                QCOMPARE(score, grid.at(row, column).score1);
                QCOMPARE(shown, map.colourOf(score));
            } else {
                QVERIFY(shown == QColor(Qt::white) || shown == ciaoUnplayedColor);
                ++hatched;
            }
        }
    QVERIFY(hatched > 0);

    CiaoPane pane;
    pane.resize(900, 500);
    pane.setArchive(decodeArchive(randomArchive(40, 9), QStringLiteral("forty")).archive);
    QCOMPARE(pane.shownGenerations().size(), std::size_t{40});
    while (pane.computing()) {
        pane.grab();
        QCoreApplication::processEvents();
    }
    pane.grab();
    for (const CiaoMap& painted : pane.lastLayout().maps)
        for (const std::vector<float>& row : painted.scores)
            for (float score : row)
                QVERIFY(!std::isnan(score));
}

void ExplorerTest::thumbnailsChooseTheirMembers()
{
    QTemporaryDir dir;
    QVERIFY(recordRun(dir.path(), 3));
    ExplorerWindow window;
    window.resize(1200, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.openPath(dir.filePath(QStringLiteral("run.arc"))), QString());
    PopulationsPane* populations = window.populations();
    // Readable: three pixels a cell at least, apart from each other.
    const QRect first = populations->thumbnailRect(1, 0);
    const PatternShape patternShape = window.openedRun()->config.match.pattern;
    QVERIFY(first.width() >= 3 * patternShape.width);
    QVERIFY(populations->thumbnailRect(1, 1).left() > first.right() + 1);
    const ArchivedGeneration& third = window.openedRun()->archive->generations[2];
    QCOMPARE(populations->memberToolTip(1, third.champion1),
             QStringLiteral("population 1, generation 3, member %1\nscore %2\nthe champion")
                 .arg(third.champion1)
                 .arg(static_cast<double>(third.championScore1), 0, 'g', 6));
    clickAt(populations, populations->thumbnailRect(1, 6).center());
    clickAt(populations, populations->thumbnailRect(2, 2).center());
    QCOMPARE(window.selection().member1, 6);
    QCOMPARE(window.selection().member2, 2);
    QCOMPARE(window.selection().generation1, 3);
    // Their duel, on the board at step 0.
    const RunArchive& archive = *window.openedRun()->archive;
    Board expected;
    const PatternShape shape = archive.config().match.pattern;
    setUpMatch(expected, unpackPattern(archive.generations[2].population1[6], shape),
               unpackPattern(archive.generations[2].population2[2], shape), archive.config().match);
    window.duelBoard()->waitForStep();
    QCOMPARE(cellsOf(window.duelBoard()->board()), cellsOf(expected));
    // The chosen member is framed: its thumbnail's rim is not the background.
    const QImage shown = populations->grab().toImage();
    const QRect chosen = populations->thumbnailRect(1, 6);
    const QColor background = populations->palette().window().color();
    QVERIFY(shown.pixelColor(chosen.left() - 1, chosen.center().y()) != background);
    QCOMPARE(shown.pixelColor(populations->thumbnailRect(1, 5).left() - 1,
                              populations->thumbnailRect(1, 5).center().y()),
             background);

    // A hundred members at three pixels a cell do not fit the pane: it scrolls.
    const QString hundred = dir.filePath(QStringLiteral("hundred.arc"));
    QVERIFY(writeBytes(hundred, randomArchive(2, 5)));
    QCOMPARE(window.openPath(hundred), QString());
    QApplication::processEvents();
    QCOMPARE(populations->thumbnailRect(2, 99).width(), 3 * PatternShape().width);
    QVERIFY(populations->thumbnailRect(2, 99).bottom() < populations->height());
    QVERIFY(populations->height() > populations->parentWidget()->height());
}

void ExplorerTest::lineageOfTheClickedMember_data()
{
    // A click on member M of population P of generation G, then generation
    // S shown (as the fitness chart's Left and Right keys show it), in a
    // batch's run of eight generations or in an archive of format 1.
    QTest::addColumn<bool>("formatOne");
    QTest::addColumn<int>("population");
    QTest::addColumn<int>("generation");
    QTest::addColumn<int>("member");
    QTest::addColumn<int>("shown");
    QTest::newRow("ancestors, one back") << false << 1 << 8 << 4 << 7;
    QTest::newRow("ancestors, to the first") << false << 2 << 8 << 0 << 1;
    QTest::newRow("ancestors, the middle") << false << 1 << 6 << 8 << 3;
    QTest::newRow("itself") << false << 2 << 5 << 3 << 5;
    QTest::newRow("descendants") << false << 1 << 2 << 5 << 4;
    QTest::newRow("descendants, of the first") << false << 2 << 1 << 3 << 8;
    QTest::newRow("format 1: no births") << true << 1 << 4 << 1 << 2;
}

// The members framed are the focus's ancestors or descendants as the
// analyses find them in the whole run, the strip is its line of descent,
// and a click on a step of the strip chooses that ancestor.
void ExplorerTest::lineageOfTheClickedMember()
{
    QFETCH(bool, formatOne);
    QFETCH(int, population);
    QFETCH(int, generation);
    QFETCH(int, member);
    QFETCH(int, shown);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.arc"));
    if (formatOne)
        QVERIFY(writeBytes(path, randomArchive(5, 3, ExperimentConfig(), 1, 1)));
    else
        QVERIFY(recordRun(dir.path(), 8));
    ExplorerWindow window(false);
    window.resize(1280, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.openPath(path), QString());
    PopulationsPane* populations = window.populations();
    LineageStripPane* strip = window.lineageStrip();
    window.select({generation, generation, -1, -1});
    clickAt(populations, populations->thumbnailRect(population, member).center());
    QVERIFY(window.lineageFocus());
    QCOMPARE(window.lineageFocus()->generation, generation);
    QCOMPARE(window.lineageFocus()->member, member);
    window.select({shown, shown, -1, -1});
    QCOMPARE(window.lineageFocus()->generation, generation);
    const RunArchive& archive = *window.openedRun()->archive;
    const ArchivedGeneration& record = *archive.generation(shown);
    const int members = static_cast<int>(record.population1.size());
    QApplication::processEvents();
    const QImage picture = populations->grab().toImage();
    const auto framedInPicture = [&](int p, int i) {
        const QRect place = populations->thumbnailRect(p, i);
        return picture.pixelColor(place.left() - 2, place.center().y()) ==
               PopulationsPane::lineageFrameColor();
    };
    if (formatOne) {
        QCOMPARE(strip->message(), QStringLiteral("This archive keeps no births (format 1)"));
        QVERIFY(strip->line().empty());
        for (int p = 1; p <= 2; ++p)
            for (int i = 0; i < members; ++i)
                QVERIFY(!populations->lineageFramed(p, i) && !framedInPicture(p, i));
        // Only the champion's score is kept.
        QVERIFY(!populations->memberToolTip(1, record.champion1 == 0 ? 1 : 0)
                     .contains(QStringLiteral("score")));
        return;
    }
    QString error;
    const LineageModel model = lineageModelOf(archive, error);
    QCOMPARE(error, QString());
    std::vector<char> focus(static_cast<std::size_t>(members), 0);
    focus[static_cast<std::size_t>(member)] = 1;
    const MemberFlags ancestors = ancestorsOf(model, generation, population, focus);
    int framed = 0;
    for (int i = 0; i < members; ++i) {
        // A descendant is a member with the focus among its own ancestors.
        std::vector<char> only(static_cast<std::size_t>(members), 0);
        only[static_cast<std::size_t>(i)] = 1;
        const bool expected =
            shown <= generation
                ? ancestors.flagged(shown, i)
                : ancestorsOf(model, shown, population, only).flagged(generation, member);
        QCOMPARE(populations->lineageFramed(population, i), expected);
        QCOMPARE(framedInPicture(population, i), expected);
        QVERIFY(!populations->lineageFramed(3 - population, i));
        QVERIFY(!framedInPicture(3 - population, i));
        framed += expected ? 1 : 0;
        QVERIFY(populations->memberToolTip(population, i)
                    .contains(QStringLiteral("\nscore %1\n")
                                  .arg(static_cast<double>(record.lineage.score(population, i)), 0,
                                       'g', 6)
                                  .chopped(1)));
    }
    // The focus has an ancestor in every generation before it; these rows'
    // have descendants.
    QVERIFY(framed > 0);

    const std::vector<DescentStep> line = lineOfDescent(model, generation, population, member);
    QCOMPARE(strip->line().size(), line.size());
    QCOMPARE(static_cast<int>(line.size()), generation);
    for (std::size_t k = 0; k < line.size(); ++k) {
        QCOMPARE(strip->line()[k].generation, line[k].generation);
        QCOMPARE(strip->line()[k].member, line[k].member);
        QCOMPARE(strip->line()[k].birth, line[k].birth);
        QCOMPARE(strip->line()[k].score, line[k].score);
        QCOMPARE(strip->line()[k].champion, line[k].champion);
        QVERIFY(strip->stepToolTip(static_cast<int>(k))
                    .contains(QStringLiteral("score %1")
                                  .arg(static_cast<double>(*line[k].score), 0, 'g', 6)));
    }
    // The oldest step, clicked: that ancestor for its side; the focus stays.
    strip->scrollToStep(0);
    QTest::mouseClick(strip->viewport(), Qt::LeftButton, Qt::NoModifier,
                      strip->thumbnailRect(0).center());
    const DuelSelection chosen = window.selection();
    QCOMPARE(population == 1 ? chosen.generation1 : chosen.generation2, line.front().generation);
    QCOMPARE(population == 1 ? chosen.member1 : chosen.member2, line.front().member);
    QCOMPARE(window.lineageFocus()->generation, generation);
    QCOMPARE(populations->shownGeneration(population), line.front().generation);
    // The strip marks it: its rim is not the background; the next one's is.
    const QImage stripPicture = strip->viewport()->grab().toImage();
    const QColor background = strip->palette().window().color();
    const QRect oldest = strip->thumbnailRect(0);
    QVERIFY(stripPicture.pixelColor(oldest.left() - 1, oldest.center().y()) != background);
    if (line.size() > 1) {
        const QRect next = strip->thumbnailRect(1);
        QCOMPARE(stripPicture.pixelColor(next.right() + 2, next.bottom() + 1), background);
    }
    // The focus chosen again: its step, the last, scrolled into view.
    DuelSelection back = window.selection();
    (population == 1 ? back.generation1 : back.generation2) = generation;
    (population == 1 ? back.member1 : back.member2) = member;
    window.select(back);
    QVERIFY(strip->viewport()->rect().contains(
        strip->thumbnailRect(static_cast<int>(line.size()) - 1)));
    QCOMPARE(populations->shownGeneration(population), generation);
    // A click on another member follows that one instead.
    const int other = (member + 1) % members;
    clickAt(populations, populations->thumbnailRect(population, other).center());
    QCOMPARE(window.lineageFocus()->generation, generation);
    QCOMPARE(window.lineageFocus()->member, other);
    QCOMPARE(strip->line().back().generation, generation);
    QCOMPARE(strip->line().back().member, other);
}

void ExplorerTest::selectionIsOneDuel_data()
{
    // What the user does, one after the other: a click on the fitness
    // chart's generation G ("fitness G"), on population 1's CIAO cell of
    // generations G1 and G2 ("ciao G1 G2"), on member M of population P
    // ("member P M"), or End.
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<int>("generation1");
    QTest::addColumn<int>("generation2");
    QTest::addColumn<int>("member1");
    QTest::addColumn<int>("member2");
    QTest::newRow("opened: the newest") << QStringList{} << 6 << 6 << -1 << -1;
    QTest::newRow("fitness chart") << QStringList{"fitness 3"} << 3 << 3 << -1 << -1;
    QTest::newRow("CIAO cell") << QStringList{"ciao 5 2"} << 5 << 2 << -1 << -1;
    QTest::newRow("thumbnail keeps the generations")
        << QStringList{"ciao 5 2", "member 2 4"} << 5 << 2 << -1 << 4;
    QTest::newRow("fitness chart after a thumbnail: both champions")
        << QStringList{"member 1 3", "fitness 4"} << 4 << 4 << -1 << -1;
    QTest::newRow("End: the newest again") << QStringList{"ciao 5 2", "End"} << 6 << 6 << -1 << -1;
}

// One duel, whichever pane chose it, and every pane shows it: the
// populations of its two generations, their duel on the board, a marker on
// its cell of each map and a cursor at each generation on the fitness chart.
void ExplorerTest::selectionIsOneDuel()
{
    QFETCH(QStringList, actions);
    QFETCH(int, generation1);
    QFETCH(int, generation2);
    QFETCH(int, member1);
    QFETCH(int, member2);
    QTemporaryDir dir;
    QVERIFY(recordRun(dir.path(), 6));
    ExplorerWindow window(false);
    window.resize(1280, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.openPath(dir.path()), QString());
    CiaoPane* ciao = window.ciao();
    ciao->waitForGrid();
    ciao->repaint();
    FitnessPane* fitness = window.fitness();
    fitness->repaint();
    PopulationsPane* populations = window.populations();
    for (const QString& action : actions) {
        const QStringList words = action.split(QLatin1Char(' '));
        if (words[0] == QStringLiteral("fitness")) {
            clickAt(fitness, QPointF(fitness->cursorX(words[1].toInt()), fitness->height() / 2));
        } else if (words[0] == QStringLiteral("ciao")) {
            const CiaoMap& map = ciao->lastLayout().maps.front();
            clickAt(ciao, map.cellRect(words[1].toInt() - 1, words[2].toInt() - 1).center());
        } else if (words[0] == QStringLiteral("member")) {
            clickAt(populations,
                    populations->thumbnailRect(words[1].toInt(), words[2].toInt()).center());
        } else {
            QTest::keyClick(&window, Qt::Key_End);
        }
    }
    const DuelSelection expected{generation1, generation2, member1, member2};
    QCOMPARE(window.selection(), expected);
    QCOMPARE(window.followingNewest(),
             actions.isEmpty() || actions.endsWith(QStringLiteral("End")));

    QCOMPARE(populations->shownGeneration(1), generation1);
    QCOMPARE(populations->shownGeneration(2), generation2);
    QCOMPARE(fitness->generation(), generation1);
    QCOMPARE(fitness->secondGeneration(), generation2);
    ciao->repaint();
    const CiaoLayout& layout = ciao->lastLayout();
    QCOMPARE(ciao->selectionMarkers().size(), std::size_t{2});
    QVERIFY(ciao->selectionMarkers()[0].contains(
        layout.maps[0].cellRect(generation1 - 1, generation2 - 1).center()));
    QVERIFY(ciao->selectionMarkers()[1].contains(
        layout.maps[1].cellRect(generation2 - 1, generation1 - 1).center()));
    const RunArchive& archive = *window.openedRun()->archive;
    const ArchivedGeneration& first = archive.generations[generation1 - 1];
    const ArchivedGeneration& second = archive.generations[generation2 - 1];
    const PatternShape shape = archive.config().match.pattern;
    Board expectedBoard;
    setUpMatch(expectedBoard,
               unpackPattern(first.population1[member1 < 0 ? first.champion1 : member1], shape),
               unpackPattern(second.population2[member2 < 0 ? second.champion2 : member2], shape),
               archive.config().match);
    window.duelBoard()->goToStep(0);
    window.duelBoard()->waitForStep();
    QCOMPARE(cellsOf(window.duelBoard()->board()), cellsOf(expectedBoard));
}

void ExplorerTest::followedRunToItsEnd_data()
{
    // Each look at the run: the generations its log and its archive hold,
    // under their partial names while the batch writes them or their final
    // names once it has finished.
    QTest::addColumn<QStringList>("looks");
    // Whether the user chose a duel before the first look.
    QTest::addColumn<bool>("chosen");
    QTest::newRow("grows") << QStringList{"5 5 partial", "8 8 partial"} << false;
    QTest::newRow("renamed at the end") << QStringList{"8 8 final"} << false;
    QTest::newRow("grows, then renamed") << QStringList{"6 6 partial", "8 8 final"} << false;
    QTest::newRow("resumed from a checkpoint")
        << QStringList{"6 6 partial", "3 3 partial", "8 8 final"} << false;
    QTest::newRow("finished, then resumed")
        << QStringList{"6 6 final", "5 5 partial", "8 8 final"} << false;
    QTest::newRow("log ahead of the archive") << QStringList{"7 6 partial", "8 8 final"} << false;
    QTest::newRow("log behind the archive") << QStringList{"6 7 partial", "8 8 final"} << false;
    QTest::newRow("a chosen duel stays") << QStringList{"6 6 partial", "8 8 final"} << true;
}

// A run a batch is still writing is followed to its end, whatever the
// batch does with its files, and the final generation appears; a duel the
// user chose stays chosen, End follows the newest again.
void ExplorerTest::followedRunToItsEnd()
{
    QFETCH(QStringList, looks);
    QFETCH(bool, chosen);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("seed-4"));
    QVERIFY(recordRun(folder, 8));
    const QDir run(folder);
    const QString logPath = run.filePath(QStringLiteral("fitness.csv"));
    const QString archivePath = run.filePath(QStringLiteral("run.arc"));
    const QByteArray log = fileBytes(logPath);
    const QByteArray archive = fileBytes(archivePath);
    const auto writeRun = [&](int logged, int archived, bool final) {
        for (const QString& path : {logPath, archivePath})
            QFile::remove(final ? PartialFile::partialPathOf(path) : path);
        const QString suffix = final ? QString() : QStringLiteral(".partial");
        return writeBytes(logPath + suffix, logUpTo(log, logged)) &&
               writeBytes(archivePath + suffix, archiveUpTo(archive, archived));
    };
    QVERIFY(writeRun(4, 4, false));
    ExplorerWindow window(false);
    QCOMPARE(window.openPath(folder), QString());
    QCOMPARE(window.selection(), (DuelSelection{4, 4, -1, -1}));
    if (chosen)
        window.select({3, 2, -1, 1});
    for (const QString& look : looks) {
        const QStringList words = look.split(QLatin1Char(' '));
        const int logged = words[0].toInt();
        const int archived = words[1].toInt();
        QVERIFY(writeRun(logged, archived, words[2] == QStringLiteral("final")));
        window.followRun();
        QCOMPARE(window.openedRun()->log.size(), logged);
        QCOMPARE(static_cast<int>(window.openedRun()->archive->generations.size()), archived);
        if (!chosen)
            QCOMPARE(window.selection(), (DuelSelection{archived, archived, -1, -1}));
    }
    const DuelSelection last = chosen ? DuelSelection{3, 2, -1, 1} : DuelSelection{8, 8, -1, -1};
    QCOMPARE(window.selection(), last);
    QCOMPARE(window.populations()->shownGeneration(1), last.generation1);
    QCOMPARE(window.populations()->shownGeneration(2), last.generation2);
    window.setFollowingNewest(true);
    QCOMPARE(window.selection(), (DuelSelection{8, 8, -1, -1}));
}

// A look reads only what the files gained, so its cost does not grow with
// the run: a change to a record read before goes unseen, where a reading of
// the whole file refuses it. The CIAO map plays only the matches of the new
// generation's row and column.
void ExplorerTest::followingReadsOnlyWhatWasAppended()
{
    QTemporaryDir dir;
    const QString partial = dir.filePath(QStringLiteral("run.arc.partial"));
    const QByteArray six = randomArchive(6, 12);
    QVERIFY(writeBytes(partial, archiveUpTo(six, 5)));
    ExplorerWindow window(false);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.openPath(partial), QString());
    window.ciao()->waitForGrid();
    QCOMPARE(window.ciao()->matchesToPlay(), 25);
    // The opening learns where the file being written ends: the first look
    // finds nothing new and plays nothing again.
    window.followRun();
    QCOMPARE(window.ciao()->matchesToPlay(), 25);
    QByteArray grown = six;
    const qsizetype recordSize = (six.size() - archiveUpTo(six, 0).size()) / 6;
    const qsizetype inSecond = archiveUpTo(six, 1).size() + recordSize / 2;
    grown[inSecond] = static_cast<char>(grown[inSecond] ^ 0x10);
    QVERIFY(writeBytes(partial, grown));
    QVERIFY(!readArchive(partial).error.isEmpty());
    window.followRun();
    const RunArchive& followed = *window.openedRun()->archive;
    QCOMPARE(static_cast<int>(followed.generations.size()), 6);
    QCOMPARE(followed.generations, decodeArchive(six, QStringLiteral("six")).archive.generations);
    // Six champions a side, five of them met already.
    QCOMPARE(window.ciao()->matchesToPlay(), 6 * 6 - 5 * 5);
    // The map of the grown run is the map of the run read whole.
    const QString whole = dir.filePath(QStringLiteral("six.arc"));
    QVERIFY(writeBytes(whole, six));
    ExplorerWindow fresh(false);
    QCOMPARE(fresh.openPath(whole), QString());
    fresh.ciao()->waitForGrid();
    window.ciao()->waitForGrid();
    QCOMPARE(window.ciao()->gridAsCsv(), fresh.ciao()->gridAsCsv());
}

// --follow waits for the batch to finish the run, and the image shows its
// last generation's duel, as --duel asks for it on the finished run.
void ExplorerTest::followedImageShowsTheLastGeneration()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("seed-4"));
    QVERIFY(recordRun(folder, 5));
    const QDir run(folder);
    const QString logPath = run.filePath(QStringLiteral("fitness.csv"));
    const QString archivePath = run.filePath(QStringLiteral("run.arc"));
    const QByteArray log = fileBytes(logPath);
    const QByteArray archive = fileBytes(archivePath);
    const QString expected = dir.filePath(QStringLiteral("expected.png"));
    QCOMPARE(runProgram(QStringLiteral(COEVOLIFE_EXPLORER_PATH),
                        {folder, "--duel", "5", "5", "--board-image", expected})
                 .exitCode,
             0);
    for (const QString& path : {logPath, archivePath})
        QVERIFY(QFile::remove(path));
    QVERIFY(writeBytes(logPath + ".partial", logUpTo(log, 3)));
    QVERIFY(writeBytes(archivePath + ".partial", archiveUpTo(archive, 3)));
    const QString followed = dir.filePath(QStringLiteral("followed.png"));
    QProcess explorer;
    explorer.start(QStringLiteral(COEVOLIFE_EXPLORER_PATH),
                   {folder, "--follow", "--board-image", followed});
    QVERIFY(explorer.waitForStarted());
    // The batch writes on and finishes, renaming its files.
    QTest::qWait(300);
    QVERIFY(writeBytes(logPath + ".partial", log));
    QVERIFY(writeBytes(archivePath + ".partial", archive));
    QVERIFY(QFile::rename(logPath + ".partial", logPath));
    QVERIFY(QFile::rename(archivePath + ".partial", archivePath));
    QVERIFY(explorer.waitForFinished(300000));
    QCOMPARE(explorer.exitCode(), 0);
    QCOMPARE(QImage(followed), QImage(expected));
}

// A sweep's folder opens as its conditions and seeds, each with how far it
// got, and the chosen condition's summary; choosing a seed opens its run. A
// folder with nothing to read says so.
void ExplorerTest::sweepFolderOpensAsItsSeeds()
{
    QTemporaryDir dir;
    const QDir sweep(dir.filePath(QStringLiteral("sweep")));
    QVERIFY(recordRun(sweep.filePath(QStringLiteral("control/seed-4")), 3));
    QVERIFY(recordRun(sweep.filePath(QStringLiteral("control/seed-5")), 3));
    QVERIFY(recordRun(sweep.filePath(QStringLiteral("other/seed-4")), 4));
    // Seed 5 is still being written, two generations in.
    const QDir unfinished(sweep.filePath(QStringLiteral("control/seed-5")));
    const QString log = unfinished.filePath(QStringLiteral("fitness.csv"));
    QVERIFY(writeBytes(log + ".partial", logUpTo(fileBytes(log), 2)));
    QVERIFY(QFile::remove(log));
    ExplorerWindow window(false);
    QCOMPARE(window.openPath(sweep.path()), QString());
    QVERIFY(!window.hasRun());
    SweepPane* pane = window.sweep();
    QVERIFY(pane);
    QCOMPARE(pane->lines(), (QStringList{"control", "  seed 4: finished at generation 3",
                                         "  seed 5: unfinished, at generation 2", "other",
                                         "  seed 4: finished at generation 4"}));
    pane->resize(1200, 600);
    pane->grab();
    QCOMPARE(pane->chartLayout().panels.size(), std::size_t{4});
    pane->chooseSeed(2);
    QCOMPARE(window.waitForOpened(), QString());
    QVERIFY(window.hasRun());
    QVERIFY(!window.sweep());
    QCOMPARE(window.openedRun()->log.size(), 4);

    const QString empty = dir.filePath(QStringLiteral("empty"));
    QVERIFY(QDir().mkpath(empty));
    QCOMPARE(window.openPath(empty),
             QStringLiteral("%1 holds no run (neither fitness.csv nor run.arc, nor their .partial "
                            "files) and no seed folder of a sweep")
                 .arg(empty));
    QVERIFY(window.hasRun());
}

void ExplorerTest::damagedRunLeavesTheOpenOne()
{
    QTemporaryDir dir;
    QVERIFY(recordRun(dir.filePath(QStringLiteral("good")), 3));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("empty")));
    const QString damaged = dir.filePath(QStringLiteral("damaged.arc"));
    QByteArray bytes = fileBytes(dir.filePath(QStringLiteral("good/run.arc")));
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x40);
    QVERIFY(writeBytes(damaged, bytes));
    ExplorerWindow window;
    QCOMPARE(window.openPath(dir.filePath(QStringLiteral("good"))), QString());
    const QString title = window.windowTitle();
    for (const QString& bad : {damaged, dir.filePath(QStringLiteral("empty")),
                               dir.filePath(QStringLiteral("missing"))}) {
        QVERIFY(!window.openPath(bad).isEmpty());
        QCOMPARE(window.windowTitle(), title);
        QVERIFY(window.hasRun());
    }
}

// A run is read while the window answers, and shown once read; an open
// asked for after it, or a close, means it is never shown.
void ExplorerTest::openingSupersedesTheOneBefore()
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.arc"));
    const QString second = dir.filePath(QStringLiteral("second.arc"));
    QVERIFY(writeBytes(first, randomArchive(3, 21)));
    QVERIFY(writeBytes(second, randomArchive(5, 22)));
    ExplorerWindow window(false);
    QSignalSpy opened(&window, &ExplorerWindow::opened);
    window.beginOpening(first);
    window.beginOpening(second);
    // Nothing is shown before the event loop runs.
    QVERIFY(window.opening() && !window.hasRun());
    QTRY_COMPARE(opened.size(), 1);
    QCOMPARE(opened.front().front().toString(), QString());
    QVERIFY(!window.opening());
    QCOMPARE(window.openedRun()->path, second);
    QCOMPARE(window.selection(), (DuelSelection{5, 5, -1, -1}));
    QCOMPARE(window.fitness()->shownRange(), (std::pair{1, 5}));
    QCOMPARE(window.populations()->shownGeneration(2), 5);
    QCOMPARE(window.ciao()->shownGenerations(), (std::vector<int>{1, 2, 3, 4, 5}));

    window.beginOpening(first);
    window.closeRun();
    QCOMPARE(opened.size(), 2);
    QVERIFY(!opened.back().front().toString().isEmpty());
    QVERIFY(!window.opening() && !window.hasRun());
    // The reader answers in order: the run given up comes back before the
    // next one, and only that one is shown.
    QCOMPARE(window.openPath(second), QString());
    QCOMPARE(opened.size(), 3);
    QCOMPARE(window.openedRun()->path, second);
}

void ExplorerTest::fitnessPaneShowsItsChart_data()
{
    QTest::addColumn<QString>("opened");
    QTest::newRow("the log") << QString();
    QTest::newRow("the archive's champions") << QStringLiteral("run.arc");
}

// The fitness pane's lines, painted on a thread of their own and laid over
// the rest of its chart, make the chart paintChart paints: the same pixels
// but for a shade on smoothed edges.
void ExplorerTest::fitnessPaneShowsItsChart()
{
    QFETCH(QString, opened);
    QTemporaryDir dir;
    const QString run = dir.filePath(QStringLiteral("run"));
    QVERIFY(recordRun(run, 12));
    ExplorerWindow window(false);
    window.resize(1280, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.openPath(QDir(run).filePath(opened)), QString());
    FitnessPane* fitness = window.fitness();
    fitness->waitForLines();
    const QImage shown = fitness->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage expected(shown.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        fitness->paintChart(painter, fitness->rect());
    }
    int largest = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb a = shown.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(a) - qRed(b)),
                                std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
        }
    // A layer's smoothed edges are rounded once more where it is laid over,
    // twice where the two lines of a panel cross.
    QVERIFY2(largest <= 3, qPrintable(QStringLiteral("a pixel %1 levels off").arg(largest)));
}

void ExplorerTest::hugeRunStaysResponsive()
{
    // Every match of this run plays on the largest board for the most steps,
    // minutes each: opening another run, or closing the window, has to stop
    // the CIAO map's matches in progress, not wait for them; a picture is
    // taken of the map as far as it got; the duel board steps elsewhere.
    QTemporaryDir dir;
    ExperimentConfig largest;
    largest.match.boardWidth = 4096;
    largest.match.boardHeight = 4096;
    largest.match.steps = 100000;
    const QString huge = dir.filePath(QStringLiteral("huge.arc"));
    QVERIFY(writeBytes(huge, randomArchive(8, 6, largest)));
    QVERIFY(recordRun(dir.filePath(QStringLiteral("small")), 3));
    ExplorerWindow window;
    window.resize(1280, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.openPath(huge), QString());
    CiaoPane* ciao = window.ciao();
    QVERIFY(ciao->computing());
    QVERIFY(ciao->workLeft() > CiaoPane::pictureWork);
    QVERIFY(!ciao->waitForPicture());
    // The picture shows the progress bar, not a blank strip.
    const auto* progress = ciao->findChild<QProgressBar*>();
    QVERIFY(progress && progress->isVisible());
    const QImage picture = ciao->grab().toImage();
    const QImage strip = picture.copy(progress->geometry());
    int drawn = 0;
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            drawn += strip.pixel(x, y) != strip.pixel(0, 0);
    QVERIFY(drawn > 0);

    // The huge duel plays to its last step in the background while the
    // window's events go on; a duel chosen then drops its result.
    DuelBoardPane* duel = window.duelBoard();
    duel->waitForStep();
    duel->goToStep(duel->lastStep());
    QVERIFY(duel->stepping());
    bool answered = false;
    QTimer::singleShot(0, &window, [&answered] { answered = true; });
    QCoreApplication::processEvents();
    QVERIFY(answered);
    QVERIFY(duel->stepping() && duel->step() == 0);

    QCOMPARE(window.openPath(dir.filePath(QStringLiteral("small"))), QString());
    ciao->waitForGrid();
    QVERIFY(!ciao->computing());
    QCOMPARE(ciao->shownGenerations(), (std::vector<int>{1, 2, 3}));
    duel->goToStep(20);
    duel->waitForStep();
    QCOMPARE(duel->step(), 20);
    QVERIFY(duel->lastSteppingThread() && duel->lastSteppingThread() != QThread::currentThread());
    const ArchivedGeneration& third = window.openedRun()->archive->generations[2];
    const MatchLayout layout = window.openedRun()->config.match;
    Board expected;
    setUpMatch(expected, unpackPattern(third.championOf(1), layout.pattern),
               unpackPattern(third.championOf(2), layout.pattern), layout);
    expected.setSteps(20);
    expected.run();
    QCOMPARE(cellsOf(duel->board()), cellsOf(expected));
    QVERIFY(window.openPath(huge).isEmpty() && ciao->computing());

    // The program's picture of it is written at once.
    const QString shot = dir.filePath(QStringLiteral("huge.png"));
    QCOMPARE(runProgram(QStringLiteral(COEVOLIFE_EXPLORER_PATH), {huge, "--screenshot", shot})
                 .exitCode,
             0);
    QCOMPARE(QImage(shot).size(), QSize(1280, 800));
}

void ExplorerTest::hostileArgumentsAreQuoted_data()
{
    // "~" stands for the test's folder, which holds a run's run.arc.
    QTest::addColumn<QStringList>("arguments");
    // The line after the program's name, or with `whole` false its start.
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("whole");

    const QString hostile = hostileText();
    const QString quoted = quotedHostileText();
    const QString help = QStringLiteral(" (see 'coevolife-explorer --help')");
    QTest::newRow("run") << QStringList{"~/" + hostile, "--screenshot", "~/s.png"}
                         << QStringLiteral("~/%1: no such file or folder").arg(quoted) << true;
    QTest::newRow("second run")
        << QStringList{"~/run.arc", hostile}
        << QStringLiteral("one run at a time: ~/run.arc and %1").arg(quoted) + help << true;
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--") + hostile}
        << QStringLiteral("unknown option --%1").arg(quoted) + help << true;
    // Refused as the other programs refuse it, not the last one taken.
    QTest::newRow("repeated option")
        << QStringList{"~/run.arc", "--duel", "1", "1", "--duel", "2", "2"}
        << QStringLiteral("--duel given more than once") + help << true;
    QTest::newRow("--duel") << QStringList{"~/run.arc", "--duel", hostile, "1"}
                            << QStringLiteral("--duel: '%1' is not a whole number").arg(quoted) +
                                   help
                            << true;
    QTest::newRow("--step") << QStringList{"~/run.arc", "--duel", "1", "1", "--step", hostile}
                            << QStringLiteral("--step: '%1' is not a whole number").arg(quoted) +
                                   help
                            << true;
    QTest::newRow("--screenshot folder")
        << QStringList{"~/run.arc", "--screenshot", "~/" + hostile + "/s.png"}
        << QStringLiteral("--screenshot ~/%1/s.png: folder ~/%1 does not exist").arg(quoted)
        << true;
    QTest::newRow("--size out of bounds")
        << QStringList{"~/run.arc", "--screenshot", "~/s.png", "--size", "100000x" + hostile}
        << QStringLiteral("--size %1: give WIDTHxHEIGHT, each 320 to 8192 pixels")
                   .arg(quotedText(QStringLiteral("100000x") + hostile)) +
               help
        << true;
    QTest::newRow("--timeout without --follow")
        << QStringList{"~/run.arc", "--screenshot", "~/s.png", "--timeout", "5"}
        << QStringLiteral("--timeout needs --follow") + help << true;
    QTest::newRow("--lineage without --duel")
        << QStringList{"~/run.arc", "--lineage", "1", "1", "0"}
        << QStringLiteral("--members, --step and --lineage need --duel") + help << true;
    QTest::newRow("--lineage past the run")
        << QStringList{"~/run.arc", "--duel", "1", "1", "--lineage", "5", "1", "0",
                       "--screenshot", "~/s.png"}
        << QStringLiteral("--lineage: generation 5 is not in the archive (1 to 2)") << true;
    QTest::newRow("--lineage population 3")
        << QStringList{"~/run.arc", "--duel", "1", "1", "--lineage", "2", "3", "0",
                       "--screenshot", "~/s.png"}
        << QStringLiteral("--lineage: population 3: there are populations 1 and 2") << true;
    // The formats Qt writes vary with its plugins.
    QTest::newRow("--board-image name")
        << QStringList{"~/run.arc", "--board-image", "~/" + hostile}
        << QStringLiteral("--board-image ~/%1: the suffix names no image format").arg(quoted)
        << false;
}

// Refused with one line and exit code 2, the text from outside quoted.
void ExplorerTest::hostileArgumentsAreQuoted()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, line);
    QFETCH(bool, whole);
    QTemporaryDir dir;
    QVERIFY(recordRun(dir.path(), 2));
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("~"), dir.path());
    line.replace(QStringLiteral("~"), dir.path());
    const ProgramRun run = runProgram(QStringLiteral(COEVOLIFE_EXPLORER_PATH), arguments);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.errorLines.size(), 1);
    QCOMPARE(controlCharacterIn(run.errorLines.first().toUtf8()), QString());
    const QString expected = QStringLiteral("coevolife-explorer: ") + line;
    if (whole)
        QCOMPARE(run.errorLines.first(), expected);
    else
        QVERIFY2(run.errorLines.first().startsWith(expected), qPrintable(run.errorLines.first()));
}

void ExplorerTest::axesSpanWhatIsDrawn_data()
{
    // The generations a map plays (every stride-th from the first, and the
    // last), which are also those the fitness chart shows from first to last.
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("stride");
    QTest::newRow("1 to 3") << 1 << 3 << 1;
    QTest::newRow("1 to 1,000") << 1 << 1000 << 7;
    QTest::newRow("9,001 to 10,000") << 9001 << 10000 << 9;
    QTest::newRow("a cut archive") << 1 << 2969 << 20;
    QTest::newRow("a followed run grown to 667") << 1 << 667 << 5;
    QTest::newRow("zoomed into 427 to 753") << 427 << 753 << 3;
}

// Every tick of both CIAO maps and of the fitness chart lies within what
// they draw: the maps from the first generation played to the last, the
// chart from the first generation shown to the last with its lines reaching
// both ends, its scores on an axis fitted to the scores shown.
void ExplorerTest::axesSpanWhatIsDrawn()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, stride);
    const std::vector<int> generations = everyOf(first, last, stride);
    std::mt19937_64 random(3);
    std::vector<PackedPattern> champions;
    for (std::size_t k = 0; k < generations.size(); ++k)
        champions.push_back(randomPackedPattern(random));
    // Not played: the axes do not wait for the cells.
    const ChampionGrid grid(champions, champions, MatchLayout());
    QVector<GenerationRecord> records;
    for (int g = first; g <= last; ++g)
        records.append({g, 400.0 + g % 353, 300.0 + g % 97, 760.0, 420.0});
    for (const QSize size : {QSize(1280, 800), QSize(530, 730), QSize(380, 520)}) {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        const CiaoLayout maps = paintCiaoPlot(painter, image.rect(), grid, generations, {});
        const ChartLayout fitness = paintFitnessPlot(painter, image.rect(), records, {});
        painter.end();
        QCOMPARE(static_cast<int>(maps.maps.size()), 2);
        for (const CiaoMap& map : maps.maps)
            for (const ChartAxis& axis : {map.scale.xAxis, map.scale.yAxis}) {
                const std::vector<double> ticks = axisTicks(axis);
                QVERIFY(!ticks.empty());
                for (const double tick : ticks)
                    QVERIFY2(tick >= first && tick <= last,
                             qPrintable(QStringLiteral("tick %1").arg(tick)));
            }
        for (const ChartScale& panel : fitness.panels) {
            QCOMPARE(panel.xAxis.low, double(first));
            QCOMPARE(panel.xAxis.high, double(last));
            for (const double tick : axisTicks(panel.xAxis))
                QVERIFY(tick >= first && tick <= last);
            // The scores drawn fill their axis: no more than twice their span.
            const auto [lowest, highest] = panel.area.top() < fitness.panels.back().area.top()
                                               ? std::pair{400.0, 760.0}
                                               : std::pair{300.0, 420.0};
            QVERIFY(panel.yAxis.low <= lowest && panel.yAxis.high >= highest);
            QVERIFY2(
                panel.yAxis.high - panel.yAxis.low <= 2 * (highest - lowest),
                qPrintable(QStringLiteral("%1 to %2").arg(panel.yAxis.low).arg(panel.yAxis.high)));
            for (const double tick : axisTicks(panel.yAxis))
                QVERIFY(tick >= panel.yAxis.low && tick <= panel.yAxis.high);
        }
    }
}

void ExplorerTest::textFitsItsPane_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<int>("generations");
    QTest::newRow("1280 x 800, 10,000 generations") << QSize(1280, 800) << 10000;
    QTest::newRow("1600 x 1000, 10,000 generations") << QSize(1600, 1000) << 10000;
    QTest::newRow("900 x 600, 10,000 generations") << QSize(900, 600) << 10000;
    QTest::newRow("1280 x 800, 3 generations") << QSize(1280, 800) << 3;
    QTest::newRow("900 x 600, 3 generations") << QSize(900, 600) << 3;
}

// In the window at its default size and above no text of the fitness
// chart or the CIAO maps leaves its pane, overlaps another or is cut; at
// 900 x 600 none leaves its pane or overlaps another and each map keeps 200
// pixels a side. A map played at a stride says so after its title.
void ExplorerTest::textFitsItsPane()
{
    QFETCH(QSize, window);
    QFETCH(int, generations);
    QTemporaryDir dir;
    QVERIFY(writeQuickRun(dir.path(), generations));
    ExplorerWindow explorer(false);
    explorer.resizeToDefaultLayout(window);
    explorer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&explorer));
    QCOMPARE(explorer.size(), window);
    QCOMPARE(explorer.openPath(dir.path()), QString());
    CiaoPane* ciao = explorer.ciao();
    ciao->waitForGrid();
    ciao->repaint();
    const bool whole = window.width() >= 1280;
    for (const auto& [name, pane] :
         {std::pair<QString, QWidget*>{QStringLiteral("fitness"), explorer.fitness()},
          std::pair<QString, QWidget*>{QStringLiteral("CIAO"), ciao}}) {
        const std::vector<PaintedText> texts = paintedTexts(pane->size(), [&](QPainter& painter) {
            if (pane == ciao)
                ciao->paintMaps(painter, pane->rect());
            else
                explorer.fitness()->paintChart(painter, pane->rect());
        });
        QVERIFY(texts.size() > 10);
        const QString problem = textLayoutProblem(texts, pane->rect(), whole);
        QVERIFY2(problem.isEmpty(), qPrintable(name + QStringLiteral(": ") + problem));
        if (pane != ciao)
            continue;
        const QString note = ciao->playedNote();
        const bool noted =
            std::any_of(texts.begin(), texts.end(),
                        [&note](const PaintedText& text) { return text.text == note; });
        QVERIFY2(noted, qPrintable(note));
    }
    QCOMPARE(ciao->playedStride() > 1, generations > 1000);
    if (generations > 1000)
        QVERIFY2(QRegularExpression(QStringLiteral("^every \\d+(st|nd|rd|th) generation: "
                                                   "[\\d,]+ of 10,000$"))
                     .match(ciao->playedNote())
                     .hasMatch(),
                 qPrintable(ciao->playedNote()));
    const CiaoLayout& layout = ciao->lastLayout();
    QCOMPARE(static_cast<int>(layout.maps.size()), 2);
    for (const CiaoMap& map : layout.maps)
        QVERIFY2(map.scale.area.width() >= 200 && map.scale.area.height() >= 200,
                 qPrintable(QStringLiteral("a map of %1 pixels").arg(map.scale.area.width())));

    // The archive alone: the legend names the champions' scores it draws.
    QCOMPARE(explorer.openPath(dir.filePath(QStringLiteral("run.arc"))), QString());
    const std::vector<PaintedText> legend =
        paintedTexts(explorer.fitness()->size(), [&](QPainter& painter) {
            explorer.fitness()->paintChart(painter, explorer.fitness()->rect());
        });
    for (const QString& name : {QStringLiteral("population 1 champion"),
                                QStringLiteral("population 2 champion, best so far")})
        QVERIFY2(std::any_of(legend.begin(), legend.end(),
                             [&name](const PaintedText& text) { return text.text == name; }),
                 qPrintable(name));
}

void ExplorerTest::picturesForAPaper_data()
{
    // What is written ("~" the test's folder): by the program with
    // `arguments`, or by the window's export of the pane named.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("pane");
    QTest::addColumn<QString>("path");
    // The picture's size, and what its file starts with and holds.
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("holds");
    const QByteArray svg("<?xml");
    const QByteArray svgText("<text");
    QTest::newRow("--screenshot, SVG at --size")
        << QStringList{"~/run", "--screenshot", "~/w.svg", "--size", "900x600"} << QString()
        << "~/w.svg" << QSize(900, 600) << svg << svgText;
    QTest::newRow("--screenshot, PDF")
        << QStringList{"~/run", "--screenshot", "~/w.pdf"} << QString() << "~/w.pdf"
        << QSize(1280, 800) << QByteArray("%PDF")
        << QByteArray("/MediaBox [0 0 1280.000000 800.000000]");
    QTest::newRow("--screenshot, PNG at --size")
        << QStringList{"~/run", "--screenshot", "~/w.png", "--size", "1000x700"} << QString()
        << "~/w.png" << QSize(1000, 700) << QByteArray("\x89PNG") << QByteArray();
    QTest::newRow("fitness pane, PNG")
        << QStringList() << "fitness"
        << "~/f.png" << QSize(1600, 1000) << QByteArray("\x89PNG") << QByteArray();
    QTest::newRow("CIAO pane, SVG")
        << QStringList() << "ciao"
        << "~/c.svg" << QSize(1600, 1000) << svg << QByteArray("CIAO maps</text>");
    QTest::newRow("fitness pane, PDF") << QStringList() << "fitness"
                                       << "~/f.pdf" << QSize(1200, 900) << QByteArray("%PDF")
                                       << QByteArray("/MediaBox [0 0 1200.000000 900.000000]");
    // The grid shown, as the analyzer writes it.
    QTest::newRow("CIAO grid, CSV")
        << QStringList() << "grid"
        << "~/g.csv" << QSize() << QByteArray("generation1,") << QByteArray();
}

// The window, its panes and the map's grid written for a paper: SVG and PDF
// keep their text as text, a pane is painted anew at the size chosen.
void ExplorerTest::picturesForAPaper()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, pane);
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, holds);
    QTemporaryDir dir;
    const QString run = dir.filePath(QStringLiteral("run"));
    QVERIFY(recordRun(run, 6));
    path.replace(QStringLiteral("~"), dir.path());
    if (!arguments.isEmpty()) {
        for (QString& argument : arguments)
            argument.replace(QStringLiteral("~"), dir.path());
        QCOMPARE(runProgram(QStringLiteral(COEVOLIFE_EXPLORER_PATH), arguments).exitCode, 0);
    } else {
        ExplorerWindow window(false);
        QCOMPARE(window.openPath(run), QString());
        QCOMPARE(window.exportFolder(), QFileInfo(run).absoluteFilePath());
        window.ciao()->waitForGrid();
        if (pane == QStringLiteral("grid")) {
            QVERIFY(writeBytes(path, window.ciao()->gridAsCsv()));
            const QString analyzed = dir.filePath(QStringLiteral("analyzed.csv"));
            QCOMPARE(runProgram(QStringLiteral(COEVOLIFE_ANALYZE_PATH),
                                {"grid", run + "/run.arc", "--csv", analyzed})
                         .exitCode,
                     0);
            QCOMPARE(fileBytes(path), fileBytes(analyzed));
        } else {
            QWidget* widget = pane == QStringLiteral("ciao") ? static_cast<QWidget*>(window.ciao())
                                                             : window.fitness();
            QCOMPARE(window.exportPane(widget, path, size), QString());
        }
    }
    const QByteArray bytes = fileBytes(path);
    QVERIFY2(bytes.startsWith(start), bytes.left(16).constData());
    QVERIFY2(bytes.contains(holds), holds.constData());
    if (start == "<?xml")
        QVERIFY(bytes.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"")
                                   .arg(size.width())
                                   .arg(size.height())
                                   .toLatin1()));
    if (start == "\x89PNG")
        QCOMPARE(QImage(path).size(), size);
}
