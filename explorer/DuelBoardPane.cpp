#include "explorer/DuelBoardPane.h"

#include "analysis/ChampionGrid.h"
#include "analysis/DuelExport.h"
#include "records/PatternExport.h"
#include "view/BoardPainting.h"
#include "view/SpriteSheet.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace
{

// The board of `width` x `height` cells at the largest whole number of
// pixels a cell (at least 1) that fits `area`, centred in it.
QRect fittedBoard(const QRect& area, int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    const int cellSize = std::max(1, std::min(area.width() / width, area.height() / height));
    const QSize size(width * cellSize, height * cellSize);
    return {area.topLeft() +
                QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2),
            size};
}

// Where a frame is painted in `area`: a copied board at the largest whole
// number of pixels a cell, a preview scaled to fit.
QRect frameArea(const QRect& area, const DuelFrame& frame)
{
    if (frame.board)
        return fittedBoard(area, frame.board->boardWidth(), frame.board->boardHeight());
    if (frame.preview.isNull())
        return {};
    QSize size = frame.preview.size().scaled(area.size(), Qt::KeepAspectRatio);
    size = size.expandedTo(QSize(1, 1));
    return {area.topLeft() +
                QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2),
            size};
}

// Paints the pane's board, fitted to itself.
class DuelCanvas : public QWidget
{
public:
    DuelCanvas(const DuelFrame& frame, const MatchLayout& layout, const QPixmap& sheet,
               QWidget* parent)
        : QWidget(parent), frame(frame), layout(layout), sheet(sheet)
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    // The window's 8 pixels a cell when there is room for it; a huge board
    // asks for no more than a screen.
    QSize sizeHint() const override
    {
        return QSize(8 * layout.boardWidth, 8 * layout.boardHeight).boundedTo(QSize(1600, 1000));
    }
    QSize minimumSizeHint() const override
    {
        return QSize(layout.boardWidth, layout.boardHeight).boundedTo(QSize(200, 200));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const QRect area = frameArea(rect(), frame);
        if (area.isEmpty())
            return;
        QPainter painter(this);
        if (!frame.board) {
            painter.drawImage(area, frame.preview);
            return;
        }
        painter.translate(area.topLeft());
        drawBoard(&painter, *frame.board, area.width() / frame.board->boardWidth(), sheet);
    }

private:
    const DuelFrame& frame;
    const MatchLayout& layout;
    const QPixmap& sheet;
};

} // namespace

DuelBoardPane::DuelBoardPane(QWidget* parent)
    : QWidget(parent), first(makePattern(layout.pattern.cells())),
      second(makePattern(layout.pattern.cells()))
{
    // The process's sheet, loaded here if the program has not yet.
    if (!spriteSheet)
        loadSpriteSheet();
    sheet = *spriteSheet;
    thread = new QThread(this);
    stepper = new DuelStepper;
    stepper->moveToThread(thread);
    connect(thread, &QThread::finished, stepper, &QObject::deleteLater);
    // Queued: the frames come from the stepper's thread.
    connect(stepper, &DuelStepper::frameReady, this, &DuelBoardPane::receive);
    thread->start();

    title = new QLabel(this);
    canvas = new DuelCanvas(shown, layout, sheet, this);
    canvas->setObjectName(QStringLiteral("duelBoard"));
    playButton = new QToolButton(this);
    slider = new QSlider(Qt::Horizontal, this);
    slider->setRange(0, layout.steps);
    slider->setPageStep(10);
    speed = new QSpinBox(this);
    speed->setRange(slowestSpeed, fastestSpeed);
    speed->setValue(10);
    speed->setSuffix(tr(" steps/s"));
    fullSpeed = new QCheckBox(tr("Full speed"), this);
    status = new QLabel(this);
    // A narrow pane wraps its long captions rather than cutting them.
    title->setWordWrap(true);
    status->setWordWrap(true);
    timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    // The keys stay the pane's: only the speed takes typing.
    setFocusPolicy(Qt::StrongFocus);
    for (QWidget* control : {static_cast<QWidget*>(playButton), static_cast<QWidget*>(slider),
                             static_cast<QWidget*>(fullSpeed)})
        control->setFocusPolicy(Qt::NoFocus);

    auto* controls = new QHBoxLayout;
    controls->addWidget(playButton);
    controls->addWidget(slider, 1);
    controls->addWidget(speed);
    controls->addWidget(fullSpeed);
    auto* column = new QVBoxLayout(this);
    column->addWidget(title);
    column->addWidget(canvas, 1);
    column->addLayout(controls);
    column->addWidget(status);

    connect(playButton, &QToolButton::clicked, this, [this] { isPlaying() ? pause() : play(); });
    connect(slider, &QSlider::valueChanged, this, &DuelBoardPane::goToStep);
    connect(speed, &QSpinBox::valueChanged, this, &DuelBoardPane::updateTimer);
    connect(fullSpeed, &QCheckBox::toggled, this, &DuelBoardPane::updateTimer);
    connect(timer, &QTimer::timeout, this, &DuelBoardPane::advance);
    updateTimer();
    pause();
    setDuel(layout, first, second, QString());
}

