// coevolife-analyze against results computed independently of this code,
// the pool against the worker's way of playing a match, and Ctrl-C.
#include "RecordsTestSupport.h"
#include "analysis/ChampionGrid.h"
#include "analysis/Descent.h"
#include "analysis/Lineage.h"
#include "analysis/Phylogeny.h"
#include "analysis/RankTest.h"
#include "analysis/SeedSummary.h"
#include "analysis/Turnover.h"
#include "board/Board.h"
#include "board/Match.h"
#include "board/MatchPool.h"
#include "board/StepThread.h"
#include "charts/FitnessPlot.h"
#include "charts/SummaryPlot.h"
#include "evolution/GenerationReport.h"
#include "evolution/LifegameThread.h"
#include "random/RandomSources.h"
#include "records/ArchiveReader.h"
#include "records/ArchiveWriter.h"
#include "records/Checksum.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <limits>
#include <map>

namespace
{

const QString batchPath = QStringLiteral(COEVOLIFE_BATCH_PATH);
const QString analyzePath = QStringLiteral(COEVOLIFE_ANALYZE_PATH);

QString patternBits(const PackedPattern& pattern)
{
    const Pattern cells = unpackPattern(pattern);
    QString bits;
    for (int i = 0; i < patternCells; ++i)
        bits += cells[i] != 0 ? QLatin1Char('1') : QLatin1Char('0');
    return bits;
}

Birth bredBy(BreedingOperator how, int parent, int mate = -1, CrossoverRectangle rectangle = {})
{
    return {how, parent, mate, rectangle};
}

// One generation of a hand-built run of 3 members of 3 x 1 patterns, each
// pattern its byte in hex.
LineageGeneration handBuilt(int number, const QByteArrayList& patterns1,
                            const QByteArrayList& patterns2, std::vector<float> scores1,
                            std::vector<float> scores2, std::array<int, 2> champions,
                            Births births1 = {}, Births births2 = {})
{
    LineageGeneration generation;
    generation.generation = number;
    for (const QByteArray& hex : patterns1)
        generation.members[0].push_back(QByteArray::fromHex(hex).toStdString());
    for (const QByteArray& hex : patterns2)
        generation.members[1].push_back(QByteArray::fromHex(hex).toStdString());
    generation.scores = {std::move(scores1), std::move(scores2)};
    generation.champions = champions;
    generation.births = {std::move(births1), std::move(births2)};
    return generation;
}

// Population 1 meets in member 2 of generation 2 by generation 3; population
// 2 copies each member onto itself, so its lines never meet. Generation 1
// kept no scores, as an archive of the champions' scores alone.
std::vector<LineageGeneration> handBuiltRun()
{
    using O = BreedingOperator;
    const Births ownCopies = {bredBy(O::Copy, 0), bredBy(O::Copy, 1), bredBy(O::Copy, 2)};
    const QByteArrayList same2 = {"00", "02", "04"};
    return {handBuilt(1, {"00", "01", "03"}, same2, {}, {}, {1, 0}),
            handBuilt(2, {"00", "04", "03"}, same2, {1, 2, 3}, {0.5f, 0.5f, 0.5f}, {2, 0},
                      {bredBy(O::Copy, 0), bredBy(O::Mutation, 0),
                       bredBy(O::Crossover, 1, 2, {1, 2, 0, 1})},
                      ownCopies),
            handBuilt(3, {"03", "02", "03"}, same2, {4, 1.25f, 4}, {1, 2, 3}, {0, 2},
                      {bredBy(O::Copy, 2), bredBy(O::Crossover, 2, 1, {0, 1, 0, 1}),
                       bredBy(O::Mutation, 2)},
                      ownCopies),
            handBuilt(
                4, {"03", "02", "03"}, same2, {0, 0, 0}, {7, 7, 7}, {0, 0},
                {bredBy(O::Copy, 0), bredBy(O::Copy, 1), bredBy(O::Crossover, 2, 2, {0, 2, 0, 1})},
                ownCopies)};
}

LineageModel modelOf(const std::vector<LineageGeneration>& generations)
{
    LineageModel model(3, {3, 1});
    for (const LineageGeneration& generation : generations) {
        const QString error = model.append(generation);
        if (!error.isEmpty())
            qFatal("%s", qPrintable(error));
    }
    return model;
}

} // namespace

class AnalyzeTest : public QObject
{
    Q_OBJECT

private slots:
    void seededRunMatchesReference();
    void gridCellsAreTheWorkersMatches();
    void otherConfigurationArchivedAndPlayedOnItsLayout();
    void numbersAtTheEdgesAnalysed_data();
    void numbersAtTheEdgesAnalysed();
    void chartsAsVectorPictures_data();
    void chartsAsVectorPictures();
    void interruptWritesNothing_data();
    void interruptWritesNothing();
    void summaryQuartilesOfHandMadeRuns();
    void lineageOfHandBuiltRun();
    void lineageRefusesWhatNamesNoMember_data();
    void lineageRefusesWhatNamesNoMember();
    void lineageCommandsOfARecordedRun_data();
    void lineageCommandsOfARecordedRun();
    void rankTestOfHandComputedCases_data();
    void rankTestOfHandComputedCases();
    void holmStepsDown();
    void compareOfHandMadeConditions();
    void turnoverOfArchivedRunsSummarizedAndCompared();
    void crossplayMeansAreTheMatchesAgainstOtherRuns();
};

