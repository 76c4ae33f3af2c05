// The main window's stepping keys and step timer, seen through the display
// board, the view's counter and the view's paints.
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "board/StepThread.h"
#include "view/PanelWidget.h"

#include <QTextEdit>
#include <QTimerEvent>
#include <QtTest>

#include <memory>

namespace
{

// The position `steps` steps on, worked out on a board of our own.
QVector<int> stepped(const QVector<int>& cells, int steps)
{
    StepThread board;
    board.setWidth(100);
    board.setHeight(15);
    board.setSteps(steps);
    board.reset();
    for (int i = 0; i < cells.size(); ++i)
        board.setCell(i % 100, i / 100, cells[i]);
    board.start();
    board.wait();
    return cellsOf(board);
}

// A glider and a blinker: every step count up to 100 gives a different
// position, so a missing or extra step shows.
void placeMovers(StepThread& board)
{
    for (const QPoint& p : {QPoint(2, 1), QPoint(3, 2), QPoint(1, 3), QPoint(2, 3), QPoint(3, 3)})
        board.setCell(p.x(), p.y(), 1);
    for (const QPoint& p : {QPoint(60, 7), QPoint(61, 7), QPoint(62, 7)})
        board.setCell(p.x(), p.y(), 2);
}

} // namespace

class MainWindowKeysTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sStepsTheDisplayBoard();
    void sCountsWithoutLimitAndARestartsCount();
    void aTwiceStartsAndStopsWithoutStepping();
    void sDuringTimerStopsItAndCountsOn();
    void fullTimerRunMakesHundredSteps();
    void realTimerTicks();
    void caseAndModifiersActAlike_data();
    void caseAndModifiersActAlike();
    void heldSRepeats();
    void otherKeysDoNothing_data();
    void otherKeysDoNothing();
    void mousePressesDoNothing();
    void keysReachWindowAfterClickIntoLogPane();

private:
    void tick();
    // Counts from zero. The tests process no events before they look, so
    // only synchronous repaints are counted (and no real timer tick slips in).
    void startCountingPaints() { paintCounter.paints = 0; }

    std::unique_ptr<MainWindow> window;
    PanelWidget* panel = nullptr;
    StepThread* board = nullptr;
    QTextEdit* logPane = nullptr;
    PaintCounter paintCounter;
};

void MainWindowKeysTest::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    panel = window->findChild<PanelWidget*>();
    logPane = window->findChild<QTextEdit*>();
    QVERIFY(panel && logPane);
    board = panel->board;
    QVERIFY(board);
    QCOMPARE(board->boardWidth(), 100);
    QCOMPARE(board->boardHeight(), 15);
    QCOMPARE(panel->size(), QSize(800, 120));
    QCOMPARE(panel->stepCount, 0);
    QVERIFY(!window->stepTimerActive());
    panel->installEventFilter(&paintCounter);
}

void MainWindowKeysTest::cleanup()
{
    window.reset();
    panel = nullptr;
    board = nullptr;
    logPane = nullptr;
}

void MainWindowKeysTest::tick()
{
    // The window takes every timer event for a tick, whatever its id.
    QTimerEvent event(1);
    QCoreApplication::sendEvent(window.get(), &event);
}

void MainWindowKeysTest::sStepsTheDisplayBoard()
{
    // A blinker of the first species in the middle of the board.
    board->setCell(49, 7, 1);
    board->setCell(50, 7, 1);
    board->setCell(51, 7, 1);
    const QVector<int> flat = cellsOf(*board);

    startCountingPaints();
    QTest::keyClick(window.get(), Qt::Key_S);
    QCOMPARE(panel->stepCount, 1);
    QVERIFY(paintCounter.paints > 0); // repainted before the key returned
    QCOMPARE(board->cellAt(50, 6), 1);
    QCOMPARE(board->cellAt(50, 8), 1);
    QCOMPARE(board->cellAt(49, 7), 0);
    QCOMPARE(board->countFirstSpecies(), 3);

    QTest::keyClick(window.get(), Qt::Key_S);
    QCOMPARE(panel->stepCount, 2);
    QCOMPARE(cellsOf(*board), flat);
}

