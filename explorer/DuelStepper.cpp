#include "explorer/DuelStepper.h"

#include <QThread>

#include <algorithm>

void DuelStepper::supersede(int request)
{
    // The number first: a stepper that clears the flag for an older request
    // then sees it and skips that request.
    newest.store(request);
    stop.store(true);
}

bool DuelStepper::startRequest(int request)
{
    stop.store(false);
    return request == newest.load();
}

void DuelStepper::setUp(int newDuel, int request, const MatchLayout& layout, const Pattern& first,
                        const Pattern& second)
{
    // A newer duel is set up in its own request; an older one is never shown.
    duel = newDuel;
    setUpMatch(start, first, second, layout);
    current = start;
    currentStep = 0;
    if (startRequest(request))
        deliverFrame(request);
}

void DuelStepper::goTo(int forDuel, int request, int step)
{
    if (forDuel != duel || !startRequest(request))
        return;
    steppingThread.store(QThread::currentThread());
    step = std::clamp(step, 0, start.stepCount());
    if (step < currentStep) {
        current = start;
        currentStep = 0;
    }
    if (step > currentStep) {
        current.setSteps(step - currentStep);
        if (!current.run()) {
            // Stopped part-way at a step nobody counted: the next request
            // starts again from step 0.
            current = start;
            currentStep = 0;
            return;
        }
        currentStep = step;
    }
    deliverFrame(request);
}

void DuelStepper::deliverFrame(int request)
{
    DuelFrame frame;
    frame.duel = duel;
    frame.request = request;
    frame.step = currentStep;
    frame.firstCells = current.countFirstSpecies();
    frame.secondCells = current.countSecondSpecies();
    frame.contacts = current.contactCount();
    const int width = current.boardWidth();
    const int height = current.boardHeight();
    if (static_cast<long long>(width) * height <= copiedCells) {
        frame.board = std::make_shared<const Board>(current);
    } else {
        // One cell a pixel, every k-th cell either way when the board is
        // wider or taller than a preview: in the colours the cells are
        // painted with.
        const int every = (std::max(width, height) + previewSide - 1) / previewSide;
        frame.preview = QImage((width + every - 1) / every, (height + every - 1) / every,
                               QImage::Format_RGB32);
        const QRgb colours[3] = {qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0)};
        for (int y = 0; y < frame.preview.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(frame.preview.scanLine(y));
            for (int x = 0; x < frame.preview.width(); ++x)
                line[x] = colours[std::clamp(current.cellAt(x * every, y * every), 0, 2)];
        }
    }
    const std::lock_guard<std::mutex> handOff(handOffMutex());
    emit frameReady(frame);
}