void AnalyzeTest::seededRunMatchesReference()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("run.arc"));
    const ProgramRun plain =
        runProgram(batchPath, {QStringLiteral("--seed"), QStringLiteral("12345"),
                               QStringLiteral("--generations"), QStringLiteral("10")});
    const ProgramRun archived =
        runProgram(batchPath, {QStringLiteral("--seed"), QStringLiteral("12345"),
                               QStringLiteral("--generations"), QStringLiteral("10"),
                               QStringLiteral("--archive"), archive});
    QCOMPARE(archived.exitCode, 0);
    QCOMPARE(archived.out, plain.out);

    const ArchiveRead read = readArchive(archive);
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    QCOMPARE(read.archive.header.seed, 12345u);
    // The members and champions are those version 1 recorded, checked by
    // the CRC-32 of its records for them; every member's score and birth
    // comes with them.
    QCOMPARE(read.archive.header.formatVersion, 3u);
    ArchiveHeader versionOne = read.archive.header;
    versionOne.formatVersion = 1;
    QByteArray records;
    for (const ArchivedGeneration& generation : read.archive.generations) {
        records += encodeArchivedGeneration(generation, versionOne);
        QCOMPARE(generation.lineage.hasBirths(), generation.generation > 1);
    }
    QCOMPARE(records.size(), 10 * archiveRecordSize);
    QCOMPARE(crc32Of(records.constData(), records.size()), 0x9120c232u);
    QString champions;
    for (const ArchivedGeneration& generation : read.archive.generations)
        champions += QString::asprintf("%d %s %.9g %s %.9g\n", generation.generation,
                                       qPrintable(patternBits(generation.championOf(1))),
                                       static_cast<double>(generation.championScore1),
                                       qPrintable(patternBits(generation.championOf(2))),
                                       static_cast<double>(generation.championScore2));
    QCOMPARE(champions.toUtf8(), referenceBytes("seed12345-champions10.txt"));

    const QByteArray grid = referenceBytes("seed12345-grid10.csv");
    QVERIFY(!grid.isEmpty());
    for (const char* threads : {"1", "2", "5"}) {
        const QString csv = dir.filePath(QStringLiteral("grid%1.csv").arg(threads));
        const ProgramRun run =
            runProgram(analyzePath, {QStringLiteral("grid"), archive, QStringLiteral("--csv"), csv,
                                     QStringLiteral("--threads"), QLatin1String(threads)});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.errorLines.isEmpty());
        QCOMPARE(fileBytes(csv), grid);
    }
}

void AnalyzeTest::gridCellsAreTheWorkersMatches()
{
    // Random champions with repeats, as a run has them.
    std::mt19937_64 random(99);
    const PackedPattern empty(packedPatternBytes, '\0');
    std::vector<PackedPattern> champions1(12, empty);
    std::vector<PackedPattern> champions2(9, empty);
    for (PackedPattern& champion : champions1)
        champion = random() % 3 == 0 ? champions1.front() : randomPackedPattern(random);
    for (PackedPattern& champion : champions2)
        champion = random() % 3 == 0 ? champions2.front() : randomPackedPattern(random);
    ChampionGrid grid(champions1, champions2);
    std::string failure;
    const std::unique_ptr<MatchPool> pool = MatchPool::start(3, failure);
    QVERIFY2(pool, failure.c_str());
    playGrid(grid, *pool);

    // The worker's path: the board's own thread started and waited for.
    StepThread board;
    prepareMatchBoard(board.board());
    for (int i = 0; i < grid.size1(); ++i)
        for (int j = 0; j < grid.size2(); ++j) {
            setUpMatch(board.board(), unpackPattern(champions1[i]), unpackPattern(champions2[j]));
            board.start();
            board.wait();
            const MatchResult result = matchResult(board.board());
            COMPARE_EXACTLY(grid.at(i, j).score1, static_cast<float>(result.firstScore()));
            COMPARE_EXACTLY(grid.at(i, j).score2, static_cast<float>(result.secondScore()));
        }
}

void AnalyzeTest::otherConfigurationArchivedAndPlayedOnItsLayout()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("odd.arc"));
    const ExperimentConfig config = oddTestConfig();
    reseedRandomSources(7);
    LifegameThread worker(config);
    ArchiveWriter writer;
    QCOMPARE(writer.open(path, 7, config), QString());
    std::vector<ArchivedGeneration> written;
    connect(
        &worker, &LifegameThread::generationPlayed, &worker,
        [&](const GenerationReport& report) {
            written.push_back(archivedGeneration(report));
            QCOMPARE(writer.append(written.back()), QString());
            if (written.size() == 3)
                worker.requestStop();
        },
        Qt::DirectConnection);
    worker.start();
    QVERIFY(worker.wait(120000));
    QCOMPARE(writer.finish(), QString());

    const ArchiveRead read = readArchive(path);
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    QCOMPARE(read.archive.header.formatVersion, 3u);
    QVERIFY(read.archive.config() == config);
    QVERIFY(read.archive.generations == written);

    // The analyzer's grid cell of generations 3 and 2 against that match
    // played here on the run's layout.
    const QString csv = dir.filePath(QStringLiteral("grid.csv"));
    const ProgramRun run =
        runProgram(analyzePath, {QStringLiteral("grid"), path, QStringLiteral("--csv"), csv});
    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> rows = fileBytes(csv).split('\n');
    QCOMPARE(rows[0], QByteArray("generation1,generation2,score1,score2"));
    const PatternShape shape = config.match.pattern;
    Board board;
    const MatchResult result =
        playMatch(board, unpackPattern(written[2].championOf(1), shape),
                  unpackPattern(written[1].championOf(2), shape), config.match);
    QCOMPARE(QString::fromLatin1(rows[1 + 2 * 3 + 1]),
             QString::asprintf("3,2,%.9g,%.9g",
                               static_cast<double>(static_cast<float>(result.firstScore())),
                               static_cast<double>(static_cast<float>(result.secondScore()))));
}

