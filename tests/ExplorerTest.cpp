// The explorer's panes, driven directly and checked against the libraries
// they show: the board, the champion grid and the exports.
#include "TestSupport.h"
#include "analysis/ChampionGrid.h"
#include "board/Board.h"
#include "board/Match.h"
#include "explorer/CiaoPane.h"
#include "explorer/DuelBoardPane.h"
#include "explorer/ExplorerWindow.h"
#include "explorer/PopulationsPane.h"
#include "records/ArchiveReader.h"
#include "records/PartialFile.h"
#include "records/PatternExport.h"
#include "records/RuleTableWriter.h"
#include "view/SpriteSheet.h"

#include <QDir>
#include <QStandardPaths>
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
    void thumbnailsChooseTheirMembers();
    void liveRunGrows();
    void damagedRunLeavesTheOpenOne();
    void hugeRunClosesAtOnce();
    void hostileArgumentsAreQuoted_data();
    void hostileArgumentsAreQuoted();
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
    if (key != 0)
        QTest::keyClick(&pane, Qt::Key(key));
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
    QCOMPARE(cellsOf(window.duelBoard()->board()), cellsOf(expected));
    // The chosen member is framed: its thumbnail's rim is not the background.
    const QImage shown = populations->grab().toImage();
    const QRect chosen = populations->thumbnailRect(1, 6);
    const QColor background = populations->palette().window().color();
    QVERIFY(shown.pixelColor(chosen.left() - 1, chosen.center().y()) != background);
    QCOMPARE(shown.pixelColor(populations->thumbnailRect(1, 5).left() - 1,
                              populations->thumbnailRect(1, 5).center().y()),
             background);
}

void ExplorerTest::liveRunGrows()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("live"));
    QVERIFY(recordRun(folder, 5));
    // A run still being written: its partial files, the last record cut short.
    const QDir run(folder);
    const QByteArray archive = fileBytes(run.filePath(QStringLiteral("run.arc")));
    const QString partial = run.filePath(QStringLiteral("run.arc.partial"));
    QVERIFY(QFile::remove(run.filePath(QStringLiteral("run.arc"))));
    QVERIFY(QFile::rename(run.filePath(QStringLiteral("fitness.csv")),
                          run.filePath(QStringLiteral("fitness.csv.partial"))));
    QVERIFY(writeBytes(partial, archive.left(archive.size() - 40)));
    ExplorerWindow window;
    window.resize(1200, 800);
    QCOMPARE(window.openPath(folder), QString());
    QCOMPARE(static_cast<int>(window.openedRun()->archive->generations.size()), 4);
    QVERIFY(!window.openedRun()->warnings.isEmpty());
    // The batch writes the rest of the record: the next look shows it, and
    // a view of the last generation follows it.
    QVERIFY(writeBytes(partial, archive));
    window.followRun();
    QCOMPARE(static_cast<int>(window.openedRun()->archive->generations.size()), 5);
    QCOMPARE(window.selection().generation, 5);
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

void ExplorerTest::hugeRunClosesAtOnce()
{
    // Every match of this run plays on the largest board for the most steps,
    // minutes each: opening another run, or closing the window, has to stop
    // the CIAO map's matches in progress, not wait for them.
    QTemporaryDir dir;
    ExperimentConfig largest;
    largest.match.boardWidth = 4096;
    largest.match.boardHeight = 4096;
    largest.match.steps = 100000;
    const QString huge = dir.filePath(QStringLiteral("huge.arc"));
    QVERIFY(writeBytes(huge, randomArchive(8, 6, largest)));
    QVERIFY(recordRun(dir.filePath(QStringLiteral("small")), 3));
    ExplorerWindow window;
    QCOMPARE(window.openPath(huge), QString());
    QVERIFY(window.ciao()->computing());
    QCOMPARE(window.openPath(dir.filePath(QStringLiteral("small"))), QString());
    window.ciao()->waitForGrid();
    QVERIFY(!window.ciao()->computing());
    QCOMPARE(window.ciao()->shownGenerations(), (std::vector<int>{1, 2, 3}));
    QVERIFY(window.openPath(huge).isEmpty() && window.ciao()->computing());
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
