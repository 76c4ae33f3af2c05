#include "app/MainWindow.h"

#include "board/StepThread.h"
#include "evolution/LifegameThread.h"
#include "view/PanelWidget.h"
#include "view/SpriteSheet.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QTextEdit>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    logPane = new QTextEdit(this);
    worker = new LifegameThread(this);
    displayBoard = new StepThread(this);
    timerId = 0;
    loadSpriteSheet();
    displayBoard->setWidth(100);
    displayBoard->setHeight(15);
    displayBoard->setSteps(1);
    displayBoard->reset();
    // Every key goes to the window, even after a click into the log.
    logPane->setFocusPolicy(Qt::NoFocus);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QBoxLayout(QBoxLayout::TopToBottom, central);
    central->setLayout(layout);
    view = new PanelWidget(central, displayBoard);
    view->setMinimumSize(800, 120);
    view->setMaximumSize(800, 120);
    layout->addWidget(view);
    layout->addWidget(logPane);
    // Emitted on the worker's thread: the automatic connection queues each
    // line to the pane on the GUI thread, in order.
    connect(worker, &LifegameThread::sendMessage, logPane, &QTextEdit::append);
}

MainWindow::~MainWindow() = default;

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // The key code alone decides: case, modifiers and auto-repeat do not.
    switch (event->key()) {
    case Qt::Key_A:
        toggleStepTimer();
        break;
    case Qt::Key_S:
        singleStep();
        break;
    case Qt::Key_R:
        placeRandomMembers();
        break;
    case Qt::Key_G:
        startOrStopEvolution();
        break;
    default:
        break;
    }
}

void MainWindow::toggleStepTimer()
{
    if (timerId != 0) {
        stopStepTimer();
        return;
    }
    view->stepCount = 0;
    // A coarse timer may drift by 5 %; the ticks are the animation's pace.
    timerId = startTimer(100, Qt::PreciseTimer);
}

void MainWindow::singleStep()
{
    stopStepTimer();
    ++view->stepCount;
    stepDisplayBoard();
    repaint();
}

void MainWindow::placeRandomMembers()
{
    displayBoard->reset();
    view->stepCount = 0;
    {
        // The first pick waits for the generation in progress to end; the
        // next generation waits for both picks.
        const LifegameThread::PickTurn turn(*worker);
        displayBoard->stampPattern(worker->randomMember1(), 1, 0, 0, patternWidth, patternHeight);
        displayBoard->stampPattern(worker->randomMember2(), 2, 10, 0, patternWidth, patternHeight);
    }
    repaint();
}

void MainWindow::startOrStopEvolution()
{
    if (worker->isRunning()) {
        worker->requestStop();
        return;
    }
    // A "G" that reached a run already on its way out must not stop the next
    // run after its first generation.
    worker->clearStopRequest();
    worker->start();
}

void MainWindow::timerEvent(QTimerEvent*)
{
    ++view->stepCount;
    if (view->stepCount >= 100)
        stopStepTimer();
    stepDisplayBoard();
    repaint();
}

void MainWindow::stopStepTimer()
{
    if (timerId != 0) {
        killTimer(timerId);
        timerId = 0;
    }
}

void MainWindow::stepDisplayBoard()
{
    displayBoard->start();
    displayBoard->wait();
}

void MainWindow::mousePressEvent(QMouseEvent*) {}

void MainWindow::paintEvent(QPaintEvent*) {}