void AnalyzeTest::numbersAtTheEdgesAnalysed_data()
{
    // The archive or log at "@", written first; "~" is the test's folder.
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("arguments");
    // The output ~/out.csv, each row's first `keyColumns` fields; with none,
    // the lines the file ~/out.csv must hold.
    QTest::addColumn<int>("keyColumns");
    QTest::addColumn<QStringList>("expected");

    const int most = std::numeric_limits<int>::max();
    const QString largest = QString::number(most);
    const QString before = QString::number(most - 1);
    const QByteArray onlyLargest = randomArchive(1, 3, ExperimentConfig(), most);
    const QByteArray lastTwo = randomArchive(2, 4, ExperimentConfig(), most - 1);
    const QStringList grid = {"grid", "@", "--csv", "~/out.csv"};
    QTest::newRow("grid of the largest generation")
        << onlyLargest << grid << 2 << QStringList{largest + "," + largest};
    QTest::newRow("grid up to the largest generation")
        << lastTwo << grid << 2
        << QStringList{before + "," + before, before + "," + largest, largest + "," + before,
                       largest + "," + largest};
    QTest::newRow("--generations at the largest")
        << lastTwo << grid + QStringList{"--generations", largest + ":" + largest} << 2
        << QStringList{largest + "," + largest};
    QTest::newRow("--every the largest int")
        << randomArchive(5, 5) << grid + QStringList{"--every", largest} << 2 << QStringList{"1,1"};
    QTest::newRow("--every 2 up to the largest generation")
        << randomArchive(5, 6, ExperimentConfig(), most - 4) << grid + QStringList{"--every", "2"}
        << 1
        << QStringList{QString::number(most - 4),
                       QString::number(most - 4),
                       QString::number(most - 4),
                       QString::number(most - 2),
                       QString::number(most - 2),
                       QString::number(most - 2),
                       largest,
                       largest,
                       largest};
    QTest::newRow("ciao, --every the largest int, up to the largest generation")
        << lastTwo
        << QStringList{"ciao", "@", "--png", "~/c.png", "--csv", "~/out.csv", "--every", largest}
        << 2 << QStringList{before + "," + before};
    QTest::newRow("master up to the largest generation")
        << lastTwo << QStringList{"master", "@", "--png", "~/m.png", "--csv", "~/out.csv"} << 1
        << QStringList{before, largest};
    QTest::newRow("duel of the largest generation")
        << onlyLargest
        << QStringList{"duel", "@", "--first", largest, "--second", largest, "--export", "~/out"}
        << 0
        << QStringList{"#C Coevolife: population 1's champion of generation " + largest +
                       " against population 2's champion of generation " + largest};
    // A log copied through Windows.
    QByteArray crlf("generation,average1,average2,best1,best2\r\n1,1,2,3,4\r\n2,5,6,7,8\r\n");
    QTest::newRow("summary of a log with CRLF line ends")
        << crlf << QStringList{"summary", "@", "--csv", "~/out.csv"} << 2
        << QStringList{"1,1", "2,1"};
}

void AnalyzeTest::numbersAtTheEdgesAnalysed()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, arguments);
    QFETCH(int, keyColumns);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    const QString inputPath = dir.filePath(QStringLiteral("input"));
    QVERIFY(writeBytes(inputPath, input));
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("@"), inputPath).replace(QStringLiteral("~"), dir.path());
    const ProgramRun run = runProgram(analyzePath, arguments);
    QCOMPARE(run.exitCode, 0);

    if (keyColumns == 0) {
        const QStringList lines =
            QString::fromUtf8(fileBytes(dir.filePath(QStringLiteral("out/duel.rle"))))
                .split(QLatin1Char('\n'));
        for (const QString& line : expected)
            QVERIFY2(lines.contains(line), qPrintable(line));
        return;
    }
    QList<QByteArray> rows = fileBytes(dir.filePath(QStringLiteral("out.csv"))).split('\n');
    QVERIFY(rows.size() > 2 && rows.takeLast().isEmpty());
    rows.removeFirst();
    QStringList keys;
    for (const QByteArray& row : rows)
        keys << QString::fromLatin1(row).section(QLatin1Char(','), 0, keyColumns - 1);
    QCOMPARE(keys, expected);
}

void AnalyzeTest::chartsAsVectorPictures_data()
{
    // The program's arguments ("@" the input written first, "~" the test's
    // folder), the picture and what its file starts with.
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QByteArray>("start");
    const QByteArray archive = randomArchive(4, 7);
    const QByteArray log("generation,average1,average2,best1,best2\n1,1,2,3,4\n2,5,6,7,8\n");
    QTest::newRow("ciao, SVG") << analyzePath << archive
                               << QStringList{"ciao", "@", "--png", "~/c.svg"} << "~/c.svg"
                               << QByteArray("<?xml");
    QTest::newRow("master, PDF") << analyzePath << archive
                                 << QStringList{"master", "@", "--png", "~/m.pdf"} << "~/m.pdf"
                                 << QByteArray("%PDF");
    QTest::newRow("summary, SVG") << analyzePath << log
                                  << QStringList{"summary", "@",     "--csv",
                                                 "~/s.csv", "--png", "~/s.svg"}
                                  << "~/s.svg" << QByteArray("<?xml");
    QTest::newRow("batch --plot, PDF")
        << batchPath << QByteArray() << QStringList{"--seed",        "3",
                                                    "--generations", "2",
                                                    "--set",         "population.size=9",
                                                    "--set",         "board.width=40",
                                                    "--plot",        "~/p.pdf"}
        << "~/p.pdf" << QByteArray("%PDF");
}

// Every chart writes SVG and PDF as well as pixels, the suffix naming the
// format, its text kept as text: SVG text elements, PDF text with its font.
void AnalyzeTest::chartsAsVectorPictures()
{
    QFETCH(QString, program);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, arguments);
    QFETCH(QString, picture);
    QFETCH(QByteArray, start);
    QTemporaryDir dir;
    const QString inputPath = dir.filePath(QStringLiteral("input"));
    QVERIFY(writeBytes(inputPath, input));
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("@"), inputPath).replace(QStringLiteral("~"), dir.path());
    picture.replace(QStringLiteral("~"), dir.path());
    const ProgramRun run = runProgram(program, arguments);
    QCOMPARE(run.exitCode, 0);
    const QByteArray bytes = fileBytes(picture);
    QVERIFY2(bytes.startsWith(start), bytes.left(16).constData());
    QVERIFY(bytes.contains(start == "%PDF" ? QByteArray("/FontFile") : QByteArray("<text")));
}

