#pragma once

#include "board/Board.h"
#include "board/Match.h"
#include "board/Pattern.h"

#include <QImage>
#include <QMetaType>
#include <QObject>

#include <atomic>
#include <mutex>
#include <memory>
#include <optional>

class QThread;

// The duel board at one step, as the stepper hands it to the pane.
struct DuelFrame {
    // The duel it belongs to and the request it answers.
    int duel = 0;
    int request = 0;
    int step = 0;
    int firstCells = 0;
    int secondCells = 0;
    int contacts = 0;
    // A copy of the board when it is small enough to copy for every frame;
    // otherwise null, and `preview` holds the board at most
    // DuelStepper::previewSide pixels a side, a pixel for one cell or more.
    std::shared_ptr<const Board> board;
    QImage preview;
};

// Steps the duel board on a thread of its own, so that no board, however
// large, holds up the window. Requests come from the pane in order, each
// numbered; a newer one stops the one in progress at its next block of
// steps, and one overtaken before it starts is skipped. Each request that
// ends hands its frame back by frameReady, queued to the pane's thread.
class DuelStepper : public QObject
{
    Q_OBJECT

public:
    // Boards of more cells are not copied into frames but previewed.
    static constexpr long long copiedCells = 1 << 15;
    static constexpr int previewSide = 1024;

    DuelStepper() { current.watchCancelFlag(&stop); }

    // Held by the thread that posts a request or a frame while Qt queues it,
    // and taken by the thread that receives it before it reads it: Qt's
    // event queues lock with what ThreadSanitizer cannot see. One for every
    // stepper, as a lock without state.
    // Deleted on its own thread once the pane has let go of it.
    ~DuelStepper() override { const std::lock_guard<std::mutex> takeOver(handOffMutex()); }

    static std::mutex& handOffMutex()
    {
        static std::mutex mutex;
        return mutex;
    }

    // Called on the pane's thread when it numbers a new request, before
    // posting it: the one in progress stops.
    void supersede(int request);
    // Run on the stepper's thread, as posted by the pane.
    void setUp(int duel, int request, const MatchLayout& layout, const Pattern& first,
               const Pattern& second);
    void goTo(int duel, int request, int step);

    // The thread the last step was played on; for tests.
    QThread* lastSteppingThread() const { return steppingThread.load(); }

signals:
    void frameReady(const DuelFrame& frame);

private:
    // Whether `request` is still the newest; clears the stop flag for it.
    bool startRequest(int request);
    void deliverFrame(int request);

    std::atomic<int> newest{0};
    std::atomic<bool> stop{false};
    std::atomic<QThread*> steppingThread{nullptr};
    int duel = -1;
    int currentStep = 0;
    Board start;
    Board current;
};

Q_DECLARE_METATYPE(DuelFrame)