void MainWindowKeysTest::sCountsWithoutLimitAndARestartsCount()
{
    for (int i = 0; i < 101; ++i)
        QTest::keyClick(window.get(), Qt::Key_S);
    QCOMPARE(panel->stepCount, 101);
    QVERIFY(!window->stepTimerActive());

    QTest::keyClick(window.get(), Qt::Key_A);
    QCOMPARE(panel->stepCount, 0);
    QVERIFY(window->stepTimerActive());
    QTest::keyClick(window.get(), Qt::Key_A);
}

void MainWindowKeysTest::aTwiceStartsAndStopsWithoutStepping()
{
    placeMovers(*board);
    QTest::keyClick(window.get(), Qt::Key_S);
    QTest::keyClick(window.get(), Qt::Key_S);
    QCOMPARE(panel->stepCount, 2);
    const QVector<int> before = cellsOf(*board);

    startCountingPaints();
    QTest::keyClick(window.get(), Qt::Key_A);
    QVERIFY(window->stepTimerActive());
    QCOMPARE(panel->stepCount, 0);
    QCOMPARE(cellsOf(*board), before);

    QTest::keyClick(window.get(), Qt::Key_A);
    QVERIFY(!window->stepTimerActive());
    QCOMPARE(panel->stepCount, 0);
    QCOMPARE(cellsOf(*board), before);
    QCOMPARE(paintCounter.paints, 0);
}

void MainWindowKeysTest::sDuringTimerStopsItAndCountsOn()
{
    placeMovers(*board);
    const QVector<int> start = cellsOf(*board);
    QTest::keyClick(window.get(), Qt::Key_A);
    for (int i = 0; i < 3; ++i)
        tick();
    QCOMPARE(panel->stepCount, 3);
    QVERIFY(window->stepTimerActive());

    QTest::keyClick(window.get(), Qt::Key_S);
    QVERIFY(!window->stepTimerActive());
    QCOMPARE(panel->stepCount, 4);
    QCOMPARE(cellsOf(*board), stepped(start, 4));
}

void MainWindowKeysTest::fullTimerRunMakesHundredSteps()
{
    placeMovers(*board);
    const QVector<int> start = cellsOf(*board);
    const QVector<int> afterHundred = stepped(start, 100);
    QVERIFY(afterHundred != stepped(start, 99));

    QTest::keyClick(window.get(), Qt::Key_A);
    for (int i = 1; i < 100; ++i) {
        tick();
        QCOMPARE(panel->stepCount, i);
        QVERIFY(window->stepTimerActive());
    }
    startCountingPaints();
    tick();
    QCOMPARE(panel->stepCount, 100);
    QVERIFY(!window->stepTimerActive());
    QVERIFY(paintCounter.paints > 0); // the last tick still repaints
    QCOMPARE(cellsOf(*board), afterHundred);
}

void MainWindowKeysTest::realTimerTicks()
{
    placeMovers(*board);
    QTest::keyClick(window.get(), Qt::Key_A);
    QTRY_VERIFY_WITH_TIMEOUT(panel->stepCount >= 3, 5000);
    QTest::keyClick(window.get(), Qt::Key_A);
    QVERIFY(!window->stepTimerActive());
    const int count = panel->stepCount;
    const QVector<int> stopped = cellsOf(*board);
    // Stopped for good: nothing arrives after a few more timer periods.
    QTest::qWait(350);
    QCOMPARE(panel->stepCount, count);
    QCOMPARE(cellsOf(*board), stopped);
}

void MainWindowKeysTest::caseAndModifiersActAlike_data()
{
    QTest::addColumn<char>("letter");
    QTest::addColumn<int>("modifiers");
    const std::pair<const char*, Qt::KeyboardModifiers> modifierSets[] = {
        {"none", Qt::NoModifier},
        {"Shift", Qt::ShiftModifier},
        {"Ctrl", Qt::ControlModifier},
        {"Alt", Qt::AltModifier},
        {"Shift+Ctrl", Qt::ShiftModifier | Qt::ControlModifier},
    };
    for (char letter : {'a', 'A', 's', 'S'})
        for (const auto& [name, modifiers] : modifierSets)
            QTest::addRow("%c with %s", letter, name) << letter << int(modifiers);
}