DuelBoardPane::~DuelBoardPane()
{
    // The step in progress stops at its next block; nothing it sends is seen.
    stepper->supersede(++requests);
    disconnect(stepper, nullptr, this, nullptr);
    { const std::lock_guard<std::mutex> handOff(DuelStepper::handOffMutex()); }
    thread->quit();
    thread->wait();
}

void DuelBoardPane::setDuel(const MatchLayout& newLayout, const Pattern& newFirst,
                            const Pattern& newSecond, const QString& newCaption)
{
    pause();
    layout = newLayout;
    first = newFirst;
    second = newSecond;
    caption = newCaption;
    ++duel;
    const int number = ++requests;
    stepper->supersede(number);
    pending = true;
    requestedStep = 0;
    {
        const std::lock_guard<std::mutex> handOff(DuelStepper::handOffMutex());
        QMetaObject::invokeMethod(
            stepper,
            [stepper = stepper, duel = duel, number, layout = layout, first = first,
             second = second] {
                { const std::lock_guard<std::mutex> takeOver(DuelStepper::handOffMutex()); }
                stepper->setUp(duel, number, layout, first, second);
            },
            Qt::QueuedConnection);
    }
    // Nothing of the duel before stays on show.
    shown = DuelFrame{duel, 0, 0, 0, 0, 0, nullptr, QImage()};
    title->setText(caption);
    {
        const QSignalBlocker blocker(slider);
        slider->setRange(0, layout.steps);
    }
    canvas->updateGeometry();
    showStep();
}

QString DuelBoardPane::statusText() const
{
    return status->text();
}

QString DuelBoardPane::describeStep() const
{
    if (pending && shown.request == 0)
        return tr("setting up the board\u2026");
    QString text = tr("step %1 of %2: %3 first-species cells, %4 second-species cells, %5 contacts")
                       .arg(shown.step)
                       .arg(layout.steps)
                       .arg(shown.firstCells)
                       .arg(shown.secondCells)
                       .arg(shown.contacts);
    if (pending)
        text += tr("; playing to step %1\u2026").arg(requestedStep);
    else if (shown.step == layout.steps) {
        const GridScores scores =
            gridScoresOf(MatchResult{shown.firstCells, shown.secondCells, shown.contacts});
        text += tr("; scores %1 and %2").arg(scoreText(scores.score1), scoreText(scores.score2));
    }
    return text;
}

void DuelBoardPane::goToStep(int step)
{
    step = std::clamp(step, 0, layout.steps);
    if (step == requestedStep)
        return;
    request(step);
}