void AnalyzeTest::interruptWritesNothing_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("duel");
    QTest::newRow("grid, SIGINT") << int(SIGINT) << false;
    QTest::newRow("grid, SIGTERM") << int(SIGTERM) << false;
    // One match on the largest board for the most steps, minutes long: the
    // signal has to stop it part-way.
    QTest::newRow("duel on the largest board, SIGINT") << int(SIGINT) << true;
}

void AnalyzeTest::interruptWritesNothing()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, duel);
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("long.arc"));
    ExperimentConfig largest;
    largest.match.boardWidth = 4096;
    largest.match.boardHeight = 4096;
    largest.match.steps = 100000;
    QVERIFY(writeBytes(archive, duel ? randomArchive(1, 5, largest) : randomArchive(1500, 5)));
    const QStringList arguments =
        duel ? QStringList{QStringLiteral("duel"),     archive,
                           QStringLiteral("--first"),  QStringLiteral("1"),
                           QStringLiteral("--second"), QStringLiteral("1"),
                           QStringLiteral("--export"), dir.filePath(QStringLiteral("duel"))}
             : QStringList{QStringLiteral("grid"), archive, QStringLiteral("--csv"),
                           dir.filePath(QStringLiteral("grid.csv"))};
    QProcess process;
    process.start(analyzePath, arguments);
    QVERIFY(process.waitForStarted());
    QTest::qWait(500);
    QCOMPARE(process.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(process.processId()), signalNumber);
    const ProgramRun run = finishedRun(process, -1);
    QCOMPARE(run.exitCode, 128 + signalNumber);
    // Not a terminal: no progress bar, only the word.
    QCOMPARE(run.err, QByteArray("coevolife-analyze: interrupted\n"));
    QCOMPARE(treeUnder(dir.path()), QStringList{QStringLiteral("long.arc")});
}

void AnalyzeTest::lineageOfHandBuiltRun()
{
    const LineageModel model = modelOf(handBuiltRun());
    QCOMPARE(model.firstWithoutBirths(), 0);
    QCOMPARE(turnoverCsv(turnoverOf(model)),
             QByteArray("generation,distinct1,distinct2,coalescence1,coalescence2\n"
                        "1,3,3,,\n"
                        "2,3,3,,\n"
                        "3,2,3,1,\n"
                        "4,2,3,2,\n"));
    // The ancestors of generation 4 leave out member 0 of generation 2's
    // population 1 (id 6), whose line ended there; a crossover with itself
    // has one ancestor.
    QCOMPARE(phylogenyCsv(model, ancestryOf(model, 4)),
             QByteArray("id,ancestor_list,origin_time,population,member,operator,x0,x1,y0,y1,"
                        "score,champion,pattern\n"
                        "0,[none],1,1,0,,,,,,,false,00\n"
                        "1,[none],1,1,1,,,,,,,true,01\n"
                        "2,[none],1,1,2,,,,,,,false,03\n"
                        "3,[none],1,2,0,,,,,,,true,00\n"
                        "4,[none],1,2,1,,,,,,,false,02\n"
                        "5,[none],1,2,2,,,,,,,false,04\n"
                        "7,[0],2,1,1,mutation,,,,,2,false,04\n"
                        "8,\"[1, 2]\",2,1,2,crossover,1,2,0,1,3,true,03\n"
                        "9,[3],2,2,0,copy,,,,,0.5,true,00\n"
                        "10,[4],2,2,1,copy,,,,,0.5,false,02\n"
                        "11,[5],2,2,2,copy,,,,,0.5,false,04\n"
                        "12,[8],3,1,0,copy,,,,,4,true,03\n"
                        "13,\"[8, 7]\",3,1,1,crossover,0,1,0,1,1.25,false,02\n"
                        "14,[8],3,1,2,mutation,,,,,4,false,03\n"
                        "15,[9],3,2,0,copy,,,,,1,false,00\n"
                        "16,[10],3,2,1,copy,,,,,2,false,02\n"
                        "17,[11],3,2,2,copy,,,,,3,true,04\n"
                        "18,[12],4,1,0,copy,,,,,0,true,03\n"
                        "19,[13],4,1,1,copy,,,,,0,false,02\n"
                        "20,[14],4,1,2,crossover,0,2,0,1,0,false,03\n"
                        "21,[15],4,2,0,copy,,,,,7,true,00\n"
                        "22,[16],4,2,1,copy,,,,,7,false,02\n"
                        "23,[17],4,2,2,copy,,,,,7,false,04\n"));
    QCOMPARE(everyMember(model).size(), std::size_t{24});
    // Forward, through first parents and mates, from one member of
    // generation 2's population 1: a row a generation, a flag a member. The
    // mate of id 13 carries member 1 on; member 0's line ends at once.
    const auto descendantRows = [&model](int member) {
        std::vector<char> marked(3, 0);
        marked[static_cast<std::size_t>(member)] = 1;
        const MemberFlags flags = descendantsOf(model, 2, 1, marked);
        QStringList rows;
        for (int generation = 2; generation <= 4; ++generation) {
            QString row;
            for (int i = 0; i < 3; ++i)
                row += flags.flagged(generation, i) ? QLatin1Char('1') : QLatin1Char('0');
            rows << row;
        }
        return rows.join(QLatin1Char(' '));
    };
    QCOMPARE(descendantRows(0), QStringLiteral("100 000 000"));
    QCOMPARE(descendantRows(1), QStringLiteral("010 010 010"));
    QCOMPARE(descendantRows(2), QStringLiteral("001 111 111"));
    QCOMPARE(descentCsv(lineOfDescent(model, 4, 1, 1)),
             QByteArray("generation,member,operator,mate,changed,cells,score,champion\n"
                        "1,1,,,,,,true\n"
                        "2,2,crossover,2,1,1,3,true\n"
                        "3,1,crossover,1,1,0,1.25,false\n"
                        "4,1,copy,,0,,0,false\n"));

    // A generation without births ends every line that reaches it.
    std::vector<LineageGeneration> unrecorded = handBuiltRun();
    unrecorded[2].births = {};
    const LineageModel broken = modelOf(unrecorded);
    QCOMPARE(broken.firstWithoutBirths(), 3);
    QVERIFY(!turnoverOf(broken).back().coalescence[0]);
    QCOMPARE(lineOfDescent(broken, 4, 1, 1).front().generation, 3);
}

