#pragma once

#include "board/Board.h"
#include "board/Match.h"
#include "board/Pattern.h"
#include "explorer/DuelStepper.h"

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>

class QCheckBox;
class QLabel;
class QSlider;
class QSpinBox;
class QThread;
class QTimer;
class QToolButton;

// One duel played out step by step: the board as the run's layout sets up
// the match, painted as the window paints it, with play, single steps either
// way and a slider over the match's steps. Keys: Space plays or pauses, S or
// Right steps on, Left steps back, Home goes back to step 0, End to the last.
// The board is set up and stepped on a thread of its own and shown when a
// step is done, so that the window answers whatever the board's size; a
// step of a duel no longer chosen is dropped.
class DuelBoardPane : public QWidget
{
    Q_OBJECT

public:
    static constexpr int slowestSpeed = 1;
    static constexpr int fastestSpeed = 240;

    // Shows an empty duel on the window's layout until setDuel.
    explicit DuelBoardPane(QWidget* parent = nullptr);
    ~DuelBoardPane() override;

    // The pair at step 0 of its match on the layout's board, paused.
    void setDuel(const MatchLayout& layout, const Pattern& first, const Pattern& second,
                 const QString& caption);

    // The step shown; the one asked for may still be played.
    int step() const { return shown.step; }
    int lastStep() const { return layout.steps; }
    // The board shown; empty while it is set up, and for a board of more
    // than DuelStepper::copiedCells, which is shown by its preview.
    const Board& board() const { return shown.board ? *shown.board : blank; }
    // Whether a step asked for is still being played.
    bool stepping() const { return pending; }
    // Waits until the step asked for last is shown; for tests and scripts.
    void waitForStep();
    // The thread the board was last stepped on; for tests.
    QThread* lastSteppingThread() const { return stepper->lastSteppingThread(); }
    // What the pane's label says: the step, each species' live cells and
    // the contacts so far; at the last step the match's two scores as the
    // run stores them.
    QString statusText() const;

    // Any step from 0 to the last, clamped, played in the background. A step
    // back replays from step 0: the rule has no inverse.
    void goToStep(int step);

    bool isPlaying() const;
    void play();
    void pause();
    // Steps a second while playing, from slowestSpeed to fastestSpeed; at
    // full speed a step follows the last one's painting at once.
    void setStepsPerSecond(int speed);
    void setFullSpeed(bool full);

    // Where the board is painted in the pane, a whole number of pixels a
    // cell, centred in the space left by the controls.
    QRect boardArea() const;
    // The board's cells alone, exactly `cellSize` pixels a cell; a board too
    // large to copy, its preview at that scale.
    QImage boardImage(int cellSize) const;

    // duel.rle and Coevolife.rule in `folder`, as the analyzer exports a
    // duel, commented with the caption, `comments` and the run's seed. The
    // problem, or empty.
    QString exportDuel(const QString& folder, std::uint32_t seed,
                       const QStringList& comments = {}) const;

signals:
    void stepChanged(int step);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void request(int step);
    void receive(const DuelFrame& frame);
    void advance();
    void updateTimer();
    void showStep();
    QString describeStep() const;

    MatchLayout layout;
    Pattern first;
    Pattern second;
    QString caption;
    QPixmap sheet;
    // The duel set last and the requests made for it: the stepper's frames
    // of another duel are stale.
    int duel = 0;
    int requests = 0;
    int requestedStep = 0;
    bool pending = false;
    DuelFrame shown;
    Board blank;
    QThread* thread;
    DuelStepper* stepper;

    QLabel* title;
    QWidget* canvas;
    QToolButton* playButton;
    QSlider* slider;
    QSpinBox* speed;
    QCheckBox* fullSpeed;
    QLabel* status;
    QTimer* timer;
};
