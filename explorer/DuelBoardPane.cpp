#include "explorer/DuelBoardPane.h"

#include "analysis/ChampionGrid.h"
#include "analysis/DuelExport.h"
#include "records/PatternExport.h"
#include "view/BoardPainting.h"
#include "view/SpriteSheet.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
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

// Paints the pane's board, fitted to itself.
class DuelCanvas : public QWidget
{
public:
    DuelCanvas(const Board& board, const QPixmap& sheet, QWidget* parent)
        : QWidget(parent), board(board), sheet(sheet)
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    // The window's 8 pixels a cell when there is room for it.
    QSize sizeHint() const override { return {8 * board.boardWidth(), 8 * board.boardHeight()}; }
    QSize minimumSizeHint() const override { return {board.boardWidth(), board.boardHeight()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const QRect area = fittedBoard(rect(), board.boardWidth(), board.boardHeight());
        if (area.isEmpty())
            return;
        QPainter painter(this);
        painter.translate(area.topLeft());
        drawBoard(&painter, board, area.width() / board.boardWidth(), sheet);
    }

private:
    const Board& board;
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
    setUpMatch(start, first, second, layout);
    current = start;

    title = new QLabel(this);
    canvas = new DuelCanvas(current, sheet, this);
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
    showStep();
}

void DuelBoardPane::setDuel(const MatchLayout& newLayout, const Pattern& newFirst,
                            const Pattern& newSecond, const QString& newCaption)
{
    pause();
    layout = newLayout;
    first = newFirst;
    second = newSecond;
    caption = newCaption;
    setUpMatch(start, first, second, layout);
    current = start;
    currentStep = 0;
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
    QString text = tr("step %1 of %2: %3 first-species cells, %4 second-species cells, %5 contacts")
                       .arg(currentStep)
                       .arg(layout.steps)
                       .arg(current.countFirstSpecies())
                       .arg(current.countSecondSpecies())
                       .arg(current.contactCount());
    if (currentStep == layout.steps) {
        const GridScores scores = gridScoresOf(matchResult(current));
        text += tr("; scores %1 and %2").arg(scoreText(scores.score1), scoreText(scores.score2));
    }
    return text;
}

void DuelBoardPane::goToStep(int step)
{
    step = std::clamp(step, 0, layout.steps);
    if (step == currentStep)
        return;
    if (step < currentStep) {
        current = start;
        currentStep = 0;
    }
    if (step > currentStep) {
        current.setSteps(step - currentStep);
        current.run();
        currentStep = step;
    }
    showStep();
}

bool DuelBoardPane::isPlaying() const
{
    return timer->isActive();
}

void DuelBoardPane::play()
{
    // Play at the end plays the match again.
    if (currentStep == layout.steps)
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
    return fittedBoard(canvas->geometry(), current.boardWidth(), current.boardHeight());
}

QImage DuelBoardPane::boardImage(int cellSize) const
{
    cellSize = std::max(1, cellSize);
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
        goToStep(currentStep + 1);
        return;
    case Qt::Key_Left:
        pause();
        goToStep(currentStep - 1);
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
    goToStep(currentStep + 1);
    if (currentStep == layout.steps)
        pause();
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
        slider->setValue(currentStep);
    }
    status->setText(describeStep());
    canvas->update();
    emit stepChanged(currentStep);
}