void AnalyzeTest::lineageRefusesWhatNamesNoMember_data()
{
    QTest::addColumn<int>("generation");
    QTest::addColumn<int>("parent");
    QTest::addColumn<int>("mate");
    QTest::addColumn<int>("champion");
    QTest::addColumn<int>("x1");
    QTest::newRow("sound") << 2 << 1 << 2 << 2 << 2;
    QTest::newRow("not the next generation") << 3 << 1 << 2 << 2 << 2;
    QTest::newRow("parent past the members") << 2 << 3 << 2 << 2 << 2;
    QTest::newRow("negative mate") << 2 << 1 << -1 << 2 << 2;
    QTest::newRow("champion past the members") << 2 << 1 << 2 << 3 << 2;
    QTest::newRow("rectangle past the pattern") << 2 << 1 << 2 << 2 << 4;
}

void AnalyzeTest::lineageRefusesWhatNamesNoMember()
{
    // What an archive's record says is bounded before the model keeps it.
    QFETCH(int, generation);
    QFETCH(int, parent);
    QFETCH(int, mate);
    QFETCH(int, champion);
    QFETCH(int, x1);
    std::vector<LineageGeneration> run = handBuiltRun();
    LineageModel model = modelOf({run[0]});
    LineageGeneration next = run[1];
    next.generation = generation;
    next.champions[0] = champion;
    next.births[0][2] = bredBy(BreedingOperator::Crossover, parent, mate, {1, x1, 0, 1});
    const bool sound = QByteArray(QTest::currentDataTag()) == "sound";
    QCOMPARE(model.append(next).isEmpty(), sound);
    QCOMPARE(model.lastGeneration(), sound ? 2 : 1);
}

void AnalyzeTest::lineageCommandsOfARecordedRun_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("versionOne");
    QTest::addColumn<int>("exitCode");
    // The CSV's first line and how many lines follow it; or the error line.
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<int>("rows");
    const QString phylogeny = "id,ancestor_list,origin_time,population,member,operator,x0,x1,y0,"
                              "y1,score,champion,pattern";
    const QString descent = "generation,member,operator,mate,changed,cells,score,champion";
    // Generation 1's 200 members and their ten generations of descendants.
    QTest::newRow("lineage --all") << QStringList{"lineage", "--all"} << false << 0 << phylogeny
                                   << 2000;
    QTest::newRow("lineage --of 1") << QStringList{"lineage", "--of", "1"} << false << 0
                                    << phylogeny << 200;
    QTest::newRow("descent of the last champion") << QStringList{"descent"} << false << 0
                                                  << descent << 10;
    QTest::newRow("descent of population 2's member 99 of generation 4")
        << QStringList{"descent", "--population", "2", "--member", "99", "--of", "4"} << false << 0
        << descent << 4;
    QTest::newRow("turnover, its chart too")
        << QStringList{"turnover", "--png", "~/t.png"} << false << 0
        << "generation,distinct1,distinct2,coalescence1,coalescence2" << 10;
    QTest::newRow("descent, its chart as SVG")
        << QStringList{"descent", "--png", "~/d.svg"} << false << 0 << descent << 10;
    QTest::newRow("--of outside") << QStringList{"lineage", "--of", "11"} << false << 2
                                  << "generation 11 is outside the archive's 1:10" << 0;
    QTest::newRow("--member outside") << QStringList{"descent", "--member", "100"} << false << 2
                                      << "--member 100 is no member: the populations hold 100"
                                      << 0;
    QTest::newRow("--of and --all") << QStringList{"lineage", "--of", "2", "--all"} << false << 2
                                    << "--of and --all are two answers to one question" << 0;
    QTest::newRow("version 1") << QStringList{"turnover"} << true << 2
                               << "archive format 1 keeps no member's score or birth" << 0;
}

// The lineage commands read what the batch recorded of every birth; an
// archive of an earlier format is refused in one line.
void AnalyzeTest::lineageCommandsOfARecordedRun()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, versionOne);
    QFETCH(int, exitCode);
    QFETCH(QString, firstLine);
    QFETCH(int, rows);
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("run.arc"));
    const QString csv = dir.filePath(QStringLiteral("out.csv"));
    QCOMPARE(runProgram(batchPath, {"--seed", "12345", "--generations", "10", "--archive", archive})
                 .exitCode,
             0);
    if (versionOne) {
        const RunArchive read = readArchive(archive).archive;
        ArchiveHeader header = read.header;
        header.formatVersion = 1;
        QByteArray bytes = encodeArchiveHeader(header);
        for (const ArchivedGeneration& generation : read.generations)
            bytes += encodeArchivedGeneration(generation, header);
        QVERIFY(writeBytes(archive, bytes));
    }
    arguments.insert(1, archive);
    arguments.replaceInStrings(QStringLiteral("~"), dir.path());
    const ProgramRun run = runProgram(analyzePath, arguments + QStringList{"--csv", csv});
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode != 0) {
        QCOMPARE(run.errorLines.size(), 1);
        QVERIFY2(run.errorLines.first().contains(firstLine), qPrintable(run.errorLines.first()));
        QVERIFY(!QFile::exists(csv));
        return;
    }
    const QStringList lines = fileLines(csv);
    QCOMPARE(lines.first(), firstLine);
    QCOMPARE(lines.size() - 1, rows);
    for (const QString& argument : arguments) {
        if (argument.endsWith(QStringLiteral(".png")))
            QVERIFY2(!QImage(argument).isNull(), qPrintable(argument));
        if (argument.endsWith(QStringLiteral(".svg")))
            QVERIFY2(fileBytes(argument).contains("<svg"), qPrintable(argument));
    }
}

