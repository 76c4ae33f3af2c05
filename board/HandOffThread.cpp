#include "board/HandOffThread.h"

#include "board/ThreadHandOff.h"

void HandOffThread::start(Priority priority)
{
    markHandedOver(this);
    QThread::start(priority);
}

bool HandOffThread::wait(QDeadlineTimer deadline)
{
    const bool finished = QThread::wait(deadline);
    if (finished)
        markTakenOver(this);
    return finished;
}