void DuelBoardPane::request(int step)
{
    requestedStep = step;
    const int number = ++requests;
    stepper->supersede(number);
    pending = true;
    {
        const std::lock_guard<std::mutex> handOff(DuelStepper::handOffMutex());
        QMetaObject::invokeMethod(
            stepper,
            [stepper = stepper, duel = duel, number, step] {
                { const std::lock_guard<std::mutex> takeOver(DuelStepper::handOffMutex()); }
                stepper->goTo(duel, number, step);
            },
            Qt::QueuedConnection);
    }
    showStep();
}

void DuelBoardPane::receive(const DuelFrame& frame)
{
    { const std::lock_guard<std::mutex> takeOver(DuelStepper::handOffMutex()); }
    if (frame.duel != duel)
        return;
    shown = frame;
    pending = frame.request != requests;
    if (!pending && isPlaying() && shown.step == layout.steps)
        pause();
    showStep();
}

void DuelBoardPane::waitForStep()
{
    // A loop of its own, left when the frame asked for is shown: waiting for
    // more events after the frame's would sleep until some other event came.
    if (!pending)
        return;
    QEventLoop loop;
    connect(this, &DuelBoardPane::stepChanged, &loop, &QEventLoop::quit);
    loop.exec();
}

bool DuelBoardPane::isPlaying() const
{
    return timer->isActive();
}

void DuelBoardPane::play()
{
    // Play at the end plays the match again.
    if (requestedStep == layout.steps)
        goToStep(0);
    timer->start();
    playButton->setText(tr("Pause"));
}

void DuelBoardPane::pause()
{
    timer->stop();
    playButton->setText(tr("Play"));
}

void DuelBoardPane::setStepsPerSecond(int stepsPerSecond)
{
    speed->setValue(stepsPerSecond);
}

void DuelBoardPane::setFullSpeed(bool full)
{
    fullSpeed->setChecked(full);
}

QRect DuelBoardPane::boardArea() const
{
    return frameArea(canvas->geometry(), shown);
}

QImage DuelBoardPane::boardImage(int cellSize) const
{
    cellSize = std::max(1, cellSize);
    if (!shown.board)
        return shown.preview.scaled(shown.preview.size() * cellSize);
    const Board& current = *shown.board;
    QImage image(current.boardWidth() * cellSize, current.boardHeight() * cellSize,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawBoard(&painter, current, cellSize, sheet);
    return image;
}

QString DuelBoardPane::exportDuel(const QString& folder, std::uint32_t seed,
                                  const QStringList& comments) const
{
    return ::exportDuel(folder, first, second, layout,
                        QStringList{QStringLiteral("Coevolife: ") + caption} + comments, seed);
}

bool DuelBoardPane::event(QEvent* event)
{
    // End is the window's "follow the newest generation" elsewhere; in the
    // pane it is the match's last step.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_End) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void DuelBoardPane::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        isPlaying() ? pause() : play();
        return;
    case Qt::Key_S:
    case Qt::Key_Right:
        pause();
        goToStep(requestedStep + 1);
        return;
    case Qt::Key_Left:
        pause();
        goToStep(requestedStep - 1);
        return;
    case Qt::Key_End:
        pause();
        goToStep(lastStep());
        return;
    case Qt::Key_Home:
        pause();
        goToStep(0);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DuelBoardPane::advance()
{
    // One step asked for at a time: a slow board is not sent a queue of
    // steps it cannot keep up with.
    if (pending)
        return;
    if (requestedStep == layout.steps)
        pause();
    else
        goToStep(requestedStep + 1);
}

void DuelBoardPane::updateTimer()
{
    speed->setEnabled(!fullSpeed->isChecked());
    timer->setInterval(
        fullSpeed->isChecked() ? 0 : static_cast<int>(std::lround(1000.0 / speed->value())));
}

void DuelBoardPane::showStep()
{
    {
        const QSignalBlocker blocker(slider);
        slider->setValue(requestedStep);
    }
    status->setText(describeStep());
    canvas->update();
    if (!pending)
        emit stepChanged(shown.step);
}