void AnalyzeTest::summaryQuartilesOfHandMadeRuns()
{
    QTemporaryDir dir;
    const QByteArray header("generation,average1,average2,best1,best2\n");
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a")));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("a/fitness.csv")),
                       header + "1,1,2,10,20\n2,3,4,30,40\n"));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("b.csv")),
                       header + "1,2,4,10,22\n2,5,6,30,44\n3,7,8,50,60\n"));
    QVERIFY(
        writeBytes(dir.filePath(QStringLiteral("c.csv")), header + "1,4,8,10,30\n2,9,1,35,40\n"));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("d.csv")), header + "1,10,0,12,20\n"));
    const QString csv = dir.filePath(QStringLiteral("summary.csv"));
    const QString png = dir.filePath(QStringLiteral("summary.png"));
    const ProgramRun run = runProgram(
        analyzePath, {QStringLiteral("summary"), dir.filePath(QStringLiteral("a")),
                      dir.filePath(QStringLiteral("b.csv")), dir.filePath(QStringLiteral("c.csv")),
                      dir.filePath(QStringLiteral("d.csv")), QStringLiteral("--csv"), csv,
                      QStringLiteral("--png"), png});
    QCOMPARE(run.exitCode, 0);
    // Pooled, but not without a word on the runs that stop early.
    const auto shortRun = [&dir](const char* name, int last) {
        return QStringLiteral("coevolife-analyze: %1 is shorter than the others: it ends at "
                              "generation %2, the longest run at 3")
            .arg(dir.filePath(QLatin1String(name)))
            .arg(last);
    };
    QCOMPARE(run.errorLines,
             (QStringList{shortRun("a", 2), shortRun("c.csv", 2), shortRun("d.csv", 1)}));

    // Worked by hand: generation 1's average1 over 1, 2, 4, 10 has its lower
    // quartile at position 3 x 0.25 = 0.75 of the sorted values, 1 + 0.75 x 1;
    // its median at 1.5, 2 + 0.5 x 2; its upper quartile at 2.25, 4 + 0.25 x 6.
    QCOMPARE(fileBytes(csv),
             QByteArray("generation,seeds,"
                        "average1_min,average1_q1,average1_median,average1_q3,average1_max,"
                        "average2_min,average2_q1,average2_median,average2_q3,average2_max,"
                        "best1_min,best1_q1,best1_median,best1_q3,best1_max,"
                        "best2_min,best2_q1,best2_median,best2_q3,best2_max\n"
                        "1,4,1,1.75,3,5.5,10,0,1.5,3,5,8,10,10,10,10.5,12,20,20,21,24,30\n"
                        "2,3,3,4,5,7,9,1,2.5,4,5,6,30,30,30,32.5,35,40,40,40,42,44\n"
                        "3,1,7,7,7,7,7,8,8,8,8,8,50,50,50,50,50,60,60,60,60,60\n"));

    const QImage chart(png);
    QCOMPARE(chart.width(), summaryPlotWidth);
    // No legend shows the colour: it is the median's, wherever its panel is.
    const QRect panel = chart.rect();
    const QRgb median = fitnessSeriesColor(FitnessSeries::average1).rgb();
    bool medianDrawn = false;
    for (int y = panel.top(); y <= panel.bottom() && !medianDrawn; ++y)
        for (int x = panel.left(); x <= panel.right() && !medianDrawn; ++x)
            medianDrawn = chart.pixel(x, y) == median;
    QVERIFY(medianDrawn);
}

void AnalyzeTest::rankTestOfHandComputedCases_data()
{
    QTest::addColumn<std::vector<double>>("condition");
    QTest::addColumn<std::vector<double>>("control");
    QTest::addColumn<double>("u");
    QTest::addColumn<double>("p");
    QTest::addColumn<double>("a12");
    // Exact: U = 6 only when the condition holds the three largest of five,
    // 1 ordering in C(5, 2) = 10, doubled.
    QTest::newRow("exact, all higher")
        << std::vector<double>{3, 4, 5} << std::vector<double>{1, 2} << 6.0 << 0.2 << 1.0;
    // U over 3 and 2 takes 0..6 with counts 1 1 2 2 2 1 1: P(U >= 5) = 2/10.
    QTest::newRow("exact, one pair lower")
        << std::vector<double>{2, 4, 5} << std::vector<double>{1, 3} << 5.0 << 0.4 << 5.0 / 6;
    QTest::newRow("exact, all lower")
        << std::vector<double>{1, 2, 3} << std::vector<double>{4, 5, 6} << 0.0 << 0.1 << 0.0;
    QTest::newRow("one run each") << std::vector<double>{2} << std::vector<double>{1} << 1.0 << 1.0
                                  << 1.0;
    // Ties: normal, U = 9.5 of 12, ties of 2 and 3 (sum of t^3 - t = 30),
    // z = 3 / sqrt(8 - 30 / 42).
    QTest::newRow("ties") << std::vector<double>{2, 3, 3, 4} << std::vector<double>{1, 2, 3} << 9.5
                          << 0.2663799233424826 << 9.5 / 12;
    // Identical groups: |U - 4.5| - 0.5 < 0, so p is 1.
    QTest::newRow("identical groups")
        << std::vector<double>{1, 2, 3} << std::vector<double>{1, 2, 3} << 4.5 << 1.0 << 0.5;
    // Every value tied: no spread at all.
    QTest::newRow("all tied") << std::vector<double>{5, 5} << std::vector<double>{5, 5} << 2.0
                              << 1.0 << 0.5;
    // 21 runs are past the exact test (which would give 2/22): normal,
    // z = 10 / sqrt(21 x 23 / 12).
    std::vector<double> many;
    for (int k = 2; k <= 22; ++k)
        many.push_back(k);
    QTest::newRow("over twenty runs")
        << many << std::vector<double>{1} << 21.0 << 0.11497492369308004 << 1.0;
}