void MainWindowKeysTest::caseAndModifiersActAlike()
{
    QFETCH(char, letter);
    QFETCH(int, modifiers);
    placeMovers(*board);
    const QVector<int> start = cellsOf(*board);

    QTest::keyClick(window.get(), letter, Qt::KeyboardModifiers(modifiers));
    if (letter == 'a' || letter == 'A') {
        QVERIFY(window->stepTimerActive());
        QCOMPARE(panel->stepCount, 0);
        QCOMPARE(cellsOf(*board), start);
    } else {
        QVERIFY(!window->stepTimerActive());
        QCOMPARE(panel->stepCount, 1);
        QCOMPARE(cellsOf(*board), stepped(start, 1));
    }
    QVERIFY(logPane->toPlainText().isEmpty());
}

void MainWindowKeysTest::heldSRepeats()
{
    placeMovers(*board);
    const QVector<int> start = cellsOf(*board);
    QTest::keyPress(window.get(), Qt::Key_S);
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, QStringLiteral("s"), true);
        QCoreApplication::sendEvent(window.get(), &repeat);
    }
    QTest::keyRelease(window.get(), Qt::Key_S);
    QCOMPARE(panel->stepCount, 4);
    QCOMPARE(cellsOf(*board), stepped(start, 4));
}

void MainWindowKeysTest::otherKeysDoNothing_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("timerRunning");
    const std::pair<const char*, Qt::Key> keys[] = {
        {"Escape", Qt::Key_Escape}, {"Space", Qt::Key_Space}, {"Return", Qt::Key_Return},
        {"B", Qt::Key_B},           {"Q", Qt::Key_Q},         {"Z", Qt::Key_Z},
        {"0", Qt::Key_0},           {"1", Qt::Key_1},         {"F1", Qt::Key_F1},
        {"Left", Qt::Key_Left},     {"Tab", Qt::Key_Tab},     {"Backspace", Qt::Key_Backspace},
        {"Delete", Qt::Key_Delete},
    };
    for (const auto& [name, key] : keys) {
        QTest::addRow("%s while idle", name) << int(key) << false;
        QTest::addRow("%s while the timer runs", name) << int(key) << true;
    }
}

void MainWindowKeysTest::otherKeysDoNothing()
{
    QFETCH(int, key);
    QFETCH(bool, timerRunning);
    placeMovers(*board);
    if (timerRunning) {
        QTest::keyClick(window.get(), Qt::Key_A);
        tick();
        tick();
    } else {
        QTest::keyClick(window.get(), Qt::Key_S);
        QTest::keyClick(window.get(), Qt::Key_S);
    }
    const QVector<int> before = cellsOf(*board);
    const int count = panel->stepCount;

    startCountingPaints();
    QTest::keyClick(window.get(), Qt::Key(key));
    QCOMPARE(window->stepTimerActive(), timerRunning);
    QCOMPARE(panel->stepCount, count);
    QCOMPARE(cellsOf(*board), before);
    QCOMPARE(paintCounter.paints, 0);
    QVERIFY(logPane->toPlainText().isEmpty());
}

void MainWindowKeysTest::mousePressesDoNothing()
{
    placeMovers(*board);
    QTest::keyClick(window.get(), Qt::Key_S);
    const QVector<int> before = cellsOf(*board);

    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseClick(panel, button, Qt::NoModifier, QPoint(20, 12));
        QTest::mouseClick(panel, button, Qt::NoModifier, QPoint(795, 115));
        QTest::mouseClick(window.get(), button, Qt::NoModifier, QPoint(2, 2));
        QTest::mouseDClick(panel, button, Qt::NoModifier, QPoint(400, 60));
    }
    QCOMPARE(panel->stepCount, 1);
    QVERIFY(!window->stepTimerActive());
    QCOMPARE(cellsOf(*board), before);
}

void MainWindowKeysTest::keysReachWindowAfterClickIntoLogPane()
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    placeMovers(*board);
    const QVector<int> start = cellsOf(*board);

    QTest::mouseClick(logPane->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
    QVERIFY(!logPane->hasFocus());
    // Keys go where the focus is; with none inside, to the window itself.
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();

    QTest::keyClick(target, 's');
    QCOMPARE(panel->stepCount, 1);
    QCOMPARE(cellsOf(*board), stepped(start, 1));
    QTest::keyClick(target, 'a');
    QVERIFY(window->stepTimerActive());
    QTest::keyClick(target, 'a');
    QVERIFY(!window->stepTimerActive());
    QVERIFY(logPane->toPlainText().isEmpty());
}

QTEST_MAIN(MainWindowKeysTest)
#include "MainWindowKeysTest.moc"
