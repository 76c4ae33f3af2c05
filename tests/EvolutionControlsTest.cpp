// The evolution keys of the main window: "G" runs and stops the worker with its
// lines in the log pane, "R" lays out two current members for a replay, and a
// window closed during a run goes quietly.
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "board/Match.h"
#include "board/StepThread.h"
#include "evolution/LifegameThread.h"
#include "evolution/ProgressLine.h"
#include "random/RandomSources.h"
#include "view/PanelWidget.h"

#include <QFile>
#include <QMutex>
#include <QSemaphore>
#include <QTextEdit>
#include <QTimerEvent>
#include <QtTest>

#include <memory>

namespace
{

constexpr int runTimeoutMs = 60000;

QStringList referenceLines()
{
    return QString::fromUtf8(referenceBytes(QStringLiteral("seed12345-generations3.txt")))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The window's parts, reached the way a user cannot: through the object tree.
struct WindowParts {
    QTextEdit* logPane = nullptr;
    LifegameThread* worker = nullptr;
    PanelWidget* view = nullptr;
    StepThread* displayBoard = nullptr;
};

WindowParts partsOf(MainWindow& window)
{
    WindowParts parts;
    parts.logPane = window.findChild<QTextEdit*>();
    parts.worker = window.findChild<LifegameThread*>();
    parts.view = window.findChild<PanelWidget*>();
    parts.displayBoard = parts.view ? parts.view->board : nullptr;
    return parts;
}

QStringList paneLines(const QTextEdit* pane)
{
    const QString text = pane->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

// Requests the stop while the worker reports generation `last` (counted since
// it was built), so the run ends right after it whatever the timing.
void stopAfterGeneration(LifegameThread* worker, int last)
{
    QObject::connect(
        worker, &LifegameThread::sendMessage, worker,
        [worker, last](const QString& line) {
            if (line != stoppedLine && worker->evolution().generations() == last)
                worker->requestStop();
        },
        Qt::DirectConnection);
}

// The board as "R" must leave it: member 1 at column 0, member 2 at column 10,
// both from row 0, everything else empty.
QVector<int> membersLaidOut(const Pattern& member1, const Pattern& member2)
{
    QVector<int> cells(100 * 15, 0);
    for (int y = 0; y < patternHeight; ++y)
        for (int x = 0; x < patternWidth; ++x) {
            cells[x + 100 * y] = member1[x + patternWidth * y] != 0 ? 1 : 0;
            cells[10 + x + 100 * y] = member2[x + patternWidth * y] != 0 ? 2 : 0;
        }
    return cells;
}

// The two members the next two integer draws pick from the buffer at `offset`,
// worked out on a copy so the real source is left alone.
std::pair<Pattern, Pattern> nextPicks(const LifegameThread& worker, boost::mt19937 source,
                                      int offset)
{
    const int member1 = static_cast<int>(source() % 100u);
    const int member2 = static_cast<int>(source() % 100u);
    return {worker.evolution().slotOf(1, offset + member1), worker.evolution().slotOf(2, offset + member2)};
}

} // namespace

class EvolutionControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void gRunsAndThePaneShowsEveryLine();
    void gDuringRunStopsAfterGenerationInProgress();
    void lateGOnEndingRunDoesNotCutNextRun();

    void rBeforeAnyGPlacesStartingMembers();
    void rDuringRunShowsNewlyBredMembers();
    void rThenHundredTicksPlaysTheMatch();

    void closingDuringRunEndsQuietly();

private:
    QStringList reference;
};

void EvolutionControlsTest::initTestCase()
{
    reference = referenceLines();
    QCOMPARE(reference.size(), 4);
}

void EvolutionControlsTest::gRunsAndThePaneShowsEveryLine()
{
    reseedRandomSources(12345);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const WindowParts parts = partsOf(window);
    QVERIFY(parts.logPane && parts.worker);
    stopAfterGeneration(parts.worker, 2);

    QCoreApplication::processEvents();
    PaintCounter paints;
    parts.view->installEventFilter(&paints);
    QTest::keyClick(&window, Qt::Key_G);
    QVERIFY(parts.worker->isRunning());
    QCOMPARE(paints.paints, 0);

    // The seeded worker reports exactly the pinned lines, through the queue.
    QTRY_COMPARE_WITH_TIMEOUT(paneLines(parts.logPane),
                              (QStringList{reference[0], reference[1], stoppedLine}), runTimeoutMs);
    QTRY_VERIFY(parts.worker->isFinished());
}

void EvolutionControlsTest::gDuringRunStopsAfterGenerationInProgress()
{
    reseedRandomSources(12345);
    MainWindow window;
    const WindowParts parts = partsOf(window);

    QTest::keyClick(&window, Qt::Key_G);
    QTest::keyClick(&window, Qt::Key_G);
    QTRY_COMPARE_WITH_TIMEOUT(paneLines(parts.logPane), (QStringList{reference[0], stoppedLine}),
                              runTimeoutMs);
    QTRY_VERIFY(parts.worker->isFinished());

    // The next "G" carries on from where the run stopped.
    QTest::keyClick(&window, Qt::Key_G);
    QTest::keyClick(&window, Qt::Key_G);
    QTRY_COMPARE_WITH_TIMEOUT(paneLines(parts.logPane),
                              (QStringList{reference[0], stoppedLine, reference[1], stoppedLine}),
                              runTimeoutMs);
}

void EvolutionControlsTest::lateGOnEndingRunDoesNotCutNextRun()
{
    reseedRandomSources(12345);
    MainWindow window;
    const WindowParts parts = partsOf(window);

    // Plays a "G" that finds the worker still running after it has cleared its
    // stop flag and said "stopped": the request lands on a run that is over.
    bool lateRequestMade = false;
    QObject::connect(
        parts.worker, &LifegameThread::sendMessage, parts.worker,
        [&](const QString& line) {
            if (line == stoppedLine && !lateRequestMade) {
                lateRequestMade = true;
                parts.worker->requestStop();
            }
        },
        Qt::DirectConnection);
    stopAfterGeneration(parts.worker, 1);
    QTest::keyClick(&window, Qt::Key_G);
    QTRY_COMPARE_WITH_TIMEOUT(paneLines(parts.logPane), (QStringList{reference[0], stoppedLine}),
                              runTimeoutMs);
    QTRY_VERIFY(parts.worker->isFinished());
    QVERIFY(parts.worker->isStopRequested());

    // The next run must go on past its first generation.
    stopAfterGeneration(parts.worker, 3);
    QTest::keyClick(&window, Qt::Key_G);
    QTRY_COMPARE_WITH_TIMEOUT(
        paneLines(parts.logPane),
        (QStringList{reference[0], stoppedLine, reference[1], reference[2], stoppedLine}),
        runTimeoutMs);
}

void EvolutionControlsTest::rBeforeAnyGPlacesStartingMembers()
{
    reseedRandomSources(777);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const WindowParts parts = partsOf(window);
    QVERIFY(parts.displayBoard);

    // Leftovers that "R" must clear, and a running step timer it must leave.
    QTest::keyClick(&window, Qt::Key_S);
    QTest::keyClick(&window, Qt::Key_S);
    parts.displayBoard->setCell(50, 12, 2);
    parts.displayBoard->setCell(8, 0, 1);
    QTest::keyClick(&window, Qt::Key_A);
    QVERIFY(window.stepTimerActive());

    const boost::mt19937 sourceBefore = integerSource;
    const auto [member1, member2] = nextPicks(*parts.worker, sourceBefore, 0);
    PaintCounter paints;
    parts.view->installEventFilter(&paints);
    QTest::keyClick(&window, Qt::Key_R);

    QCOMPARE(cellsOf(*parts.displayBoard), membersLaidOut(member1, member2));
    QCOMPARE(parts.view->stepCount, 0);
    QVERIFY(window.stepTimerActive());
    QVERIFY(paints.paints > 0);
    // Exactly two draws, both from the integer source.
    boost::mt19937 sourceAfter = sourceBefore;
    sourceAfter.discard(2);
    QVERIFY(integerSource == sourceAfter);
}

void EvolutionControlsTest::rDuringRunShowsNewlyBredMembers()
{
    reseedRandomSources(4321);
    MainWindow window;
    const WindowParts parts = partsOf(window);

    // The worker is held inside generation 1, lock taken and breeding done, so
    // "R" certainly arrives while a generation is in progress.
    QSemaphore inGeneration;
    QSemaphore resume;
    boost::mt19937 sourceAfterGeneration;
    QObject::connect(
        parts.worker, &LifegameThread::sendMessage, parts.worker,
        [&](const QString& line) {
            if (line == stoppedLine)
                return;
            parts.worker->requestStop();
            sourceAfterGeneration = integerSource;
            inGeneration.release();
            resume.acquire();
        },
        Qt::DirectConnection);

    QTest::keyClick(&window, Qt::Key_G);
    QVERIFY(inGeneration.tryAcquire(1, runTimeoutMs));
    resume.release();
    QTest::keyClick(&window, Qt::Key_R);
    QTRY_VERIFY_WITH_TIMEOUT(parts.worker->isFinished(), runTimeoutMs);

    // Generation 1 bred into slots 100 to 199; "R" drew right after it.
    QCOMPARE(parts.worker->evolution().bufferOffset(), 100);
    const auto [member1, member2] = nextPicks(*parts.worker, sourceAfterGeneration, 100);
    QCOMPARE(cellsOf(*parts.displayBoard), membersLaidOut(member1, member2));
}

void EvolutionControlsTest::rThenHundredTicksPlaysTheMatch()
{
    reseedRandomSources(2024);
    MainWindow window;
    const WindowParts parts = partsOf(window);

    const auto [member1, member2] = nextPicks(*parts.worker, integerSource, 0);
    QTest::keyClick(&window, Qt::Key_R);
    for (int tick = 0; tick < 100; ++tick) {
        QTimerEvent event(1);
        QCoreApplication::sendEvent(&window, &event);
    }
    QCOMPARE(parts.view->stepCount, 100);

    // The same two members played out on a match board of our own.
    Board match;
    prepareMatchBoard(match);
    playMatch(match, member1, member2);
    QCOMPARE(cellsOf(*parts.displayBoard), cellsOf(match));
    // A match that ends as it began would prove nothing about the steps.
    QVERIFY(cellsOf(match) != membersLaidOut(member1, member2));
}

void EvolutionControlsTest::closingDuringRunEndsQuietly()
{
    auto window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const WindowParts parts = partsOf(*window);

    QTest::keyClick(window.get(), Qt::Key_G);
    QTRY_VERIFY_WITH_TIMEOUT(!paneLines(parts.logPane).isEmpty(), runTimeoutMs);
    QVERIFY(parts.worker->isRunning());

    // Any warning while the window goes is a fault: a thread destroyed while
    // still running warns before it aborts.
    MessageCatcher warnings([](QtMsgType type, const QString&) {
        return MessageCatcher::isWarning(type);
    });
    window->close();
    window.reset();
    const QStringList caught = warnings.take();
    QVERIFY2(caught.isEmpty(), qPrintable(caught.join(QLatin1Char('\n'))));
}

QTEST_MAIN(EvolutionControlsTest)
#include "EvolutionControlsTest.moc"