void AnalyzeTest::rankTestOfHandComputedCases()
{
    QFETCH(std::vector<double>, condition);
    QFETCH(std::vector<double>, control);
    QFETCH(double, u);
    QFETCH(double, p);
    QFETCH(double, a12);
    const RankComparison result = compareRanks(condition, control);
    COMPARE_EXACTLY(result.u, u);
    COMPARE_EXACTLY(result.a12, a12);
    QVERIFY2(std::fabs(result.p - p) <= 1e-12 * p, qPrintable(QString::number(result.p, 'g', 17)));
}

void AnalyzeTest::holmStepsDown()
{
    // 0.01 x 4, then 0.03 x 3, then 0.04 x 2 = 0.08 raised to 0.09 before it.
    QCOMPARE(holmAdjusted({0.01, 0.04, 0.03, 0.5}), (std::vector<double>{0.04, 0.09, 0.09, 0.5}));
    QCOMPARE(holmAdjusted({0.6, 0.7}), (std::vector<double>{1.0, 1.0}));
}

void AnalyzeTest::compareOfHandMadeConditions()
{
    QTemporaryDir dir;
    const QByteArray header("generation,average1,average2,best1,best2\n");
    const QList<std::pair<const char*, QByteArray>> runs = {
        // The control; its seed 2 rises once more after generation 3.
        {"A/seed-1", "1,1,2,10,20\n2,2,3,10,25\n3,3,4,12,25\n"},
        {"A/seed-2", "1,1,1,5,5\n2,1,1,8,5\n3,2,2,8,5\n4,9,9,9,9\n"},
        {"B/seed-10", "1,1,1,9,9\n2,2,2,10,9\n3,4,1,14,9\n"},
        {"B/seed-1", "1,4,4,11,30\n2,5,5,13,30\n3,6,6,13,31\n"},
        {"B/seed-2", "1,3,3,12,12\n2,3,3,12,12\n3,3,3,12,12\n"}};
    for (const auto& [run, rows] : runs) {
        QVERIFY(QDir(dir.path()).mkpath(QLatin1String(run)));
        QVERIFY(writeBytes(dir.filePath(QLatin1String(run) + QStringLiteral("/fitness.csv")),
                           header + rows));
    }
    const QString csv = dir.filePath(QStringLiteral("compare.csv"));
    const QString png = dir.filePath(QStringLiteral("compare.png"));
    const ProgramRun run =
        runProgram(analyzePath, {QStringLiteral("compare"), dir.filePath(QStringLiteral("A")),
                                 dir.filePath(QStringLiteral("B")), QStringLiteral("--csv"), csv,
                                 QStringLiteral("--png"), png});
    QCOMPARE(run.exitCode, 0);
    // Every run but A/seed-2 ends a generation early, which compare names.
    QStringList shortRuns;
    for (const char* name : {"A/seed-1", "B/seed-1", "B/seed-2", "B/seed-10"})
        shortRuns << QStringLiteral("coevolife-analyze: %1 is shorter than the others: it ends at "
                                    "generation 3, the longest run at 4")
                         .arg(dir.filePath(QLatin1String(name)));
    QCOMPARE(run.errorLines, shortRuns);

    // Worked by hand at generation 3, the last every run reached, B in the
    // order seed-1, seed-2, seed-10. average1: B 6 3 4 against A 3 2, U = 5.5
    // with one tie, so normal: sigma^2 = 6/12 (6 - 6/20), z = 2 / sqrt(2.85).
    // average2: 6 3 1 against 4 2, U = 3, the exact middle. best2: 31 12 9
    // against 25 5, U = 4, exact 2 x 4/10. last_gain1: B 2 1 3 against A 3 2
    // (A's seed 2 rose at 4, after G); last_gain2: B 3 1 1 against A 2 1.
    QCOMPARE(fileBytes(csv),
             QByteArray("series,condition,n,median,control_n,control_median,u,p,a12,p_holm\n"
                        "average1,B,3,4,2,2.5,5.5,0.23613697,0.916666667,1\n"
                        "average2,B,3,3,2,3,3,1,0.5,1\n"
                        "best1,B,3,13,2,10,5.5,0.23613697,0.916666667,1\n"
                        "best2,B,3,12,2,15,4,0.8,0.666666667,1\n"
                        "last_gain1,B,3,2,2,2.5,2,0.760906727,0.333333333,1\n"
                        "last_gain2,B,3,1,2,1.5,3,1,0.5,1\n"));
    QVERIFY(!QImage(png).isNull());

    const ProgramRun late = runProgram(
        analyzePath, {QStringLiteral("compare"), dir.filePath(QStringLiteral("A")),
                      dir.filePath(QStringLiteral("B")), QStringLiteral("--csv"), csv,
                      QStringLiteral("--png"), png, QStringLiteral("--at"), QStringLiteral("4")});
    QCOMPARE(late.exitCode, 2);
    QCOMPARE(late.errorLines.size(), 1);
}

