#include "board/StepThread.h"

#include "board/ThreadHandOff.h"

StepThread::StepThread(QObject* parent) : QThread(parent) {}

void StepThread::start(Priority priority)
{
    markHandedOver(this);
    QThread::start(priority);
}

void StepThread::run()
{
    markTakenOver(this);
    cells.run();
    markHandedOver(this);
}

bool StepThread::wait(QDeadlineTimer deadline)
{
    const bool finished = QThread::wait(deadline);
    if (finished)
        markTakenOver(this);
    return finished;
}