// Runs whose archives recorded their births are summarized and compared on
// their turnover too: each series' values are those `turnover` gives of
// each run.
void AnalyzeTest::turnoverOfArchivedRunsSummarizedAndCompared()
{
    QTemporaryDir dir;
    const QStringList small = {"--set", "population.size=12", "--set", "match.per_generation=24",
                               "--set", "board.steps=30"};
    std::map<QString, std::vector<QStringList>> turnover;
    for (const char* condition : {"A", "B"})
        for (int seed = 1; seed <= 3; ++seed) {
            const QString folder = dir.filePath(QStringLiteral("%1/seed-%2").arg(condition).arg(seed));
            QVERIFY(QDir().mkpath(folder));
            const QStringList hall = {"--set", condition == QByteArray("A") ? "evaluation.hall_of_fame=0"
                                                                            : "evaluation.hall_of_fame=2"};
            QCOMPARE(runProgram(batchPath, small + hall +
                                               QStringList{"--seed", QString::number(seed),
                                                           "--generations", "12", "--csv",
                                                           folder + "/fitness.csv", "--archive",
                                                           folder + "/run.arc"})
                         .exitCode,
                     0);
            QCOMPARE(runProgram(analyzePath, {"turnover", folder + "/run.arc", "--csv",
                                              folder + "/turnover.csv"})
                         .exitCode,
                     0);
            turnover[condition].push_back(
                fileLines(folder + "/turnover.csv").at(12).split(QLatin1Char(',')));
        }
    const auto median = [&](const char* condition, int series) {
        std::vector<double> values;
        for (const QStringList& fields : turnover[condition])
            if (!fields[series + 1].isEmpty())
                values.push_back(fields[series + 1].toDouble());
        return std::pair{values.size(), values.empty() ? 0.0 : quartilesOf(values).median};
    };
    const QString summary = dir.filePath(QStringLiteral("summary.csv"));
    QCOMPARE(runProgram(analyzePath, {"summary", dir.filePath("A/seed-1"), dir.filePath("A/seed-2"),
                                      dir.filePath("A/seed-3"), "--csv", summary})
                 .exitCode,
             0);
    const QStringList summaryLines = fileLines(summary);
    QCOMPARE(summaryLines.first().toUtf8(), summaryHeader(true));
    const QStringList last = summaryLines.last().split(QLatin1Char(','));
    for (int s = 0; s < 4; ++s) {
        const QString field = last[2 + 20 + 5 * s + 2];
        QCOMPARE(field.isEmpty(), median("A", s).first == 0);
        if (!field.isEmpty())
            QCOMPARE(field.toDouble(), median("A", s).second);
    }

    const QString csv = dir.filePath(QStringLiteral("compare.csv"));
    QCOMPARE(runProgram(analyzePath, {"compare", dir.filePath("A"), dir.filePath("B"), "--csv", csv,
                                      "--png", dir.filePath("compare.png")})
                 .exitCode,
             0);
    QStringList rows = fileLines(csv).filter(QRegularExpression("^(distinct|coalescence)"));
    QCOMPARE(rows.size(), 4);
    for (int s = 0; s < 4; ++s) {
        const QStringList fields = rows[s].split(QLatin1Char(','));
        const auto [n, value] = median("B", s);
        const auto [controlN, controlValue] = median("A", s);
        QCOMPARE(fields[2].toULongLong(), n);
        QCOMPARE(fields[3].toDouble(), value);
        QCOMPARE(fields[4].toULongLong(), controlN);
        QCOMPARE(fields[5].toDouble(), controlValue);
    }
}

void AnalyzeTest::crossplayMeansAreTheMatchesAgainstOtherRuns()
{
    QTemporaryDir dir;
    const QList<std::pair<const char*, std::uint32_t>> runs = {
        {"one/seed-1", 11}, {"one/seed-2", 12}, {"two/seed-1", 21}};
    std::vector<ArchivedGeneration> chosen;
    for (const auto& [run, seed] : runs) {
        const QString folder = dir.filePath(QLatin1String(run));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeBytes(folder + QStringLiteral("/run.arc"), randomArchive(3, seed)));
        QVERIFY(writeBytes(folder + QStringLiteral("/fitness.csv"), "generation\n"));
        chosen.push_back(readArchive(folder + QStringLiteral("/run.arc")).archive.generations[1]);
    }
    const QString csv = dir.filePath(QStringLiteral("crossplay.csv"));
    const QString stats = dir.filePath(QStringLiteral("stats.csv"));
    const QString png = dir.filePath(QStringLiteral("crossplay.png"));
    const QStringList outputs = {
        QStringLiteral("--csv"), csv, QStringLiteral("--stats"), stats,
        QStringLiteral("--png"), png, QStringLiteral("--at"),    QStringLiteral("2")};
    const ProgramRun run = runProgram(
        analyzePath, QStringList{QStringLiteral("crossplay"), dir.filePath(QStringLiteral("one")),
                                 dir.filePath(QStringLiteral("two"))} +
                         outputs);
    QCOMPARE(run.exitCode, 0);

    // Each champion against the other runs' champions, never its own run's.
    Board board;
    QByteArray expected("condition,seed,mean1,mean2\n");
    for (int r = 0; r < 3; ++r) {
        double sum1 = 0.0;
        double sum2 = 0.0;
        for (int s = 0; s < 3; ++s) {
            if (s == r)
                continue;
            sum1 += static_cast<float>(playMatch(board, unpackPattern(chosen[r].championOf(1)),
                                                 unpackPattern(chosen[s].championOf(2)))
                                           .firstScore());
            sum2 += static_cast<float>(playMatch(board, unpackPattern(chosen[s].championOf(1)),
                                                 unpackPattern(chosen[r].championOf(2)))
                                           .secondScore());
        }
        expected += QString::asprintf("%s,%u,%.9g,%.9g\n", r < 2 ? "one" : "two", runs[r].second,
                                      sum1 / 2, sum2 / 2)
                        .toUtf8();
    }
    QCOMPARE(fileBytes(csv), expected);
    const QList<QByteArray> statsLines = fileBytes(stats).split('\n');
    QCOMPARE(statsLines.size(), 4);
    QVERIFY(statsLines[1].startsWith("mean1,two,1,"));
    QVERIFY(statsLines[2].startsWith("mean2,two,1,"));

    // A run on another board is not on the same yardstick.
    const QString odd = dir.filePath(QStringLiteral("odd/seed-1"));
    QVERIFY(QDir().mkpath(odd));
    QVERIFY(writeBytes(odd + QStringLiteral("/run.arc"), randomArchive(3, 31, oddTestConfig())));
    QVERIFY(writeBytes(odd + QStringLiteral("/fitness.csv"), "generation\n"));
    QVERIFY(QFile::remove(csv));
    const ProgramRun refused = runProgram(
        analyzePath, QStringList{QStringLiteral("crossplay"), dir.filePath(QStringLiteral("one")),
                                 dir.filePath(QStringLiteral("odd"))} +
                         outputs);
    QCOMPARE(refused.exitCode, 2);
    QCOMPARE(refused.errorLines.size(), 1);
    QVERIFY(!QFile::exists(csv));
}

QTEST_GUILESS_MAIN(AnalyzeTest)
#include "AnalyzeTest.moc"
